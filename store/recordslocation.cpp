#include "recordslocation.h"

#include "connectionstring.h"
#include "serverlocation.h"

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

RecordsLocation RecordsLocation::server(const QString& text)
{
    RecordsLocation location;
    location.m_kind = Kind::Server;
    location.m_text = text.trimmed();
    return location;
}

RecordsLocation RecordsLocation::fromText(const QString& text)
{
    return server::isServerLocation(text) ? server(text) : file(text);
}

QString RecordsLocation::displayName() const
{
    return m_kind == Kind::Server ? server::describe(m_text) : QDir::toNativeSeparators(m_text);
}

QString RecordsLocation::connectionString() const
{
    switch (m_kind) {
    case Kind::File: return jetConnectionString(m_text);
    case Kind::Server: return connectionStringFor(QStringLiteral("PostgreSQL"), m_text);
    case Kind::None: break;
    }
    return {};
}

} // namespace vantor
