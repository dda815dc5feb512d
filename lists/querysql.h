#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// The untested-personnel queries of the query window, one per entry of its list, built from
// their fixed pieces. The closing pieces differ in their ORDER BY, and the first keeps the two
// blanks before ORDER BY that the department's printed lists have always been run with.
namespace vantor::querysql {

inline const QString SelectAll = QStringLiteral("Select * from MT");
inline const QString WhereUnit = QStringLiteral(" WHERE Unit ='");
inline const QString AndSpecialNot = QStringLiteral("' And ([Special] <> '");
inline const QString WhereSpecial = QStringLiteral(" WHERE [Special] ='");
inline const QString SpecialMark = QStringLiteral("T");

inline const QString UnitOneClose
    = QStringLiteral("' or [Special] Is Null) And ([Year] <> Year(Now) or [Year] Is Null)  ORDER BY Batt, Assign");
inline const QString UnitClose
    = QStringLiteral("' or [Special] Is Null) And ([Year] <> Year(Now) or [Year] Is Null) ORDER BY Batt, Assign");
inline const QString FortyHoursClose
    = QStringLiteral("' or [Special] Is Null) And ([Year] <> Year(Now) or [Year] Is Null) ORDER BY Assign");
inline const QString SpecialClose = QStringLiteral("' And ([Year] <> Year(Now) or [Year] Is Null) ORDER BY AssignTo");

inline constexpr int EntryCount = 5;

// The entries of lstBattalions; an entry's position selects its query. They are the lists'
// names, in the query window's context wherever they are shown.
inline constexpr const char* EntryTexts[EntryCount] = {
    QT_TRANSLATE_NOOP("vantor::frmQuery", "1 Unit"),
    QT_TRANSLATE_NOOP("vantor::frmQuery", "2 Unit"),
    QT_TRANSLATE_NOOP("vantor::frmQuery", "3 Unit"),
    QT_TRANSLATE_NOOP("vantor::frmQuery", "40 Hrs."),
    QT_TRANSLATE_NOOP("vantor::frmQuery", "Special Assignment"),
};

// The calendar year the lists compare with, by the store's own clock.
inline const QString StoreYear = QStringLiteral("SELECT Year(Now)");

// The entries as the user reads them.
inline QStringList entries()
{
    QStringList texts;
    for (const char* text : EntryTexts)
        texts << QCoreApplication::translate("vantor::frmQuery", text);
    return texts;
}

// The SQL text of the entry at `position`; empty for a position outside the list.
inline QString forPosition(int position)
{
    static const int units[] = {1, 2, 3, 0};
    switch (position) {
    case 0:
    case 1:
    case 2:
    case 3: {
        const QString& close = position == 0 ? UnitOneClose : position == 3 ? FortyHoursClose : UnitClose;
        return SelectAll + WhereUnit + QString::number(units[position]) + AndSpecialNot + SpecialMark + close;
    }
    case 4: return SelectAll + WhereSpecial + SpecialMark + SpecialClose;
    default: return {};
    }
}

} // namespace vantor::querysql
