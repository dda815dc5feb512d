#pragma once

#include <QString>
#include <QStringList>

namespace vantor::bench {

// The search of the records window, with the FDID bound to its one parameter.
inline const QString SearchQuery = QStringLiteral("SELECT * FROM MT WHERE ID =?");

// The five untested-personnel lists of the query window, by list position.
inline QStringList untestedQueries()
{
    return {
        QStringLiteral("Select * from MT WHERE Unit ='1' And ([Special] <> 'T' or [Special] Is Null) And "
                       "([Year] <> Year(Now) or [Year] Is Null)  ORDER BY Batt, Assign"),
        QStringLiteral("Select * from MT WHERE Unit ='2' And ([Special] <> 'T' or [Special] Is Null) And "
                       "([Year] <> Year(Now) or [Year] Is Null) ORDER BY Batt, Assign"),
        QStringLiteral("Select * from MT WHERE Unit ='3' And ([Special] <> 'T' or [Special] Is Null) And "
                       "([Year] <> Year(Now) or [Year] Is Null) ORDER BY Batt, Assign"),
        QStringLiteral("Select * from MT WHERE Unit ='0' And ([Special] <> 'T' or [Special] Is Null) And "
                       "([Year] <> Year(Now) or [Year] Is Null) ORDER BY Assign"),
        QStringLiteral("Select * from MT WHERE [Special] ='T' And ([Year] <> Year(Now) or [Year] Is Null) "
                       "ORDER BY AssignTo"),
    };
}

inline QStringList untestedListNames()
{
    return {QStringLiteral("1 Unit"), QStringLiteral("2 Unit"), QStringLiteral("3 Unit"), QStringLiteral("40 Hrs."),
            QStringLiteral("Special Assignment")};
}

} // namespace vantor::bench
