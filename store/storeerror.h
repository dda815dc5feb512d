#pragma once

#include <QString>
#include <QtGlobal>

namespace vantor {

// Error numbers of the record store. Where the old ADO/Jet world had a well-known number
// for the same situation, we use it, so that a clerk who quotes a number to support is
// understood by people who knew the old program.
enum StoreErrorNumber : qint32 {
    NoError = 0,
    InvalidArgument = 3001, // a malformed connection string or argument
    NoCurrentRecord = 3021, // BOF or EOF, or the current record was deleted
    ObjectClosed = 3704, // connection or record set is not open
    ProviderNotFound = 3706, // no engine for the connection string's Provider
    FieldNotFound = 3265, // no field by that name or position
    NotADatabase = 3343, // "Unrecognized database format"
    AccessFormatFile = 3344, // an Access/Jet file where a Vantor store was expected
    CorruptDatabase = 3049, // the file is damaged
    DatabaseNotFound = 3024, // the server has no database by that name
    PasswordRequired = 3031, // the server wants a password and none was found
    ServerUnavailable = 3151, // the server cannot be reached, or the connection to it was lost
    AuthenticationFailed = -2147217843, // the server refused the user: a wrong password, or not allowed in
    RowConflict = -2147217864, // the row changed or vanished since it was read
    TableNotFound = -2147217865, // the table, or some of its fields, are missing
    CommandFailed = -2147217900, // the SQL text could not be run
    Busy = -2147217871, // another program holds the file locked
    EngineFailure = -2147467259, // any other failure of the engine
    FileNotFound = -2147024894, // the database file does not exist
    AccessDenied = -2147024891, // the file cannot be read or written
    DiskFull = -2147024784, // no space left for the file
    FileExists = -2147024816, // refusing to overwrite an existing file
    // Vantor's own, from the range COM leaves to applications (0x80040200 and up):
    SecureConnectionFailed = -2147220991, // the location asks for SSL, and none could be made
    PasswordFileIgnored = -2147220990, // libpq ignores the password file: others may read it
    ServerNameMismatch = -2147220989, // the server's certificate is not made out to the host named
    ServerCertificateUntrusted = -2147220988, // the server's certificate is not signed by a CA the station trusts
};

// Every failure of the store is one of these: a number and a description that the
// windows can show as they are.
struct StoreError {
    qint32 number = NoError;
    QString description;

    bool isError() const { return number != NoError; }
    explicit operator bool() const { return isError(); }

    static StoreError none() { return {}; }
    static StoreError make(qint32 number, QString description) { return StoreError{number, std::move(description)}; }
    // A connection or record set used while it is not open.
    static StoreError closed()
    {
        return make(ObjectClosed, QStringLiteral("Operation is not allowed when the object is closed."));
    }
};

} // namespace vantor
