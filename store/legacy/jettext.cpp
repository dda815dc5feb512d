// Access's own text encoding, decoded here rather than by libmdb: libmdb converts through
// iconv's UCS-2, which knows no surrogate pairs and puts a '?' for each half of one.
#include "jettext.h"

namespace vantor::legacy {

namespace {

bool pairsEverySurrogate(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isLowSurrogate())
            return false;
        if (c.isHighSurrogate()) {
            if (i + 1 == text.size() || !text.at(i + 1).isLowSurrogate())
                return false;
            ++i;
        }
    }
    return true;
}

char16_t unitAt(QByteArrayView bytes, qsizetype i)
{
    return char16_t(quint8(bytes[i]) | quint8(bytes[i + 1]) << 8);
}

} // namespace

std::optional<QString> decodeJet4Text(QByteArrayView stored)
{
    QString text;
    const bool compressed = stored.size() >= 2 && quint8(stored[0]) == 0xff && quint8(stored[1]) == 0xfe;
    if (!compressed) {
        if (stored.size() % 2 != 0)
            return std::nullopt;
        text.reserve(stored.size() / 2);
        for (qsizetype i = 0; i < stored.size(); i += 2)
            text.append(QChar(unitAt(stored, i)));
    } else {
        bool oneByte = true;
        for (qsizetype i = 2; i < stored.size();) {
            if (stored[i] == '\0') {
                oneByte = !oneByte;
                ++i;
            } else if (oneByte) {
                text.append(QChar(char16_t(quint8(stored[i++]))));
            } else if (i + 1 < stored.size()) {
                text.append(QChar(unitAt(stored, i)));
                i += 2;
            } else {
                return std::nullopt;
            }
        }
    }
    if (!pairsEverySurrogate(text))
        return std::nullopt;
    return text;
}

} // namespace vantor::legacy
