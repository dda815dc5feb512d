#pragma once

#include "connection.h"
#include "fittests.h"
#include "recordset.h"
#include "recordslocation.h"

#include <memory>

namespace vantor::fittests {

// A member as the fit-test windows name it.
struct Member {
    qint64 key = 0; // MT's hidden row key
    QString id;
    QString last;
    QString first;
    QString init;
    QString rank;
    // Last Date Tested, as typed in the records window.
    QString month;
    QString day;
    QString year;

    std::optional<QDate> lastDateTested() const { return fittests::lastDateTested(month, day, year); }
    // "SMITH, JOHN A"
    QString name() const;
};

// What becomes of a test's recording when the test is saved.
struct RecordingChange {
    enum class Kind { Keep, Replace, Remove };
    Kind kind = Kind::Keep;
    QString name;
    QString type;
    QByteArray bytes;
};

// One member's fit tests as the Fit Tests window reads and writes them, on a connection of
// its own. Every save is one transaction with whatever it changes of the member, and every
// change of a test is checked against the test as it was read: another station's change in
// between is a conflict, never overwritten unseen.
class MemberFitTests
{
public:
    MemberFitTests();
    ~MemberFitTests();
    MemberFitTests(const MemberFitTests&) = delete;
    MemberFitTests& operator=(const MemberFitTests&) = delete;

    // Opens the member whose hidden row key in MT is `memberKey`, and its tests. Records
    // file of an earlier version gain the tables for them first; a server's that lack them
    // are refused with the command that adds them.
    StoreError open(const RecordsLocation& location, qint64 memberKey);
    void close();

    const Member& member() const { return m_member; }
    // Newest first; tests whose copy of the FDID is not the member's are left out.
    const QList<FitTest>& tests() const { return m_tests; }
    // Tests on the member's row that carry another member's FDID: the row keys of the file
    // were renumbered under them (a file rebuilt without its row numbers).
    qsizetype strayTests() const { return m_stray; }

    // Reads the member and the tests again, as they are stored now.
    StoreError reload();

    // Stores `test` (a new one where its key is 0, whose key it then receives), with the
    // recording change. A passed test dated after the member's Last Date Tested sets that
    // date, in the same transaction; `dateSet` tells whether it did.
    StoreError save(FitTest& test, const RecordingChange& recording, bool* dateSet = nullptr);
    StoreError remove(qint64 testKey);
    // The bytes of a test's recording, read only when asked for.
    StoreError readRecording(qint64 testKey, QByteArray& bytes);

private:
    StoreError openTests();
    StoreError readMember(Member& member);
    StoreError moveTo(qint64 testKey);
    StoreError writeFields(const FitTest& test, const RecordingChange& recording, const Member& member);
    StoreError storeRecording(qint64 testKey, const RecordingChange& recording);
    StoreError followLastDate(const FitTest& test, Member& member, bool& dateSet);
    void readTests();

    RecordsLocation m_location;
    std::unique_ptr<Connection> m_connection;
    RecordSet m_records;
    Member m_member;
    QList<FitTest> m_tests;
    qsizetype m_stray = 0;
};

} // namespace vantor::fittests
