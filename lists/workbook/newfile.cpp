#include "newfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace vantor::newfile {

QString createUnique(const QString& directory, const QString& prefix, const QString& suffix, QString* error)
{
    static constexpr char Characters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    int reason = EEXIST;
    for (int attempt = 0; attempt < 100 && reason == EEXIST; ++attempt) {
        QString name = prefix;
        for (int i = 0; i < 6; ++i)
            name += QLatin1Char(Characters[QRandomGenerator::global()->bounded(int(sizeof Characters) - 1)]);
        const QString path = QDir(directory).filePath(name + suffix);
        // The kernel applies the umask, and a default ACL where the folder has one.
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        reason = errno;
    }
    *error = qt_error_string(reason);
    return {};
}

bool replace(const QString& from, const QString& to, QString* error)
{
    // rename(2), unlike QFile::rename, replaces the target in one step.
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    *error = qt_error_string(errno);
    return false;
}

bool copy(const QString& source, const QString& target, QString* error)
{
    const QFileInfo info(target);
    const QString part = createUnique(info.absolutePath(), u'.' + info.fileName() + u'-', QString(), error);
    if (part.isEmpty())
        return false;
    QFile in(source);
    // Opening the new file again keeps the mode it was created with.
    QFile out(part);
    bool done = in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly);
    while (done && !in.atEnd()) {
        const QByteArray block = in.read(1 << 16);
        done = !block.isEmpty() && out.write(block) == block.size();
    }
    done = done && out.flush();
    // Read before close(), which forgets a failed write.
    if (!done)
        *error = (in.error() != QFileDevice::NoError ? in : out).errorString();
    out.close();
    if (done && out.error() != QFileDevice::NoError) {
        done = false;
        *error = out.errorString();
    }
    if (done && replace(part, target, error))
        return true;
    QFile::remove(part);
    return false;
}

} // namespace vantor::newfile
