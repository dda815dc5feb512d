#include "historylist.h"

#include <fittests.h>
#include <history.h>
#include <masktest.h>
#include <memberfittests.h>
#include <schema.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTimeZone>

namespace vantor::history {

namespace {

const QString EntryColumns = QStringLiteral(R"("row_key", "At", "Who", "Record", "RecordKey", "Member", "FDID", )"
                                            R"("Action", "Before", "After", "Note", "Sealed", "Hash")");
const QString MemberEntries
    = QStringLiteral(R"(SELECT %1 FROM "History" WHERE "Member" = ? ORDER BY "row_key" DESC)").arg(EntryColumns);
const QString EntriesAfter
    = QStringLiteral(R"(SELECT %1 FROM "History" WHERE "row_key" > ? ORDER BY "row_key" LIMIT %2)").arg(EntryColumns);
const QString EntriesSince
    = QStringLiteral(R"(SELECT %1 FROM "History" WHERE "row_key" > ? AND "At" >= ? ORDER BY "row_key" LIMIT %2)")
          .arg(EntryColumns);

// %1 is MT's hidden row key.
const QString ReadMember = QStringLiteral(R"(SELECT "ID", "Last", "First", "Init" FROM "MT" WHERE %1 = ?)");

Entry entryOf(const QVariantList& row)
{
    Entry entry;
    entry.number = row.value(0).toLongLong();
    entry.at = row.value(1).toString();
    entry.who = row.value(2).toString();
    entry.record = row.value(3).toString();
    entry.recordKey = row.value(4).toLongLong();
    entry.member = row.value(5).toLongLong();
    entry.fdid = row.value(6).toString();
    entry.action = row.value(7).toString();
    entry.before = row.value(8).toString();
    entry.after = row.value(9).toString();
    entry.note = row.value(10).toString();
    entry.sealed = row.value(11).toString();
    entry.hashed = row.value(12).isValid();
    return entry;
}

// The fields as the windows label them.
QString fieldLabel(const QString& field)
{
    static const QHash<QString, const char*> labels{
        {QStringLiteral("ID"), QT_TRANSLATE_NOOP("vantor::history", "FDID")},
        {QStringLiteral("Last"), QT_TRANSLATE_NOOP("vantor::history", "Last Name")},
        {QStringLiteral("First"), QT_TRANSLATE_NOOP("vantor::history", "First Name")},
        {QStringLiteral("Init"), QT_TRANSLATE_NOOP("vantor::history", "M.I.")},
        {QStringLiteral("Rank"), QT_TRANSLATE_NOOP("vantor::history", "Rank")},
        {QStringLiteral("Kelly"), QT_TRANSLATE_NOOP("vantor::history", "Kelly Day")},
        {QStringLiteral("Batt"), QT_TRANSLATE_NOOP("vantor::history", "Battalion")},
        {QStringLiteral("Unit"), QT_TRANSLATE_NOOP("vantor::history", "Unit")},
        {QStringLiteral("Assign"), QT_TRANSLATE_NOOP("vantor::history", "Assignment")},
        {QStringLiteral("Month"), QT_TRANSLATE_NOOP("vantor::history", "Month Tested")},
        {QStringLiteral("Day"), QT_TRANSLATE_NOOP("vantor::history", "Day Tested")},
        {QStringLiteral("Year"), QT_TRANSLATE_NOOP("vantor::history", "Year Tested")},
        {QStringLiteral("Special"), QT_TRANSLATE_NOOP("vantor::history", "Special Assignment")},
        {QStringLiteral("AssignTo"), QT_TRANSLATE_NOOP("vantor::history", "Assigned To")},
        {QStringLiteral("Member"), QT_TRANSLATE_NOOP("vantor::history", "Member's Record")},
        {QStringLiteral("MemberID"), QT_TRANSLATE_NOOP("vantor::history", "Member's FDID")},
        {QStringLiteral("TestDate"), QT_TRANSLATE_NOOP("vantor::history", "Test Date")},
        {QStringLiteral("TestType"), QT_TRANSLATE_NOOP("vantor::history", "Type")},
        {QStringLiteral("Protocol"), QT_TRANSLATE_NOOP("vantor::history", "Protocol")},
        {QStringLiteral("ProtocolOther"), QT_TRANSLATE_NOOP("vantor::history", "Other Protocol")},
        {QStringLiteral("Make"), QT_TRANSLATE_NOOP("vantor::history", "Make")},
        {QStringLiteral("Model"), QT_TRANSLATE_NOOP("vantor::history", "Model")},
        {QStringLiteral("Style"), QT_TRANSLATE_NOOP("vantor::history", "Style")},
        {QStringLiteral("Size"), QT_TRANSLATE_NOOP("vantor::history", "Size")},
        {QStringLiteral("FacepieceClass"), QT_TRANSLATE_NOOP("vantor::history", "Facepiece")},
        {QStringLiteral("FitFactor"), QT_TRANSLATE_NOOP("vantor::history", "Fit Factor")},
        {QStringLiteral("Passed"), QT_TRANSLATE_NOOP("vantor::history", "Result")},
        {QStringLiteral("Tester"), QT_TRANSLATE_NOOP("vantor::history", "Tested By")},
        {QStringLiteral("Note"), QT_TRANSLATE_NOOP("vantor::history", "Note")},
        {QStringLiteral("RecordingName"), QT_TRANSLATE_NOOP("vantor::history", "Recording")},
        {QStringLiteral("RecordingType"), QT_TRANSLATE_NOOP("vantor::history", "Recording Type")},
        {QStringLiteral("RecordingSize"), QT_TRANSLATE_NOOP("vantor::history", "Recording Size")},
    };
    const auto found = labels.constFind(field);
    return found == labels.cend() ? field : Text::tr(*found);
}

// A value as the windows show it: a fit test's codes by their names, a date as typed. A null
// stays a null QString.
QString shownValue(const QString& field, const QJsonValue& value)
{
    if (value.isNull() || value.isUndefined())
        return {};
    if (value.isArray()) // bytes a file held in a field: ["blob", "hex"]
        return Text::tr("(bytes %1)").arg(value.toArray().at(1).toString());
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (field == u"Passed")
            return number != 0 ? Text::tr("Pass") : Text::tr("Fail");
        if (field == u"FitFactor")
            return fittests::shownFitFactor(number);
        return QLocale::c().toString(number, 'g', 15);
    }
    const QString text = value.toString();
    if (field == u"TestDate") {
        const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
        return date.isValid() ? fittests::shownDate(date) : text;
    }
    if (field == u"TestType")
        return fittests::typeFromCode(text) ? fittests::typeName(*fittests::typeFromCode(text)) : text;
    if (field == u"FacepieceClass")
        return fittests::facepieceFromCode(text) ? fittests::facepieceName(*fittests::facepieceFromCode(text)) : text;
    if (field == u"Protocol") {
        const fittests::Protocol* protocol = fittests::protocolByCode(text);
        return protocol ? QCoreApplication::translate("vantor::fittests", protocol->name) : text;
    }
    return text;
}

QJsonObject objectOf(const QString& json)
{
    return QJsonDocument::fromJson(json.toUtf8()).object();
}

} // namespace

