// GLib's headers name struct members "signals", which Qt's headers make a keyword: GLib first.
#include <gio/gio.h>

#include "fileopener.h"

#include <QFile>

namespace vantor {

// GIO's own lookup, as `gio open` makes it, answered in process: xdg-open's exit status says
// nothing reliable about whether a program showed the file.
bool openFileOnDesktop(const QString& file, const QString& mimeType)
{
    GAppInfo* app = g_app_info_get_default_for_type(mimeType.toUtf8().constData(), FALSE);
    if (!app)
        return false;
    bool started = false;
    const char* executable = g_app_info_get_executable(app);
    if (gchar* found = executable ? g_find_program_in_path(executable) : nullptr) {
        g_free(found);
        GFile* target = g_file_new_for_path(QFile::encodeName(file).constData());
        GList files{target, nullptr, nullptr};
        started = g_app_info_launch(app, &files, nullptr, nullptr);
        g_object_unref(target);
    }
    g_object_unref(app);
    return started;
}

} // namespace vantor
