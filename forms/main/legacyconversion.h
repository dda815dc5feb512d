#pragma once

#include <QString>

class QWidget;

namespace vantor {

class DialogService;

// When the records file at `path` is still in the old Access format, asks whether to convert
// it in place, keeping the original beside it. True when the file is ready for the store
// (converted, or never an Access file); false when the user declined or the conversion
// failed, in which case the user has been told and the file is as it was.
bool offerLegacyConversion(DialogService& dialogs, QWidget* parent, const QString& path);

} // namespace vantor
