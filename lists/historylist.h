#pragma once

#include <connection.h>
#include <recordslocation.h>

#include <QDateTime>
#include <QList>
#include <QString>

// The history as people read it: who changed what, when, and every field's value before and
// after, for the History window and the history's workbook.
namespace vantor::history {

struct Entry {
    qint64 number = 0;
    QString at; // UTC, as stored
    QString who; // empty: unknown, a change made outside Vantor on a file
    QString record; // MT or FitTest
    qint64 recordKey = 0;
    qint64 member = 0;
    QString fdid;
    QString action;
    QString before; // JSON objects, as stored
    QString after;
    QString note;
    QString sealed; // when and by whom an entry was sealed late
    bool hashed = false;
};

// One field of a record, its value before and after an entry, as shown.
struct FieldChange {
    QString field; // as a clerk calls it: "Last Name"
    QString before; // null: the record did not exist, or the field held nothing
    QString after;
};

// The fields an entry changed, in the record's order: every field of a record added or
// deleted that holds something, the fields that differ of a record changed.
QList<FieldChange> changesOf(const Entry& entry);
// "Last Name: SMITH → SMYTH; Rank: FF → LT"
QString describeChanges(const Entry& entry);

QString actionName(const QString& action);
// The time of an entry in local time, "03/07/2026 14:05:12"; and as stored, in UTC.
QDateTime entryTime(const Entry& entry);
QString shownTime(const Entry& entry);
// Who made the change: the name, or that it was made outside Vantor by someone unknown.
QString shownWriter(const Entry& entry);
// "Member's record", "Fit test of 03/07/2026"
QString recordName(const Entry& entry);

// The member's entries and those of its fit tests, newest first, back to the one that added
// the member (a file may give a deleted member's key to a new one).
StoreError readMemberHistory(Connection& connection, qint64 memberKey, QList<Entry>& entries);
// At most `limit` entries numbered after `after` and made at or after `since` (UTC, as stored;
// empty: all), oldest first.
StoreError readHistoryPage(Connection& connection, qint64 after, int limit, const QString& since,
                           QList<Entry>& entries);

// What the History window shows of a member: its FDID and name as stored now, and its entries.
struct MemberHistory {
    QString fdid;
    QString name; // "SMITH, JOHN A"
    QList<Entry> entries;
    StoreError error;
};
// Opens the records, gives a file of an earlier version its history (a server's owner must),
// and reads the member whose hidden row key is `memberKey`.
MemberHistory openMemberHistory(const RecordsLocation& location, qint64 memberKey);

} // namespace vantor::history
