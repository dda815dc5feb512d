#include "recordslocation.h"

#include "engine.h"

#include <QDir>
#include <QFileInfo>

namespace vantor {

RecordsLocation RecordsLocation::file(const QString& path)
{
    RecordsLocation location;
    if (path.isEmpty())
        return location;
    location.m_kind = Kind::File;
    location.m_engine = &Engine::forFiles();
    location.m_text = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return location;
}

RecordsLocation RecordsLocation::fromText(const QString& text)
{
    const Engine& engine = Engine::forLocation(text);
    if (!engine.isServer())
        return file(text);
    RecordsLocation location;
    location.m_kind = Kind::Server;
    location.m_engine = &engine;
    location.m_text = text.trimmed();
    return location;
}

QString RecordsLocation::displayName() const
{
    return m_kind == Kind::Server ? m_engine->describeSource(m_text) : QDir::toNativeSeparators(m_text);
}

QString RecordsLocation::connectionString() const
{
    return m_engine ? m_engine->connectionStringOf(m_text) : QString();
}

} // namespace vantor
