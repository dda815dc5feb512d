#include "workbookfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace vantor {

namespace {

// The translators' context of the workbooks' names.
struct WorkbookFiles {
    Q_DECLARE_TR_FUNCTIONS(vantor::WorkbookFiles)
};

//: A workbook's file name: the day the list was made, and the list's name.
const char* const BaseName = QT_TRANSLATE_NOOP("vantor::WorkbookFiles", "Not tested %1 - %2");

} // namespace

QString workbookBaseName(const QString& listName, const QDate& day)
{
    QString list = listName;
    list.replace(u'/', u'-');
    return WorkbookFiles::tr(BaseName).arg(day.toString(Qt::ISODate), list);
}

int removeStaleWorkbooks(const QString& directory, const QDateTime& now)
{
    const QDateTime before = now.addDays(-1);
    int removed = 0;
    // A workbook is named in the language the program spoke when it was made: those named in
    // English or in today's language are found. Earlier versions named every list alike.
    // Others' workbooks in a shared temporary folder are theirs to keep.
    QStringList ours{QStringLiteral("Untested personnel-??????.xlsx")};
    for (QString name : {QString::fromUtf8(BaseName), WorkbookFiles::tr(BaseName)})
        ours << name.replace(QStringLiteral("%1"), QStringLiteral("*"))
                    .replace(QStringLiteral("%2"), QStringLiteral("*"))
                + QStringLiteral("-??????.xlsx");
    ours.removeDuplicates();
    const QFileInfoList files = QDir(directory).entryInfoList(ours, QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo& file : files) {
        if (file.ownerId() == ::getuid() && file.lastModified() < before && QFile::remove(file.filePath()))
            ++removed;
    }
    return removed;
}

} // namespace vantor
