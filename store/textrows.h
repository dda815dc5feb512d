#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVariant>

#include <utility>
#include <vector>

namespace vantor {

// The rows of a whole result held compactly: every value's UTF-8 bytes one after the other
// in one block, row after row, beside the rows' keys. A list of a hundred thousand members
// costs about the size of its text, not a QVariant and a QString per value.
class TextRows
{
public:
    explicit TextRows(int valueCount = 0)
        : m_valueCount(valueCount)
    {
    }

    int valueCount() const { return m_valueCount; }
    qsizetype rowCount() const { return m_rows; }
    // The keys, handed over to their new owner; the values stay.
    std::vector<qint64> takeKeys() { return std::exchange(m_keys, {}); }
    qint64 key(qsizetype row) const { return m_keys[std::size_t(row)]; }

    // A row is its key, then its values one after the other: text, or a null.
    void addKey(qint64 key)
    {
        m_keys.push_back(key);
        ++m_rows;
    }
    void addText(const char* utf8, qsizetype size)
    {
        m_text.append(utf8, size);
        m_ends.push_back(m_text.size());
        m_nulls.push_back(false);
    }
    void addNull()
    {
        m_ends.push_back(m_text.size());
        m_nulls.push_back(true);
    }

    // A value as the store reads it: text, or an invalid QVariant for a null.
    QVariant value(qsizetype row, int field) const
    {
        if (isNull(row, field))
            return {};
        return QVariant(QString::fromUtf8(bytes(row, field)));
    }
    bool isNull(qsizetype row, int field) const { return m_nulls[cell(row, field)]; }
    // A value's bytes as they were read, without a copy: what a hash is taken over. Empty for a null.
    QByteArrayView bytes(qsizetype row, int field) const
    {
        const std::size_t at = cell(row, field);
        const qsizetype start = at == 0 ? 0 : m_ends[at - 1];
        return QByteArrayView(m_text.constData() + start, m_ends[at] - start);
    }

private:
    std::size_t cell(qsizetype row, int field) const
    {
        return std::size_t(row) * std::size_t(m_valueCount) + std::size_t(field);
    }

    int m_valueCount;
    qsizetype m_rows = 0;
    std::vector<qint64> m_keys;
    QByteArray m_text;
    std::vector<qsizetype> m_ends;
    std::vector<bool> m_nulls;
};

} // namespace vantor
