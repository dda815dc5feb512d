#pragma once

#include <mainsql.h>
#include <querysql.h>

#include <QString>
#include <QStringList>

namespace vantor::bench {

// The texts the windows send, taken from the windows themselves.
inline const QString& SearchQuery = mainsql::SearchById;

// The five untested-personnel lists of the query window, by list position.
inline QStringList untestedQueries()
{
    QStringList texts;
    for (int position = 0; position < querysql::EntryCount; ++position)
        texts << querysql::forPosition(position);
    return texts;
}

inline QStringList untestedListNames()
{
    return querysql::entries();
}

} // namespace vantor::bench
