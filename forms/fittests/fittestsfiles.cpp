// The files the Fit Tests window hands to the desktop: a test's recording, and the member's
// printed record.
#include "frmfittests.h"

#include <fittestrecord.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace vantor {

namespace {

// The files this window leaves for the desktop's programs start so; a day later they go.
const QString FilePrefix = QStringLiteral("Vantor fit test ");

void removeStaleFiles(const QString& directory, const QDateTime& now)
{
    const QFileInfoList files = QDir(directory).entryInfoList({FilePrefix + u'*'}, QDir::Files);
    for (const QFileInfo& file : files) {
        if (file.isWritable() && file.lastModified().addDays(1) < now)
            QFile::remove(file.absoluteFilePath());
    }
}

QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

// Names in files keep to what every file system takes.
QString fileSafe(QString text)
{
    static const QRegularExpression unsafe(QStringLiteral(R"([/\\:*?"<>|\x00-\x1f])"));
    return text.replace(unsafe, QStringLiteral("_")).trimmed();
}

} // namespace

// A new file in the window's folder, the user's alone (a member's record is personal data),
// named for what it holds; empty when none can be made.
QString frmFitTests::newFileName(const QString& baseName, const QString& suffix)
{
    removeStaleFiles(m_fileDirectory, QDateTime::currentDateTime());
    QTemporaryFile file(QDir(m_fileDirectory)
                            .filePath(FilePrefix + fileSafe(baseName) + QStringLiteral(" XXXXXX")
                                      + (suffix.isEmpty() ? QString() : u'.' + suffix)));
    file.setAutoRemove(false);
    return file.open() ? file.fileName() : QString();
}

void frmFitTests::cmdRecording_Click()
{
    const fittests::FitTest* test = selectedTest();
    if (!test || test->recordingName.isEmpty())
        return;
    const fittests::FitTest shown = *test;
    QByteArray bytes;
    if (const StoreError error = m_store.readRecording(shown.key, bytes)) {
        reportFailure(tr("The recording cannot be opened."), error, tr("Recording"), QString());
        m_store.reload();
        showTests(shown.key);
        return;
    }
    const QString name = newFileName(m_store.member().id + u' ' + shown.date.toString(Qt::ISODate),
                                     QFileInfo(shown.recordingName).suffix());
    QFile file(name);
    if (name.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()
        || !file.flush()) {
        m_dialogs.message(this,
                          okBox(tr("The recording cannot be written to the folder %1 to be opened:\n%2")
                                    .arg(QDir::toNativeSeparators(m_fileDirectory), file.errorString()),
                                MsgIcon::Critical, tr("Recording")));
        return;
    }
    file.close();
    showFile(name, shown.recordingType, shown.recordingName);
}

void frmFitTests::cmdPrint_Click()
{
    const fittests::Member& member = m_store.member();
    const QString suggested
        = fileSafe(tr("Fit test record %1 %2").arg(member.id, today().toString(Qt::ISODate))) + QStringLiteral(".pdf");
    const QString name = newFileName(member.id + u' ' + today().toString(Qt::ISODate), QStringLiteral("pdf"));
    QString error = tr("No new file can be made in the folder %1.").arg(QDir::toNativeSeparators(m_fileDirectory));
    if (name.isEmpty() || !fittests::writeRecordPdf(name, member, m_store.tests(), today(), &error)) {
        m_dialogs.message(
            this, okBox(tr("The record could not be printed:\n\n%1").arg(error), MsgIcon::Critical, tr("Print")));
        return;
    }
    showFile(name, QStringLiteral("application/pdf"), suggested);
}

// The desktop's program shows the file, to be printed or kept from there; where there is
// none, the file is saved where the user chooses.
void frmFitTests::showFile(const QString& file, const QString& mimeType, const QString& suggestedName)
{
    if (m_openFile && m_openFile(file, mimeType))
        return;
    QString target = QDir(documentsFolder()).filePath(fileSafe(suggestedName));
    for (;;) {
        target = m_dialogs.saveFileName(
            this, FileBox{tr("No program on this computer can show the file: save it as"), target, QString()});
        if (target.isEmpty())
            break;
        QFile::remove(target);
        if (QFile::copy(file, target))
            break;
        m_dialogs.message(this,
                          okBox(tr("The file could not be saved as %1.\n\nChoose another name or folder.")
                                    .arg(QDir::toNativeSeparators(target)),
                                MsgIcon::Exclamation, windowTitle()));
    }
    QFile::remove(file);
}

} // namespace vantor
