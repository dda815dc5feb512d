#pragma once

#include <QString>

namespace vantor::mainsql {

// The records window's start-up query: every record, in FDID order.
inline const QString StartupQuery = QStringLiteral("SELECT * FROM MT ORDER BY ID ASC");

// Search: every record in the store's own order when no FDID was given; otherwise the
// records whose ID equals the answer, which is bound as a value, so that a quote or any
// other SQL character in it is just a character of the FDID.
inline const QString SearchAll = QStringLiteral("SELECT * FROM MT");
inline const QString SearchById = QStringLiteral("SELECT * FROM MT WHERE ID =?");

} // namespace vantor::mainsql