QList<FieldChange> changesOf(const Entry& entry)
{
    const QJsonObject before = objectOf(entry.before), after = objectOf(entry.after);
    const Audited* table = auditedTable(entry.record);
    QStringList fields = table ? table->columns : QStringList();
    // Fields of another version of the table, after the ones this one knows.
    for (const QJsonObject& object : {before, after}) {
        for (const QString& key : object.keys()) {
            if (!fields.contains(key))
                fields << key;
        }
    }
    QList<FieldChange> changes;
    for (const QString& field : std::as_const(fields)) {
        const QString was = shownValue(field, before.value(field)), is = shownValue(field, after.value(field));
        // An empty box saved over a field that held nothing stores "" for null: a change to the
        // database, none to the person reading, who would see "(blank) → (blank)".
        if (was == is)
            continue;
        changes << FieldChange{fieldLabel(field), was, is};
    }
    return changes;
}

QString describeChanges(const Entry& entry)
{
    QStringList parts;
    const bool both = !entry.before.isEmpty() && !entry.after.isEmpty();
    const auto shown = [](const QString& value) {
        return value.isEmpty() ? Text::tr("(blank)") : value;
    };
    for (const FieldChange& change : changesOf(entry)) {
        if (both)
            parts << Text::tr("%1: %2 \u2192 %3").arg(change.field, shown(change.before), shown(change.after));
        else
            parts << Text::tr("%1: %2").arg(change.field, shown(entry.after.isEmpty() ? change.before : change.after));
    }
    return parts.join(QStringLiteral("; "));
}

