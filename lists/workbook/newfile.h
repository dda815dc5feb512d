#pragma once

#include <QString>

// Files written at the user's request: a report, a workbook saved where the user chose. They
// are made as any program makes a new file, so that the user's umask (or the folder's default
// ACL) says who else may read them: with umask 077 they stay the user's own.
namespace vantor::newfile {

// Creates a new, empty file in `directory` under a name not taken yet: `prefix`, six letters
// or digits, `suffix`. Its mode is 0666 less what the umask takes away. Returns its path, or
// the empty text with the reason in `error`.
QString createUnique(const QString& directory, const QString& prefix, const QString& suffix, QString* error);

// Puts the complete file `from` in the place of `to`, which may exist, in one step: whoever
// opens `to` finds the old file or the new one, never half of one. On failure `from` stays.
bool replace(const QString& from, const QString& to, QString* error);

// Copies `source` as a new file `target`, replacing a file of that name. The copy is written
// beside `target` first, so a failure leaves whatever `target` was.
bool copy(const QString& source, const QString& target, QString* error);

} // namespace vantor::newfile
