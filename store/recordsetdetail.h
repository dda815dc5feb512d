#pragma once

// What both halves of RecordSet (its reads and its writes) report and store alike.

#include "storeerror.h"

#include <QVariant>

namespace vantor::recordsetdetail {

inline StoreError noCurrentRecord()
{
    return StoreError::make(NoCurrentRecord,
                            QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                                           "Requested operation requires a current record."));
}

// `field` is the name or the position the caller asked for.
inline StoreError fieldNotFound(const QVariant& field)
{
    return StoreError::make(FieldNotFound,
                            QStringLiteral("Item cannot be found in the collection corresponding to the "
                                           "requested name or ordinal (%1).")
                                .arg(field.toString()));
}

// What the store writes for a value: a null QString (an empty text box) is the empty
// string, never a null; only an invalid QVariant is a null.
inline QVariant storable(const QVariant& value)
{
    if (value.typeId() == QMetaType::QString && value.toString().isNull())
        return QVariant(QStringLiteral(""));
    return value;
}

} // namespace vantor::recordsetdetail
