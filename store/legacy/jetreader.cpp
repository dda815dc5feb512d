// Table MT of an Access (Jet) file, read with libmdb.
#include "jetreader.h"

#include "jetmemo.h"
#include "jettext.h"

#include <fileformat.h>
#include <masktest.h>

#include <QFile>
#include <QFileInfo>

#include <memory>
#include <optional>
#include <vector>

namespace vantor::legacy {

namespace {

struct HandleCloser {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableFreer {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

StoreError damaged(const QString& path, const QString& what)
{
    return StoreError::make(CorruptDatabase,
                            QStringLiteral("The Access file '%1' is damaged or incomplete: %2").arg(path, what));
}

StoreError checkIsAccessFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return StoreError::make(FileNotFound, QStringLiteral("Could not find file '%1'.").arg(path));
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        return StoreError::make(AccessDenied,
                                QStringLiteral("The file '%1' cannot be read: %2").arg(path, file.errorString()));
    if (sniffFileKind(path) != FileKind::AccessJet)
        return StoreError::make(NotADatabase, QStringLiteral("'%1' is not a Microsoft Access (Jet) file.").arg(path));
    return {};
}

MdbColumn* columnAt(MdbTableDef* table, guint index)
{
    return static_cast<MdbColumn*>(g_ptr_array_index(table->columns, index));
}

MdbCatalogEntry* findTable(MdbHandle* mdb, const char* name)
{
    for (guint i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && g_ascii_strcasecmp(entry->object_name, name) == 0)
            return entry;
    }
    return nullptr;
}

// For each of the fourteen fields, the index of its column in the table (Jet names are
// not case sensitive). A column that Vantor has no field for would be lost, so it is an
// error as much as a missing field.
StoreError mapColumns(MdbTableDef* table, const QString& path, std::vector<int>& columnOf)
{
    const QStringList names = masktest::fieldNames();
    columnOf.assign(size_t(names.size()), -1);
    QStringList extra;
    for (guint c = 0; c < table->num_cols; ++c) {
        const QString name = QString::fromUtf8(columnAt(table, c)->name);
        qsizetype field = 0;
        while (field < names.size() && names.at(field).compare(name, Qt::CaseInsensitive) != 0)
            ++field;
        if (field < names.size())
            columnOf[size_t(field)] = int(c);
        else
            extra << name;
    }
    QStringList missing;
    for (qsizetype field = 0; field < names.size(); ++field) {
        if (columnOf[size_t(field)] < 0)
            missing << names.at(field);
    }
    if (!missing.isEmpty())
        return StoreError::make(TableNotFound,
                                QStringLiteral("The table MT in the Access file '%1' lacks the fields %2.")
                                    .arg(path, missing.join(QStringLiteral(", "))));
    if (!extra.isEmpty())
        return StoreError::make(TableNotFound,
                                QStringLiteral("The table MT in the Access file '%1' has fields that Vantor does not "
                                               "keep (%2); converting it would lose them.")
                                    .arg(path, extra.join(QStringLiteral(", "))));
    return {};
}

// Where each column's value lies in the row just fetched, on the page libmdb has loaded.
struct StoredValue {
    bool isNull = true;
    QByteArrayView bytes;
};

// The bound-column API gives "" for a null and for an empty text alike, and text only as
// libmdb converts it; the row itself tells nulls apart and holds the bytes as stored.
// mdb_fetch_row leaves the row's page loaded and its number one behind cur_row, so the row
// can be looked at once more.
bool crackRow(MdbTableDef* table, std::vector<MdbField>& fields, std::vector<StoredValue>& values)
{
    MdbHandle* mdb = table->entry->mdb;
    int start = 0;
    size_t size = 0;
    if (table->cur_row == 0 || mdb_find_row(mdb, int(table->cur_row - 1), &start, &size) != 0)
        return false;
    const int count = mdb_crack_row(table, start & RowOffsetMask, size, fields.data());
    if (count < 0 || count > int(fields.size()))
        return false;
    // A column added after the row was written is not in the row: it is null.
    std::fill(values.begin(), values.end(), StoredValue{});
    for (int i = 0; i < count; ++i) {
        const MdbField& field = fields[size_t(i)];
        if (field.colnum < 0 || size_t(field.colnum) >= values.size())
            continue;
        if (field.start < 0 || field.siz < 0 || field.start + field.siz > mdb->fmt->pg_size)
            return false;
        values[size_t(field.colnum)]
            = {field.is_null != 0, QByteArrayView(mdb->pg_buf + field.start, qsizetype(field.siz))};
    }
    return true;
}

// libmdb stops quietly at a page it cannot read. The catalog's own count of its rows tells
// a file cut short in its catalog from one that has no table MT.
bool catalogComplete(MdbHandle* mdb)
{
    // The catalog, MSysObjects, always starts on page 2.
    MdbCatalogEntry entry{};
    entry.mdb = mdb;
    g_strlcpy(entry.object_name, "MSysObjects", sizeof entry.object_name);
    entry.object_type = MDB_TABLE;
    entry.table_pg = 2;
    std::unique_ptr<MdbTableDef, TableFreer> table(mdb_read_table(&entry));
    if (!table || !mdb_read_columns(table.get()))
        return false;
    mdb_rewind_table(table.get());
    unsigned int rows = 0;
    while (mdb_fetch_row(table.get()))
        ++rows;
    return rows == table->num_rows;
}

// Jet 4 keeps text as UTF-16, decoded here from the stored bytes. Jet 3 keeps it in the code
// page of the machine that wrote it, which libmdb converts.
bool decodesStoredText(MdbHandle* mdb, const MdbColumn* column)
{
    return mdb->f->jet_version != MDB_VER_JET3 && (column->col_type == MDB_TEXT || column->col_type == MDB_MEMO);
}

// The rows of table MT as mdb_fetch_row fetches them, each value exactly as stored.
class RowReader
{
public:
    explicit RowReader(MdbTableDef* table, std::vector<int> columnOf)
        : m_table(table)
        , m_columnOf(std::move(columnOf))
        , m_buffers(table->num_cols)
        , m_lengths(table->num_cols, 0)
        , m_fields(table->num_cols)
        , m_values(table->num_cols)
    {
        MdbHandle* mdb = table->entry->mdb;
        for (guint c = 0; c < table->num_cols; ++c) {
            if (decodesStoredText(mdb, columnAt(table, c)))
                continue;
            m_buffers[c].assign(mdb->bind_size + 1, '\0');
            mdb_bind_column(table, int(c + 1), m_buffers[c].data(), &m_lengths[c]);
        }
    }

