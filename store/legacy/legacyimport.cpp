// Converting an Access file into a Vantor records file without ever putting the original
// at risk: the new file is built completely beside it and only then moved into place.
#include "legacyimport.h"

#include "jetreader.h"

#include <connection.h>
#include <connectionstring.h>
#include <fileformat.h>
#include <history.h>
#include <masktest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace vantor::legacy {

namespace {

StoreError fileError(int error, const QString& what)
{
    qint32 number = EngineFailure;
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS: number = AccessDenied; break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: number = DiskFull; break;
    case ENOENT:
    case ENOTDIR: number = FileNotFound; break;
    case EEXIST: number = FileExists; break;
    default: break;
    }
    return StoreError::make(number, QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(error))));
}

// Flushes a file or a folder to the disk, so that what was written or renamed survives a
// power cut; 0 or the errno of the failure.
int syncToDisk(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int result = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return result;
}

// Hard links are the way to give a file a second name without a window in which neither
// name holds it; some shared drives cannot make them.
bool linksUnsupported(int error)
{
    return error == EPERM || error == EOPNOTSUPP || error == EXDEV || error == EMLINK;
}

// The records go in with one history entry each, "converted from OLD.mdb", in the converting
// user's name, rather than one the triggers would write for a record added.
StoreError insertRows(const QString& path, const QList<JetRow>& rows, const QString& source)
{
    Connection connection;
    if (StoreError error = connection.open(jetConnectionString(path)))
        return error;
    const QString insert = masktest::insertStatement(*connection.engine());
    // One entry a record says where it came from; the triggers would add a second.
    StoreError error = connection.transaction([&]() -> StoreError {
        StoreError failure = history::suspendTriggers(connection);
        if (!failure)
            failure = history::beginWriting(connection);
        for (qsizetype i = 0; !failure && i < rows.size(); ++i)
            failure = connection.execute(insert, rows.at(i));
        if (!failure)
            failure = history::startHistory(connection, history::action::Convert,
                                            history::Text::tr("converted from %1").arg(QFileInfo(source).fileName()));
        if (!failure)
            failure = history::resumeTriggers(connection);
        return failure;
    });
    if (error)
        return error;

    const qint64 count = masktest::countRecords(connection, error);
    if (error)
        return error;
    if (count != rows.size())
        return StoreError::make(EngineFailure,
                                QStringLiteral("The new records file holds %1 records instead of the %2 read.")
                                    .arg(count)
                                    .arg(rows.size()));
    return {};
}

// The new records file, built complete in a hidden folder beside its final place: on the
// same disk, so that it moves into place in one step. Whatever stays there is removed
// with the folder.
class StagedStore
{
public:
    explicit StagedStore(const QString& target)
        : m_folder(QFileInfo(target).absolutePath())
        , m_work(QDir(m_folder).filePath(QStringLiteral(".vantor-convert-XXXXXX")))
    {
    }

    QString path() const { return m_work.filePath(masktest::DatabaseFileName); }
    QString folder() const { return m_folder; }

    StoreError build(const QList<JetRow>& rows, const QString& source) const
    {
        if (!QFileInfo(m_folder).isDir())
            return StoreError::make(FileNotFound, QStringLiteral("The folder '%1' does not exist.").arg(m_folder));
        if (!m_work.isValid())
            return StoreError::make(
                AccessDenied,
                QStringLiteral("Vantor cannot write into the folder '%1': %2").arg(m_folder, m_work.errorString()));
        if (StoreError error = masktest::createDatabase(RecordsLocation::file(path())))
            return error;
        if (StoreError error = insertRows(path(), rows, source))
            return error;
        if (const int error = syncToDisk(path()))
            return fileError(error, QStringLiteral("The new records file cannot be saved to the disk"));
        return {};
    }

private:
    QString m_folder;
    QTemporaryDir m_work;
};

StoreError readForConversion(const QString& source, QList<JetRow>& rows)
{
    if (StoreError error = readMaskTestTable(source, rows))
        return StoreError::make(error.number, error.description + QStringLiteral(" Nothing was converted."));
    return {};
}

// Gives `from` the additional name `to`, never replacing a file that has that name.
StoreError addName(const QString& from, const QString& to, bool copyWhereNoLinks)
{
    if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return {};
    const int error = errno;
    if (!linksUnsupported(error))
        return fileError(error, QStringLiteral("Cannot create '%1'").arg(to));
    if (QFileInfo::exists(to))
        return fileError(EEXIST, QStringLiteral("Cannot create '%1'").arg(to));
    if (copyWhereNoLinks) {
        QFile file(from);
        if (!file.copy(to))
            return StoreError::make(AccessDenied,
                                    QStringLiteral("Cannot copy '%1' to '%2': %3").arg(from, to, file.errorString()));
        return {};
    }
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return fileError(errno, QStringLiteral("Cannot create '%1'").arg(to));
    return {};
}

} // namespace

bool isAccessFile(const QString& path)
{
    return sniffFileKind(path) == FileKind::AccessJet;
}

QString originalCopyPath(const QString& path)
{
    return path + QStringLiteral(".jet-original");
}

StoreError convertFile(const QString& source, const QString& target, qsizetype* rowCount)
{
    if (QFileInfo::exists(target))
        return StoreError::make(FileExists,
                                QStringLiteral("The file '%1' already exists; it is left as it is.").arg(target));
    QList<JetRow> rows;
    if (StoreError error = readForConversion(source, rows))
        return error;
    const StagedStore staged(target);
    if (StoreError error = staged.build(rows, source))
        return error;
    if (StoreError error = addName(staged.path(), target, false))
        return error;
    syncToDisk(staged.folder());
    if (rowCount)
        *rowCount = rows.size();
    return {};
}

StoreError convertInPlace(const QString& path, qsizetype* rowCount)
{
    const QString original = originalCopyPath(path);
    if (QFileInfo::exists(original))
        return StoreError::make(FileExists,
                                QStringLiteral("'%1' already exists: it may hold the original of an earlier "
                                               "conversion, so it is not overwritten. Move it elsewhere "
                                               "and try again.")
                                    .arg(original));
    QList<JetRow> rows;
    if (StoreError error = readForConversion(path, rows))
        return error;
    const StagedStore staged(path);
    if (StoreError error = staged.build(rows, path))
        return error;

    // The original gets its second name before its first one is given to the new file, so
    // that at no moment is it reachable under neither.
    if (StoreError error = addName(path, original, true))
        return StoreError::make(error.number, QStringLiteral("The original could not be kept: ") + error.description);
    syncToDisk(staged.folder());
    if (::rename(QFile::encodeName(staged.path()).constData(), QFile::encodeName(path).constData()) != 0) {
        const int error = errno;
        QFile::remove(original);
        return fileError(error, QStringLiteral("The converted file cannot replace '%1'").arg(path));
    }
    syncToDisk(staged.folder());
    if (rowCount)
        *rowCount = rows.size();
    return {};
}

} // namespace vantor::legacy
