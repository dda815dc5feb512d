#include "memberfittests.h"

#include "history.h"
#include "masktest.h"
#include "schema.h"

namespace vantor::fittests {

namespace {

// The member as the window names it; %1 is MT's hidden row key, which no field holds.
const QString ReadMember
    = QStringLiteral(R"(SELECT "ID", "Last", "First", "Init", "Rank", "Month", "Day", "Year" FROM "MT" WHERE %1 = ?)");
// The member's record, for the date a passed test sets: a record set, whose write is checked
// against what it read.
const QString MemberRecord = QStringLiteral("SELECT * FROM MT WHERE %1 = ?");
const QString MemberTests
    = QStringLiteral(R"(SELECT * FROM "FitTest" WHERE "Member" = ? ORDER BY "TestDate" DESC, "row_key" DESC)");
const QString RemoveRecording = QStringLiteral(R"(DELETE FROM "FitTestRecording" WHERE "FitTest" = ?)");
const QString AddRecording = QStringLiteral(R"(INSERT INTO "FitTestRecording" ("FitTest", "Bytes") VALUES (?, ?))");
const QString ReadRecording = QStringLiteral(R"(SELECT "Bytes" FROM "FitTestRecording" WHERE "FitTest" = ?)");

StoreError memberGone()
{
    return StoreError::make(RowConflict,
                            Text::tr("The member's record is no longer in the records: it was deleted, "
                                     "at this station or another one."));
}

QString text(const QVariant& value)
{
    return value.isValid() ? value.toString() : QString();
}

// A text the clerk left empty is stored as no value.
QVariant optional(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

} // namespace

QString Member::name() const
{
    QString name = last.trimmed();
    if (!first.trimmed().isEmpty())
        name += QStringLiteral(", ") + first.trimmed();
    if (!init.trimmed().isEmpty())
        name += u' ' + init.trimmed();
    return name;
}

MemberFitTests::MemberFitTests() = default;

MemberFitTests::~MemberFitTests()
{
    close();
}

void MemberFitTests::close()
{
    m_records.close();
    m_connection.reset();
    m_tests.clear();
}

StoreError MemberFitTests::open(const RecordsLocation& location, qint64 memberKey)
{
    close();
    m_location = location;
    m_member = Member{};
    m_member.key = memberKey;
    auto connection = std::make_unique<Connection>();
    if (StoreError error = connection->open(location.connectionString()))
        return error;
    m_connection = std::move(connection);
    return reload();
}

StoreError MemberFitTests::reload()
{
    if (!m_connection)
        return StoreError::closed();
    Member member = m_member;
    if (StoreError error = readMember(member))
        return error;
    m_member = member;
    StoreError error = openTests();
    // The catalogue is asked only when the tests cannot be read: records of an earlier
    // version, which a file gains now and a server's owner must add.
    if (error.number == TableNotFound) {
        if (StoreError missing = schema::requireFitTests(*m_connection, m_location))
            return missing;
        error = openTests();
    }
    if (!error)
        readTests();
    return error;
}

StoreError MemberFitTests::readMember(Member& member)
{
    QList<QVariantList> rows;
    if (StoreError error
        = m_connection->query(ReadMember.arg(m_connection->engine()->rowKeyColumn()), {member.key}, rows))
        return error;
    if (rows.isEmpty())
        return memberGone();
    const QVariantList& r = rows.first();
    member.id = text(r.value(0));
    member.last = text(r.value(1));
    member.first = text(r.value(2));
    member.init = text(r.value(3));
    member.rank = text(r.value(4));
    member.month = text(r.value(5));
    member.day = text(r.value(6));
    member.year = text(r.value(7));
    return {};
}

StoreError MemberFitTests::openTests()
{
    return m_records.open(MemberTests, *m_connection, {m_member.key}, Reading::AllAtOnce);
}

void MemberFitTests::readTests()
{
    m_tests.clear();
    m_stray = 0;
    const auto field = [this](qsizetype row, const QString& name) {
        return text(m_records.valueAt(row, m_records.fieldIndex(name)));
    };
    for (qsizetype row = 0; row < m_records.keysetSize(); ++row) {
        if (field(row, column::MemberId) != m_member.id) {
            ++m_stray;
            continue;
        }
        FitTest test;
        test.key = m_records.keyAt(row);
        test.date = QDate::fromString(field(row, column::TestDate).left(10), Qt::ISODate);
        test.type = typeFromCode(field(row, column::TestType)).value_or(TestType::Quantitative);
        test.protocol = field(row, column::Protocol);
        test.protocolOther = field(row, column::ProtocolOther);
        test.make = field(row, column::Make);
        test.model = field(row, column::Model);
        test.style = field(row, column::Style);
        test.size = field(row, column::Size);
        test.facepiece = facepieceFromCode(field(row, column::Facepiece)).value_or(Facepiece::Full);
        bool ok = false;
        const double fitFactor = field(row, column::FitFactor).toDouble(&ok);
        if (ok)
            test.fitFactor = fitFactor;
        test.passed = field(row, column::Passed).toDouble() != 0;
        test.tester = field(row, column::Tester);
        test.note = field(row, column::Note);
        test.recordingName = field(row, column::RecordingName);
        test.recordingType = field(row, column::RecordingType);
        test.recordingSize = field(row, column::RecordingSize).toLongLong();
        m_tests << test;
    }
}

StoreError MemberFitTests::moveTo(qint64 testKey)
{
    for (StoreError error = m_records.moveFirst(); !m_records.eof(); error = m_records.moveNext()) {
        if (error)
            return error;
        if (m_records.currentKey() == testKey)
            return {};
    }
    return StoreError::make(RowConflict, Text::tr("The fit test is no longer in the list."));
}

StoreError MemberFitTests::writeFields(const FitTest& test, const RecordingChange& recording, const Member& member)
{
    namespace c = column;
    using Value = std::pair<QString, QVariant>;
    const bool quantitative = test.type == TestType::Quantitative && test.fitFactor;
    QList<Value> values{
        {c::TestDate, test.date.toString(Qt::ISODate)},
        {c::TestType, typeCode(test.type)},
        {c::Protocol, test.protocol},
        {c::ProtocolOther, test.protocol == OtherProtocol ? optional(test.protocolOther) : QVariant()},
        {c::Make, test.make},
        {c::Model, test.model},
        {c::Style, test.style},
        {c::Size, test.size},
        {c::Facepiece, facepieceCode(test.facepiece)},
        {c::FitFactor, quantitative ? QVariant(*test.fitFactor) : QVariant()},
        {c::Passed, test.passed ? 1 : 0},
        {c::Tester, test.tester},
        {c::Note, optional(test.note)},
    };
    if (test.key == 0) {
        values << Value{c::Member, QVariant(member.key)};
        values << Value{c::MemberId, optional(member.id)};
    }
    if (recording.kind == RecordingChange::Kind::Replace) {
        values << Value{c::RecordingName, QVariant(recording.name)};
        values << Value{c::RecordingType, QVariant(recording.type)};
        values << Value{c::RecordingSize, QVariant(qint64(recording.bytes.size()))};
    } else if (recording.kind == RecordingChange::Kind::Remove || test.key == 0) {
        values << Value{c::RecordingName, QVariant()} << Value{c::RecordingType, QVariant()}
               << Value{c::RecordingSize, QVariant()};
    }
    for (const auto& [name, value] : values) {
        if (StoreError error = m_records.setValue(name, value))
            return error;
    }
    return {};
}

StoreError MemberFitTests::storeRecording(qint64 testKey, const RecordingChange& recording)
{
    if (recording.kind == RecordingChange::Kind::Keep)
        return {};
    if (StoreError error = m_connection->execute(RemoveRecording, {testKey}))
        return error;
    if (recording.kind == RecordingChange::Kind::Remove)
        return {};
    return m_connection->execute(AddRecording, {testKey, recording.bytes});
}

// Sets the member's Last Date Tested to a passed test's date where the test is the later:
// as the clerk would have typed it, so that the untested lists follow the fit tests.
StoreError MemberFitTests::followLastDate(const FitTest& test, Member& member, bool& dateSet)
{
    dateSet = false;
    RecordSet record;
    if (StoreError error = record.open(MemberRecord.arg(m_connection->engine()->rowKeyColumn()), *m_connection,
                                       {member.key}, Reading::AllAtOnce))
        return error;
    if (record.eof())
        return memberGone();
    member.id = text(record.value(QStringLiteral("ID")));
    member.month = text(record.value(QStringLiteral("Month")));
    member.day = text(record.value(QStringLiteral("Day")));
    member.year = text(record.value(QStringLiteral("Year")));
    const std::optional<QDate> last = member.lastDateTested();
    if (!test.passed || (last && test.date <= *last))
        return {};
    const TypedDate typed = typedDate(test.date);
    for (const auto& [name, value] :
         {std::pair{QStringLiteral("Month"), typed.month}, std::pair{QStringLiteral("Day"), typed.day},
          std::pair{QStringLiteral("Year"), typed.year}}) {
        if (StoreError error = record.setValue(name, value))
            return error;
    }
    if (StoreError error = record.update())
        return error;
    member.month = typed.month;
    member.day = typed.day;
    member.year = typed.year;
    dateSet = true;
    return {};
}

StoreError MemberFitTests::save(FitTest& test, const RecordingChange& recording, bool* dateSet)
{
    if (!m_connection)
        return StoreError::closed();
    Member member = m_member;
    bool setDate = false;
    qint64 key = test.key;
    StoreError error = history::recordChanges(*m_connection, [&]() -> StoreError {
        // The member first: it is read in the transaction, so that its FDID and date are
        // those stored now, and a member deleted meanwhile takes no test.
        if (StoreError e = followLastDate(test, member, setDate))
            return e;
        m_records.cancelUpdate();
        if (StoreError e = test.key == 0 ? m_records.addNew() : moveTo(test.key))
            return e;
        if (StoreError e = writeFields(test, recording, member))
            return e;
        if (StoreError e = m_records.update())
            return e;
        key = m_records.currentKey();
        return storeRecording(key, recording);
    });
    // What the record set holds of a write that was taken back is read afresh.
    if (error) {
        reload();
        return error;
    }
    test.key = key;
    m_member = member;
    if (dateSet)
        *dateSet = setDate;
    return reload();
}

StoreError MemberFitTests::remove(qint64 testKey)
{
    if (!m_connection)
        return StoreError::closed();
    StoreError error = moveTo(testKey);
    // Its recording goes with it, by the database.
    if (!error)
        error = m_records.deleteCurrent();
    const StoreError reloaded = reload();
    return error ? error : reloaded;
}

StoreError MemberFitTests::readRecording(qint64 testKey, QByteArray& bytes)
{
    if (!m_connection)
        return StoreError::closed();
    QList<QVariantList> rows;
    if (StoreError error = m_connection->query(ReadRecording, {testKey}, rows))
        return error;
    if (rows.isEmpty())
        return StoreError::make(RowConflict,
                                Text::tr("The recording is no longer in the records: it was removed, "
                                         "at this station or another one."));
    bytes = rows.first().value(0).toByteArray();
    return {};
}

} // namespace vantor::fittests
