#include "fileformat.h"

#include <QByteArray>
#include <QFile>

namespace vantor {

FileKind sniffFileKind(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return FileKind::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return FileKind::Other;
    const QByteArray head = file.read(32);
    if (head.isEmpty())
        return FileKind::Empty;
    if (head.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return FileKind::SQLite;
    // Jet 3/4 and ACE files carry their format name at offset 4.
    const QByteArray name = head.mid(4, 15);
    if (name == QByteArrayLiteral("Standard Jet DB") || name == QByteArrayLiteral("Standard ACE DB"))
        return FileKind::AccessJet;
    return FileKind::Other;
}

} // namespace vantor
