#pragma once

#include <QString>

namespace vantor {

class Engine;

// Where the records are. The program decides it once, at start-up, and hands it to every
// window and command; nothing else works out where the records lie.
//
// A location is a records file, or a database on a server that several stations share.
class RecordsLocation
{
public:
    enum class Kind { None, File, Server };

    RecordsLocation() = default;

    // A records file; a relative path is taken from the current folder.
    static RecordsLocation file(const QString& path);
    // A location as a user writes it, on the command line or in a setting: the records of the
    // engine that claims it (Engine::forLocation), a file where none does.
    static RecordsLocation fromText(const QString& text);

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::None; }
    bool isFile() const { return m_kind == Kind::File; }
    bool isServer() const { return m_kind == Kind::Server; }

    // The absolute path of a records file; empty for any other kind.
    QString filePath() const { return m_kind == Kind::File ? m_text : QString(); }
    // The engine that keeps these records; null for no location.
    const Engine* engine() const { return m_engine; }
    // The location as the user should read it in a message: a server's host, port, database
    // and user, never a password.
    QString displayName() const;
    // The location as it is written back into a setting.
    QString text() const { return m_text; }
    // The connection string a window's connection and record sets are opened with.
    QString connectionString() const;

    bool operator==(const RecordsLocation&) const = default;

private:
    Kind m_kind = Kind::None;
    const Engine* m_engine = nullptr;
    QString m_text;
};

} // namespace vantor
