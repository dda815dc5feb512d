#pragma once

#include "connection.h"
#include "engine.h"
#include "storeerror.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <functional>

// Who changed what, and when: every change of a member's record (MT) and of a fit test leaves
// an entry in table History, in the same transaction, written by the database's own triggers,
// so that a change made with psql or the sqlite3 shell is recorded as well as one made here.
//
// On a server the trigger runs with its owner's rights and names the login role; clerks may
// read the history and nothing more. On a file whoever may write the file may write anything
// in it, so the history is made tamper-evident instead: every entry carries a SHA-256 hash
// chained to the one before (historychain.h). A server's trigger seals each entry as it writes
// it; a file's trigger cannot (the sqlite3 shell has no SHA-256), and this program's connections
// seal the entries they make in the statement that makes them (historyseal.h), and those an
// outside change left unsealed the next time they write.
namespace vantor::history {

// The translators' context of the history's texts.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(vantor::history)
};

inline const QString TableName = QStringLiteral("History");
// A server's: the number and hash of the last entry, the one row every writer locks in turn.
inline const QString HeadTable = QStringLiteral("HistoryHead");

// The columns of History, in the table's order (and the chain's, after the entry's number).
namespace column {
inline const QString At = QStringLiteral("At"); // UTC, "2026-03-07T14:05:12.345Z"
inline const QString Who = QStringLiteral("Who"); // a login role, or "alice@station3"; null: unknown
inline const QString Record = QStringLiteral("Record"); // the table: MT or FitTest
inline const QString RecordKey = QStringLiteral("RecordKey"); // the row's hidden key
inline const QString Member = QStringLiteral("Member"); // the key of the member it belongs to
inline const QString Fdid = QStringLiteral("FDID"); // the member's FDID at the time
inline const QString Action = QStringLiteral("Action");
inline const QString Before = QStringLiteral("Before"); // every field, as a JSON object
inline const QString After = QStringLiteral("After");
inline const QString Note = QStringLiteral("Note");
inline const QString Sealed = QStringLiteral("Sealed"); // null, or when and by whom an entry was sealed late
inline const QString Hash = QStringLiteral("Hash");
} // namespace column
QStringList columns();

// What an entry records.
namespace action {
inline const QString Add = QStringLiteral("add");
inline const QString Change = QStringLiteral("change");
inline const QString Delete = QStringLiteral("delete");
// The record as it was when its history began: records of an earlier version, or copied
// from records that kept none.
inline const QString Start = QStringLiteral("start");
inline const QString Convert = QStringLiteral("convert"); // converted from the old Access file
} // namespace action

// A table whose changes the history records.
struct Audited {
    QString table;
    QStringList columns;
    QString memberColumn; // the member's key; empty: the row's own (MT)
    QString fdidColumn;
};
const QList<Audited>& audited();
const Audited* auditedTable(const QString& table);

// The history's tables as `engine` keeps them.
QList<TableDefinition> tables(const Engine& engine);
// Makes the tables and the triggers, in the caller's transaction.
StoreError createHistory(Connection& connection);
// Whether the records keep a history.
StoreError isKept(Connection& connection, bool& kept);

// The writer a file's entries name: the login name of the real user and the machine's name.
QString localWriter();

// Runs `work`, which changes records, as one transaction in which the history names this
// program's user and seals what it recorded. Inside a transaction already open, the one who
// opened it does so: a transaction that changes MT or FitTest is opened here.
StoreError recordChanges(Connection& connection, const std::function<StoreError()>& work);
// The same for `work` that is one statement: a transaction only where the history needs one
// (a file's), so that a server's single change costs no more round trips than before.
StoreError recordStatement(Connection& connection, const std::function<StoreError()>& work);

// For the store's bulk steps that hold a transaction of their own (a new file's invented
// members): what follows in it is recorded in this program's user's name, and sealed.
StoreError beginWriting(Connection& connection);

// One entry per record of MT and FitTest holding the record as it is: where a history
// starts. In the caller's transaction, as this program's user.
StoreError startHistory(Connection& connection, const QString& action, const QString& note);

// Sets the triggers aside while a copy carries entries of its own, and back before it commits.
// A server's are the owner's to set aside.
StoreError suspendTriggers(Connection& connection);
StoreError resumeTriggers(Connection& connection);

} // namespace vantor::history
