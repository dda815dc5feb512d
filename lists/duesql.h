#pragma once

#include <QString>

// The list of members due for a fit test. One statement on both engines: for every member
// of the group, the latest passed test (the FitTest_Member index finds it per member), kept
// where it passed on or before the bound date, or where there is none; the rest of the rule
// (Last Date Tested, twelve months) is worked out on the few rows it returns. %1 is MT's
// hidden row key, the first column. A test whose copy of the FDID is not its member's counts for no one: its
// member's key was renumbered under it.
namespace vantor::duesql {

inline const QString DueMembers = QStringLiteral(
    R"(SELECT m.%1, m."ID", m."Last", m."First", m."Rank", m."Batt", m."Unit", m."Assign", m."AssignTo", )"
    R"(m."Month", m."Day", m."Year", t."TestDate", t."Make", t."Model", t."Style", t."Size", )"
    R"(CASE WHEN t."row_key" IS NULL THEN (SELECT count(*) FROM "FitTest" f WHERE f."Member" = m.%1 )"
    R"(AND COALESCE(f."MemberID", '') = COALESCE(m."ID", '')) ELSE 1 END )"
    R"(FROM "MT" m LEFT JOIN "FitTest" t ON t."row_key" = (SELECT p."row_key" FROM "FitTest" p )"
    R"(WHERE p."Member" = m.%1 AND p."Passed" = 1 AND COALESCE(p."MemberID", '') = COALESCE(m."ID", '') )"
    R"(ORDER BY p."TestDate" DESC, p."row_key" DESC LIMIT 1) )"
    R"(WHERE (t."row_key" IS NULL OR t."TestDate" <= ?))");

// The groups, as the query window's lists make them: the unit and battalion lists leave out
// the members on special assignment, whose list is their own. Each adds one bound value.
inline const QString InUnit
    = QStringLiteral(R"( AND m."Unit" = ? AND (m."Special" IS NULL OR upper(m."Special") <> ?))");
inline const QString InBattalion
    = QStringLiteral(R"( AND m."Batt" = ? AND (m."Special" IS NULL OR upper(m."Special") <> ?))");
inline const QString OnSpecialAssignment = QStringLiteral(R"( AND upper(m."Special") = ?)");

// Last: the members with a passed test in the order they fall due (the longest overdue first),
// which the database sorts for the list; the few others are placed among them after.
inline const QString ByLastPass = QStringLiteral(R"( ORDER BY t."TestDate", COALESCE(m."ID", ''))");

} // namespace vantor::duesql
