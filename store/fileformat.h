#pragma once

#include <QString>

namespace vantor {

// What the first bytes of a file say it is: a records file, an old Access file that can be
// converted, or something no engine should be handed.
enum class FileKind { Missing, Empty, SQLite, AccessJet, Other };
FileKind sniffFileKind(const QString& path);

} // namespace vantor
