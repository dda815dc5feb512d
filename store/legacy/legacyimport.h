#pragma once

#include <storeerror.h>

#include <QString>

namespace vantor::legacy {

// Whether the file's header says it is an Access (Jet) file.
bool isAccessFile(const QString& path);

// Where an in-place conversion keeps the untouched Access file: beside it, with
// ".jet-original" appended to its name.
QString originalCopyPath(const QString& path);

// Converts the Access file `source` into a new Vantor records file `target`, which must not
// exist yet. The new file only appears under its name once it is complete and on the disk;
// on failure nothing is left behind and `source` is never touched. `rowCount`, if given,
// receives the number of records converted.
StoreError convertFile(const QString& source, const QString& target, qsizetype* rowCount = nullptr);

// Converts the Access file `path` into a Vantor records file under the same name, keeping
// the original byte for byte at originalCopyPath(path). Refuses when that copy already
// exists. On failure `path` is left where and as it was.
StoreError convertInPlace(const QString& path, qsizetype* rowCount = nullptr);

} // namespace vantor::legacy
