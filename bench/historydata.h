#pragma once

#include <QString>

class QTextStream;

namespace vantor::bench {

// A copy of the records file `members` whose history holds `perMember` entries a member: one
// that starts the member's history, then changes of its rank, away and back, round the
// members, dated half a minute apart, each sealed as this program seals, so that the check
// finds it whole. Made once and kept in the data folder with the chain's bytes beside it
// (historyBytes()), what sha256sum reads as the check's reference. Returns its path, or an
// empty string after writing the reason to `log`.
QString ensureHistory(const QString& dataDir, int size, const QString& members, int perMember, QTextStream& log);
// The file of the chain's bytes of every entry of `history`, one entry after the other.
QString historyBytes(const QString& history);
// The number of entries of a history file ensureHistory() made.
qint64 historyEntries(int size, int perMember);

// Copies the records file `source` to `target` without the history's triggers and its writer:
// a file whose changes this program makes as it did before it kept a history.
bool copyWithoutHistory(const QString& source, const QString& target, QTextStream& log);

} // namespace vantor::bench
