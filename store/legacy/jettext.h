#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace vantor::legacy {

// A Jet 4 text or memo value from the bytes the file stores: UTF-16 little-endian, or
// Access's compressed form of it (0xFF 0xFE, then one byte per character whose high byte is
// zero, a zero byte switching to two bytes per character and back). Nothing when the bytes
// are not exactly a text: an odd byte over, or a surrogate without its partner.
std::optional<QString> decodeJet4Text(QByteArrayView stored);

} // namespace vantor::legacy
