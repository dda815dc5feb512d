#pragma once

#include <QString>

namespace vantor {

// Passwords typed into the window for this run of the program, kept in memory only and used
// by every later connection to the same location; never written anywhere.
void rememberPassword(const QString& location, const QString& password);
QString rememberedPassword(const QString& location);

} // namespace vantor
