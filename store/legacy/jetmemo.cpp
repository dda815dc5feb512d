// Memo values are read from the pages here rather than through libmdb's bound columns, which
// hand them out only converted (see jettext.cpp) and cut at the bind size.
#include "jetmemo.h"

#include <QSet>
#include <QtEndian>

#include <cstring>

namespace vantor::legacy {

namespace {

// The first four bytes of a memo field: the stored length, and in the top bits where it lies.
constexpr quint32 MemoInRow = 0x80000000u;
constexpr quint32 MemoOnOnePage = 0x40000000u;
constexpr quint32 MemoLengthMask = 0x3fffffffu;
constexpr qsizetype MemoHeaderSize = 12;
// The next four name its LVAL row: the page in the upper three bytes, the row in the lowest.
constexpr int PageRowBits = 8;
constexpr quint32 RowOfPageRow = 0xffu;
// A deleted row holds nothing.
constexpr quint16 DeletedRow = 0x8000;
// Each row of a chain starts with the page and row of the next.
constexpr qsizetype ChainLinkSize = 4;

quint32 word32(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.data() + at);
}

quint16 word16(const unsigned char* page, qsizetype at)
{
    return qFromLittleEndian<quint16>(page + at);
}

// One row of an LVAL page; it stays valid until the next page is read into the same buffer.
std::optional<QByteArrayView> longValueRow(MdbHandle* mdb, quint32 pageRow)
{
    const qsizetype pageSize = mdb->fmt->pg_size;
    if (pageRow >> PageRowBits == 0 || mdb_read_alt_pg(mdb, pageRow >> PageRowBits) != pageSize)
        return std::nullopt;
    const unsigned char* page = mdb->alt_pg_buf;
    if (page[0] != MDB_PAGE_DATA || std::memcmp(page + 4, "LVAL", 4) != 0)
        return std::nullopt;
    const qsizetype countAt = mdb->fmt->row_count_offset;
    const qsizetype rows = word16(page, countAt);
    const qsizetype row = pageRow & RowOfPageRow;
    if (row >= rows || countAt + 2 + 2 * rows > pageSize)
        return std::nullopt;
    const quint16 offset = word16(page, countAt + 2 + 2 * row);
    // Rows fill a page from its end: a row ends where the one before it starts.
    const qsizetype start = offset & RowOffsetMask;
    const qsizetype end = row == 0 ? pageSize : word16(page, countAt + 2 * row) & RowOffsetMask;
    if ((offset & DeletedRow) != 0 || start < countAt + 2 + 2 * rows || start > end || end > pageSize)
        return std::nullopt;
    return QByteArrayView(page + start, end - start);
}

} // namespace

std::optional<QByteArray> readMemoBytes(MdbHandle* mdb, QByteArrayView field)
{
    if (field.size() < MemoHeaderSize)
        return std::nullopt;
    const quint32 header = word32(field, 0);
    const qsizetype length = header & MemoLengthMask;
    if (header & MemoInRow) {
        if (field.size() - MemoHeaderSize < length)
            return std::nullopt;
        return field.sliced(MemoHeaderSize, length).toByteArray();
    }
    quint32 pageRow = word32(field, 4);
    if (header & MemoOnOnePage) {
        const std::optional<QByteArrayView> row = longValueRow(mdb, pageRow);
        if (!row || row->size() < length)
            return std::nullopt;
        return row->first(length).toByteArray();
    }
    QByteArray bytes;
    QSet<quint32> visited;
    while (bytes.size() < length) {
        // A damaged chain may lead back into itself.
        if (visited.contains(pageRow))
            return std::nullopt;
        visited.insert(pageRow);
        const std::optional<QByteArrayView> row = longValueRow(mdb, pageRow);
        if (!row || row->size() < ChainLinkSize)
            return std::nullopt;
        pageRow = word32(*row, 0);
        bytes.append(row->sliced(ChainLinkSize));
    }
    bytes.truncate(length);
    return bytes;
}

} // namespace vantor::legacy
