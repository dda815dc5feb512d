#pragma once

#include <storeerror.h>

#include <QList>
#include <QString>
#include <QVariant>

namespace vantor::legacy {

// One row of table MT: the fourteen values in the order of masktest::fieldNames(); a null
// is an invalid QVariant, every other value a QString (an empty one included).
using JetRow = QList<QVariant>;

// Reads every row of table MT from an Access (Jet) file, in the file's order. Other tables
// are not looked at. Fails when the file is not an Access file, holds no table MT, or cannot
// be read completely and exactly: a half-read table, or a value that would come out altered,
// is never handed out.
StoreError readMaskTestTable(const QString& path, QList<JetRow>& rows);

} // namespace vantor::legacy