QString actionName(const QString& action)
{
    if (action == action::Add)
        return Text::tr("Added");
    if (action == action::Change)
        return Text::tr("Changed");
    if (action == action::Delete)
        return Text::tr("Deleted");
    if (action == action::Start)
        return Text::tr("History begins");
    if (action == action::Convert)
        return Text::tr("Converted");
    return action;
}

QDateTime entryTime(const Entry& entry)
{
    QDateTime time = QDateTime::fromString(entry.at, Qt::ISODateWithMs);
    time.setTimeZone(QTimeZone::utc());
    return time;
}

QString shownTime(const Entry& entry)
{
    const QDateTime time = entryTime(entry);
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("MM/dd/yyyy HH:mm:ss")) : entry.at;
}

QString shownWriter(const Entry& entry)
{
    return entry.who.isEmpty() ? Text::tr("(outside Vantor)") : entry.who;
}

QString recordName(const Entry& entry)
{
    if (entry.record == masktest::TableName)
        return Text::tr("Member's record");
    if (entry.record == fittests::TableName) {
        const QJsonObject test = objectOf(entry.after.isEmpty() ? entry.before : entry.after);
        const QString date = shownValue(fittests::column::TestDate, test.value(fittests::column::TestDate));
        return date.isEmpty() ? Text::tr("Fit test") : Text::tr("Fit test of %1").arg(date);
    }
    return entry.record;
}

StoreError readMemberHistory(Connection& connection, qint64 memberKey, QList<Entry>& entries)
{
    entries.clear();
    QList<QVariantList> rows;
    if (StoreError error = connection.query(MemberEntries, {memberKey}, rows))
        return error;
    for (const QVariantList& row : std::as_const(rows)) {
        entries << entryOf(row);
        const Entry& entry = entries.last();
        if (entry.record == masktest::TableName && entry.recordKey == memberKey && entry.action != action::Change
            && entry.action != action::Delete)
            break;
    }
    return {};
}

StoreError readHistoryPage(Connection& connection, qint64 after, int limit, const QString& since, QList<Entry>& entries)
{
    entries.clear();
    QList<QVariantList> rows;
    const StoreError error = since.isEmpty() ? connection.query(EntriesAfter.arg(limit), {after}, rows)
                                             : connection.query(EntriesSince.arg(limit), {after, since}, rows);
    for (const QVariantList& row : std::as_const(rows))
        entries << entryOf(row);
    return error;
}

MemberHistory openMemberHistory(const RecordsLocation& location, qint64 memberKey)
{
    MemberHistory history;
    Connection connection;
    history.error = connection.open(location.connectionString());
    if (!history.error)
        history.error = schema::requireHistory(connection, location);
    QList<QVariantList> rows;
    if (!history.error)
        history.error = connection.query(ReadMember.arg(connection.engine()->rowKeyColumn()), {memberKey}, rows);
    if (!history.error && rows.isEmpty())
        history.error = StoreError::make(RowConflict,
                                         Text::tr("The member's record is no longer in the records: it was deleted, "
                                                  "at this station or another one."));
    if (history.error)
        return history;
    fittests::Member member;
    member.id = rows.first().value(0).toString();
    member.last = rows.first().value(1).toString();
    member.first = rows.first().value(2).toString();
    member.init = rows.first().value(3).toString();
    history.fdid = member.id;
    history.name = member.name();
    history.error = readMemberHistory(connection, memberKey, history.entries);
    return history;
}

} // namespace vantor::history
