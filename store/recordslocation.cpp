#include "recordslocation.h"

#include "connectionstring.h"

#include <QDir>
#include <QFileInfo>

namespace vantor {

RecordsLocation RecordsLocation::file(const QString& path)
{
    RecordsLocation location;
    if (path.isEmpty())
        return location;
    location.m_kind = Kind::File;
    location.m_text = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return location;
}

RecordsLocation RecordsLocation::fromText(const QString& text)
{
    return file(text);
}

QString RecordsLocation::displayName() const
{
    return QDir::toNativeSeparators(m_text);
}

QString RecordsLocation::connectionString() const
{
    return m_kind == Kind::File ? jetConnectionString(m_text) : QString();
}

} // namespace vantor
