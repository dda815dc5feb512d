#pragma once

#include <QString>

namespace vantor::mainsql {

// The records window's start-up query: every record, in FDID order.
inline const QString StartupQuery = QStringLiteral("SELECT * FROM MT ORDER BY ID ASC");

} // namespace vantor::mainsql
