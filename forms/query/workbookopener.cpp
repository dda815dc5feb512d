// GLib's headers name struct members "signals", which Qt's headers make a keyword: GLib first.
#include <gio/gio.h>

#include "workbookopener.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

// The desktop's own lookup, the one `gio open` and GNOME's and the generic xdg-open rely on:
// the user's and the system's mimeapps.list, then the mimeinfo.cache that Debian's packages
// keep, skipping applications whose program is gone. It answers at once and in process.
// xdg-open's exit status would not do: without a desktop it waits for the program to end, so a
// success is known only when the user closes the workbook, and with no program for workbooks it
// falls back to mailcap entries and web browsers that "succeed" without showing one.
namespace vantor {

namespace {

// The MIME type of an .xlsx workbook.
const char* const WorkbookType = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";

// The program the desktop opens workbooks with: the user's choice or, without one, what the
// system's packages registered. An application whose program is not installed counts as none.
struct WorkbookProgram {
    QString desktopId; // "libreoffice-calc.desktop"; empty: there is none
    QString executable; // "libreoffice"
};

// The default application for workbooks, released when it goes.
class DefaultApplication
{
public:
    DefaultApplication()
        : m_app(g_app_info_get_default_for_type(WorkbookType, FALSE))
    {
    }
    ~DefaultApplication()
    {
        if (m_app)
            g_object_unref(m_app);
    }
    DefaultApplication(const DefaultApplication&) = delete;
    DefaultApplication& operator=(const DefaultApplication&) = delete;

    GAppInfo* get() const { return m_app; }
    WorkbookProgram program() const
    {
        if (!m_app)
            return {};
        const char* id = g_app_info_get_id(m_app);
        return {QString::fromUtf8(id ? id : ""), QString::fromUtf8(g_app_info_get_executable(m_app))};
    }

private:
    GAppInfo* m_app;
};

// How the program is started to show `file` as a new, untitled document made from it, so that
// saving asks for a name instead of writing over a temporary file; empty where it offers no way.
QStringList newDocumentCommand(const WorkbookProgram& program, const QString& file)
{
    // LibreOffice as Debian, Fedora and the snap install it ("libreoffice-calc.desktop",
    // "libreoffice_calc.desktop"): -n takes the files after it as templates of new documents.
    // The Flatpak's launcher takes no such option, and goes the usual way.
    if (!program.desktopId.startsWith(QLatin1String("libreoffice")) || program.executable.isEmpty())
        return {};
    return {program.executable, QStringLiteral("-n"), file};
}

} // namespace

bool openWorkbookOnDesktop(const QString& file)
{
    const DefaultApplication app;
    if (!app.get())
        return false;
    const QStringList newDocument = newDocumentCommand(app.program(), file);
    if (!newDocument.isEmpty())
        return QProcess::startDetached(newDocument.first(), newDocument.mid(1));

    GFile* gfile = g_file_new_for_path(QFile::encodeName(file).constData());
    GList files{gfile, nullptr, nullptr};
    GError* error = nullptr;
    const bool started = g_app_info_launch(app.get(), &files, nullptr, &error);
    if (error)
        g_error_free(error);
    g_object_unref(gfile);
    return started;
}

} // namespace vantor
