#include "workbookfiles.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace vantor {

QString workbookBaseName(const QString& listName, const QDate& day)
{
    QString list = listName;
    list.replace(u'/', u'-');
    return QStringLiteral("Not tested %1 - %2").arg(day.toString(Qt::ISODate), list);
}

int removeStaleWorkbooks(const QString& directory, const QDateTime& now)
{
    const QDateTime before = now.addDays(-1);
    int removed = 0;
    // Earlier versions named every list alike. Others' workbooks in a shared temporary folder
    // are theirs to keep.
    const QStringList ours{QStringLiteral("Not tested *-??????.xlsx"),
                           QStringLiteral("Untested personnel-??????.xlsx")};
    const QFileInfoList files = QDir(directory).entryInfoList(ours, QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo& file : files) {
        if (file.ownerId() == ::getuid() && file.lastModified() < before && QFile::remove(file.filePath()))
            ++removed;
    }
    return removed;
}

} // namespace vantor
