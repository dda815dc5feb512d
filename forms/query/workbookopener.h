#pragma once

#include <QString>

namespace vantor {

// Starts the desktop's workbook program on `file`, as a new document where it can; false where
// there is none or it could not be started. Does not wait for the program.
bool openWorkbookOnDesktop(const QString& file);

} // namespace vantor
