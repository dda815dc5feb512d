#pragma once

#include <connection.h>
#include <recordslocation.h>
#include <storeerror.h>

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Whether the history is whole: every entry still the one that was sealed, none missing, and
// every record as its latest entry left it. What `vantor --verify-history` reports.
namespace vantor::history {

struct Finding {
    enum class Kind {
        // Failures: the history was changed, or records were changed past it.
        Edited, // an entry no longer matches its seal
        Missing, // entries missing from the chain
        SealRemoved, // an entry without a seal that sealed entries follow
        NamedOutside, // an entry written outside Vantor that names a writer
        UnknownRecord, // an entry about a table the history does not keep
        ChangedBetween, // a change found the record otherwise than the entry before it left it
        RecordDiffers, // a record differs from its latest entry
        RecordUnrecorded, // a record without any entry
        RecordMissing, // a record gone that its latest entry keeps
        RecordBack, // a record there that its latest entry deleted
        HeadDiffers, // a server's head names another last entry
        // Notices: changes made outside Vantor, recorded by the database's triggers.
        OutsideUnsealed, // not sealed yet: Vantor seals them when it next writes
        OutsideSealed, // sealed later by Vantor
    };
    Kind kind;
    qint64 entry = 0; // the entry concerned, or the first of those missing
    qint64 lastEntry = 0; // the last of those missing
    QString record = {}; // MT or FitTest
    qint64 recordKey = 0;
    QString fdid = {};
    QString detail = {}; // who sealed an entry late, or the latest entry's number

    bool isFailure() const { return kind < Kind::OutsideUnsealed; }
};

struct Verification {
    qint64 entries = 0;
    qint64 records = 0;
    // The first findings of each kind, in the order they were found, and how many there were.
    QList<Finding> findings;
    QMap<Finding::Kind, qint64> counts;

    bool isWhole() const;
    void add(Finding finding);
};

// Checks the history of the records `connection` reaches: reads every entry once, in order, and
// every record once. Changes nothing.
StoreError verifyHistory(Connection& connection, Verification& result);

// The findings as the command prints them, at most `perKind` of each kind, and the verdict.
QStringList describeVerification(const Verification& result, const QString& where, int perKind = 20);

} // namespace vantor::history
