#pragma once

#include <QString>
#include <QStringList>

namespace vantor {

// The MIME type of an .xlsx workbook.
inline const QString WorkbookType = QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet");

// The program the desktop opens workbooks with: the user's choice or, without one, what the
// system's packages registered. An application whose program is not installed counts as none.
struct WorkbookProgram {
    QString desktopId; // "libreoffice-calc.desktop"; empty: there is none
    QString executable; // "libreoffice"
};
WorkbookProgram workbookProgram();

// How the program is started to show `file` as a new, untitled document made from it, so that
// saving asks for a name instead of writing over a temporary file; empty where it offers no way.
QStringList newDocumentCommand(const WorkbookProgram& program, const QString& file);

// Starts the desktop's workbook program on `file`, as a new document where it can; false where
// there is none or it could not be started. Does not wait for the program.
bool openWorkbookOnDesktop(const QString& file);

} // namespace vantor
