#pragma once

#include <connection.h>
#include <recordslocation.h>

#include <QDate>
#include <QList>
#include <QString>

namespace vantor::due {

// A part of the department a due list is made for.
struct Group {
    enum class Kind { All, Unit, Battalion, Special };
    Kind kind = Kind::All;
    QString value; // the unit ("1", "0" for 40 hours) or the battalion
    QString name() const; // "All members", "1 Unit", "Battalion 3"
};
// All members, the query window's five lists, then the battalions 1 to 7.
QList<Group> groups();
// A group as the command line names it: all, 1, 2, 3, 40, special, batt1 to batt7.
std::optional<Group> groupFromText(const QString& text);

struct DueMember {
    // What the due date runs from.
    enum class Basis { FitTest, LastDateTested, None };
    QString id, last, first, rank, batt, unit, assign, assignTo;
    Basis basis = Basis::None;
    bool hasTests = false; // tests on record, none of them passed
    QDate lastPass; // the latest passed test, or the Last Date Tested; invalid for None
    QDate due; // twelve months after it; invalid: due now
    QString facepiece; // make, model, style and size of the latest passed test

    // Days until the due date, negative when overdue; 0 for a member due now.
    qint64 daysLeft(const QDate& today) const { return due.isValid() ? today.daysTo(due) : 0; }
    QString status(const QDate& today) const; // "Overdue 10 days", "Due in 5 days", "No test on record"
};

struct DueList {
    QDate today;
    int withinDays = 30;
    QDate horizon; // due by this day
    QString groupName;
    QList<DueMember> members; // no test on record first, then by due date
    qsizetype rowsRead = 0; // what the statement returned, before the rule ran on it
    StoreError error;
};

// Members who are overdue or due within `withinDays` of `today`: due twelve months after
// their last passed fit test; without one, after the Last Date Tested where Month, Day and
// Year make a date; with neither, now. One statement on an open connection whose records
// hold the fit tests.
DueList dueList(Connection& connection, const Group& group, int withinDays, const QDate& today);
// The statement and its values, as dueList() sends them: %1 filled, the `?` marks to bind.
std::pair<QString, QVariantList> dueStatement(const Group& group, const QDate& horizon, const QString& rowKey);
// The same on a connection of its own, the tables for fit tests required first.
DueList runDueList(const RecordsLocation& location, const Group& group, int withinDays, const QDate& today);

// The list's printed title: "Fit tests due by 01/30/2027 — All members".
QString dueTitle(const DueList& list);
// Column headings and the values of one member, in the order the window and the workbook show them.
QStringList dueHeadings();
QStringList dueValues(const DueMember& member, const QDate& today);

} // namespace vantor::due
