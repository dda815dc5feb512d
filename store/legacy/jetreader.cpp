// Table MT of an Access (Jet) file, read with libmdb.
#include "jetreader.h"

#include <fileformat.h>
#include <masktest.h>

#include <QFile>
#include <QFileInfo>

// libmdb's header uses glib's types without including glib itself.
#include <glib.h>
#include <mdbtools.h>

#include <memory>
#include <vector>

namespace vantor::legacy {

namespace {

// A row's place on a data page carries flags in the top bits of its offset.
constexpr int RowOffsetMask = 0x1fff;

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

// The bound-column API gives "" for a null and for an empty text alike; the row's own
// null flags tell them apart. mdb_fetch_row leaves the row's page loaded and its number
// one behind cur_row, so the row can be looked at once more.
bool readNullFlags(MdbTableDef* table, std::vector<MdbField>& fields, std::vector<bool>& isNull)
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
    std::fill(isNull.begin(), isNull.end(), true);
    for (int i = 0; i < count; ++i) {
        const int column = fields[size_t(i)].colnum;
        if (column >= 0 && size_t(column) < isNull.size())
            isNull[size_t(column)] = fields[size_t(i)].is_null != 0;
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

    const guint columns = table->num_cols;
    std::vector<std::vector<char>> buffers(columns, std::vector<char>(mdb->bind_size + 1, '\0'));
    std::vector<int> lengths(columns, 0);
    for (guint c = 0; c < columns; ++c)
        mdb_bind_column(table.get(), int(c + 1), buffers[c].data(), &lengths[c]);
    mdb_rewind_table(table.get());

    std::vector<MdbField> fields(columns);
    std::vector<bool> isNull(columns, false);
    while (mdb_fetch_row(table.get())) {
        if (!readNullFlags(table.get(), fields, isNull)) {
            const qsizetype number = rows.size() + 1;
            rows.clear();
            return damaged(path, QStringLiteral("record %1 of table MT cannot be read.").arg(number));
        }
        JetRow row(qsizetype(columnOf.size()));
        for (size_t field = 0; field < columnOf.size(); ++field) {
            const auto c = size_t(columnOf[field]);
            // A Yes/No column keeps its value in the null flag: it is never null.
            if (isNull[c] && columnAt(table.get(), guint(c))->col_type != MDB_BOOL)
                continue;
            const QString text = QString::fromUtf8(buffers[c].data(), lengths[c]);
            // An empty text must stay a non-null string, or it would be written as a null.
            row[qsizetype(field)] = text.isEmpty() ? QVariant(QStringLiteral("")) : QVariant(text);
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
