#include "duelist.h"

#include "duesql.h"
#include "querysql.h"

#include <fittests.h>
#include <schema.h>

#include <QCoreApplication>

#include <textrows.h>

#include <algorithm>

namespace vantor::due {

namespace {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(vantor::due)
};

const QString SpecialMark = QStringLiteral("T");
// The statement's columns after the member's key.
constexpr int DueColumns = 17;

QString text(const QVariant& value)
{
    return value.isValid() ? value.toString() : QString();
}

} // namespace

// The SQL text and its values for `group`, with the latest pass that is due by `horizon`.
std::pair<QString, QVariantList> dueStatement(const Group& group, const QDate& horizon, const QString& rowKey)
{
    QString sql = duesql::DueMembers.arg(rowKey);
    QVariantList values{fittests::lastPassDueBy(horizon).toString(Qt::ISODate)};
    switch (group.kind) {
    case Group::Kind::All: break;
    case Group::Kind::Unit:
        sql += duesql::InUnit;
        values << group.value << SpecialMark;
        break;
    case Group::Kind::Battalion:
        sql += duesql::InBattalion;
        values << group.value << SpecialMark;
        break;
    case Group::Kind::Special:
        sql += duesql::OnSpecialAssignment;
        values << SpecialMark;
        break;
    }
    return {sql + duesql::ByLastPass, values};
}

namespace {

// "2026-03-07", as both engines give a date: read without the general parser, a row at a time.
QDate isoDate(const QString& text)
{
    if (text.size() < 10 || text.at(4) != u'-' || text.at(7) != u'-')
        return {};
    return QDate(QStringView(text).left(4).toInt(), QStringView(text).mid(5, 2).toInt(),
                 QStringView(text).mid(8, 2).toInt());
}

DueMember memberFrom(const TextRows& rows, qsizetype r)
{
    const auto value = [&rows, r](int column) {
        return text(rows.value(r, column));
    };
    DueMember m;
    m.id = value(0);
    m.last = value(1);
    m.first = value(2);
    m.rank = value(3);
    m.batt = value(4);
    m.unit = value(5);
    m.assign = value(6);
    m.assignTo = value(7);
    const QDate passed = isoDate(value(11));
    if (passed.isValid()) {
        m.basis = DueMember::Basis::FitTest;
        m.lastPass = passed;
        for (int column = 12; column <= 15; ++column) {
            const QString part = value(column).trimmed();
            if (!part.isEmpty())
                m.facepiece += (m.facepiece.isEmpty() ? QString() : QStringLiteral(" ")) + part;
        }
    } else if (const auto typed = fittests::lastDateTested(value(8), value(9), value(10))) {
        m.basis = DueMember::Basis::LastDateTested;
        m.lastPass = *typed;
    }
    m.hasTests = m.basis == DueMember::Basis::FitTest || value(16).toLongLong() > 0;
    if (m.lastPass.isValid())
        m.due = fittests::dueAfter(m.lastPass);
    return m;
}

} // namespace

QString Group::name() const
{
    switch (kind) {
    case Kind::All: return Text::tr("All members");
    case Kind::Unit: {
        static const QStringList units{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                       QStringLiteral("0")};
        return querysql::entries().value(units.indexOf(value));
    }
    case Kind::Battalion: return Text::tr("Battalion %1").arg(value);
    case Kind::Special: return querysql::entries().value(4);
    }
    return {};
}

QList<Group> groups()
{
    QList<Group> all{{Group::Kind::All, {}}};
    for (const char* unit : {"1", "2", "3", "0"})
        all << Group{Group::Kind::Unit, QString::fromLatin1(unit)};
    all << Group{Group::Kind::Special, {}};
    for (int battalion = 1; battalion <= 7; ++battalion)
        all << Group{Group::Kind::Battalion, QString::number(battalion)};
    return all;
}

std::optional<Group> groupFromText(const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t == u"all")
        return Group{Group::Kind::All, {}};
    if (t == u"special")
        return Group{Group::Kind::Special, {}};
    if (t == u"1" || t == u"2" || t == u"3")
        return Group{Group::Kind::Unit, t};
    if (t == u"40")
        return Group{Group::Kind::Unit, QStringLiteral("0")};
    if (t.size() == 5 && t.startsWith(u"batt") && t.at(4) >= u'1' && t.at(4) <= u'7')
        return Group{Group::Kind::Battalion, t.right(1)};
    return std::nullopt;
}