    // The row just fetched, record `number` of the table; on failure, what cannot be read.
    std::optional<QString> read(qsizetype number, JetRow& row)
    {
        if (!crackRow(m_table, m_fields, m_values))
            return QStringLiteral("record %1 of table MT cannot be read.").arg(number);
        row = JetRow(qsizetype(m_columnOf.size()));
        for (size_t field = 0; field < m_columnOf.size(); ++field) {
            const auto c = size_t(m_columnOf[field]);
            const MdbColumn* column = columnAt(m_table, guint(c));
            // A Yes/No column keeps its value in the null flag: it is never null.
            if (m_values[c].isNull && column->col_type != MDB_BOOL)
                continue;
            const std::optional<QString> text = valueOf(c);
            if (!text)
                return QStringLiteral("field %1 of record %2 of table MT cannot be read exactly, and converting it "
                                      "would alter it.")
                    .arg(masktest::fieldNames().at(field))
                    .arg(number);
            // An empty text must stay a non-null string, or it would be written as a null.
            row[qsizetype(field)] = text->isEmpty() ? QVariant(QStringLiteral("")) : QVariant(*text);
        }
        return std::nullopt;
    }

private:
    std::optional<QString> valueOf(size_t c)
    {
        MdbHandle* mdb = m_table->entry->mdb;
        const MdbColumn* column = columnAt(m_table, guint(c));
        if (!decodesStoredText(mdb, column))
            return QString::fromUtf8(m_buffers[c].data(), m_lengths[c]);
        if (column->col_type == MDB_TEXT)
            return decodeJet4Text(m_values[c].bytes);
        const std::optional<QByteArray> memo = readMemoBytes(mdb, m_values[c].bytes);
        return memo ? decodeJet4Text(*memo) : std::nullopt;
    }

    MdbTableDef* m_table;
    std::vector<int> m_columnOf;
    std::vector<std::vector<char>> m_buffers;
    std::vector<int> m_lengths;
    std::vector<MdbField> m_fields;
    std::vector<StoredValue> m_values;
};

} // namespace

StoreError readMaskTestTable(const QString& path, QList<JetRow>& rows)
{
    rows.clear();
    if (StoreError error = checkIsAccessFile(path))
        return error;
    std::unique_ptr<MdbHandle, HandleCloser> mdb(mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS));
    if (!mdb)
        return damaged(path, QStringLiteral("its header cannot be read."));
    if (QFileInfo(path).size() % mdb->fmt->pg_size != 0)
        return damaged(path, QStringLiteral("it does not end on a whole page, as if the copy was cut short."));
    // Dates in a form that reads the same everywhere, whatever the locale.
    mdb_set_date_fmt(mdb.get(), "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(mdb.get(), "%Y-%m-%d");
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        return damaged(path, QStringLiteral("its list of tables cannot be read."));
    MdbCatalogEntry* entry = findTable(mdb.get(), "MT");
    if (!entry && !catalogComplete(mdb.get()))
        return damaged(path, QStringLiteral("its list of tables is incomplete, as if the copy was cut short."));
    if (!entry)
        return StoreError::make(
            TableNotFound, QStringLiteral("The Access file '%1' holds no table MT of mask test records.").arg(path));
    std::unique_ptr<MdbTableDef, TableFreer> table(mdb_read_table(entry));
    if (!table || !mdb_read_columns(table.get()))
        return damaged(path, QStringLiteral("the definition of table MT cannot be read."));
    std::vector<int> columnOf;
    if (StoreError error = mapColumns(table.get(), path, columnOf))
        return error;

    RowReader reader(table.get(), std::move(columnOf));
    mdb_rewind_table(table.get());
    while (mdb_fetch_row(table.get())) {
        JetRow row;
        if (const std::optional<QString> problem = reader.read(rows.size() + 1, row)) {
            rows.clear();
            return damaged(path, *problem);
        }
        rows.append(row);
    }
    // libmdb stops quietly at a page it cannot read; the table's own count says whether
    // every row came through.
    if (rows.size() != qsizetype(table->num_rows)) {
        const qsizetype read = rows.size();
        rows.clear();
        return damaged(
            path,
            QStringLiteral("table MT holds %1 records, but only %2 could be read.").arg(table->num_rows).arg(read));
    }
    return {};
}

} // namespace vantor::legacy