QString DueMember::status(const QDate& today) const
{
    if (!due.isValid())
        return hasTests ? Text::tr("No passed test on record") : Text::tr("No test on record");
    const qint64 days = daysLeft(today);
    if (days < 0)
        return days == -1 ? Text::tr("Overdue 1 day") : Text::tr("Overdue %1 days").arg(-days);
    if (days == 0)
        return Text::tr("Due today");
    return days == 1 ? Text::tr("Due in 1 day") : Text::tr("Due in %1 days").arg(days);
}

DueList dueList(Connection& connection, const Group& group, int withinDays, const QDate& today)
{
    DueList list;
    list.today = today;
    list.withinDays = withinDays;
    list.horizon = today.addDays(withinDays);
    list.groupName = group.name();
    const auto [sql, values] = dueStatement(group, list.horizon, connection.engine()->rowKeyColumn());
    // Read as the record sets read a whole list: the texts in one block, a QVariant only for
    // the value asked for. A list of tens of thousands of members costs its text, not a
    // QVariant a value.
    TextRows rows(DueColumns);
    if ((list.error = connection.readTextRows(sql, values, rows)))
        return list;
    list.rowsRead = rows.rowCount();
    // No test on record first, as due now; then the longest overdue: by the date the due date
    // runs from, which orders as the due date does, and by FDID.
    const auto before = [](const DueMember& a, const DueMember& b) {
        if (a.lastPass.isValid() != b.lastPass.isValid())
            return !a.lastPass.isValid();
        if (a.lastPass != b.lastPass)
            return a.lastPass < b.lastPass;
        return a.id < b.id;
    };
    QList<DueMember> tested, others;
    tested.reserve(rows.rowCount());
    for (qsizetype r = 0; r < rows.rowCount(); ++r) {
        DueMember member = memberFrom(rows, r);
        if (member.due.isValid() && member.due > list.horizon)
            continue;
        // The database has put the members with a passed test in order already.
        (member.basis == DueMember::Basis::FitTest ? tested : others) << std::move(member);
    }
    std::stable_sort(others.begin(), others.end(), before);
    list.members.reserve(tested.size() + others.size());
    std::merge(std::make_move_iterator(others.begin()), std::make_move_iterator(others.end()),
               std::make_move_iterator(tested.begin()), std::make_move_iterator(tested.end()),
               std::back_inserter(list.members), before);
    return list;
}

DueList runDueList(const RecordsLocation& location, const Group& group, int withinDays, const QDate& today)
{
    Connection connection;
    DueList list;
    list.error = connection.open(location.connectionString());
    if (list.error)
        return list;
    list = dueList(connection, group, withinDays, today);
    // The catalogue is asked only when the list cannot be made: records of an earlier version,
    // which a file gains now and a server's owner must add, are the likely reason.
    if (list.error) {
        if (StoreError missing = schema::requireFitTests(connection, location)) {
            list.error = missing;
            return list;
        }
        list = dueList(connection, group, withinDays, today);
    }
    return list;
}

QString dueTitle(const DueList& list)
{
    return Text::tr("Fit tests due by %1 \u2014 %2").arg(fittests::shownDate(list.horizon), list.groupName);
}

QStringList dueHeadings()
{
    return {Text::tr("FDID"), Text::tr("Last"),       Text::tr("First"),      Text::tr("Rank"), Text::tr("Batt"),
            Text::tr("Unit"), Text::tr("Assignment"), Text::tr("Status"),     Text::tr("Due"),  Text::tr("Last Fit"),
            Text::tr("From"), Text::tr("Facepiece"),  Text::tr("Assigned To")};
}

QStringList dueValues(const DueMember& member, const QDate& today)
{
    QString basis;
    switch (member.basis) {
    case DueMember::Basis::FitTest: basis = Text::tr("Fit test"); break;
    case DueMember::Basis::LastDateTested: basis = Text::tr("Last Date Tested"); break;
    case DueMember::Basis::None: break;
    }
    return {member.id,
            member.last,
            member.first,
            member.rank,
            member.batt,
            member.unit,
            member.assign,
            member.status(today),
            member.due.isValid() ? fittests::shownDate(member.due) : Text::tr("Now"),
            fittests::shownDate(member.lastPass),
            basis,
            member.facepiece,
            member.assignTo};
}

} // namespace vantor::due
