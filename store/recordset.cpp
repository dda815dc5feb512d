#include "recordset.h"

#include "masktest.h"
#include "recordsetdetail.h"

#include <QRegularExpression>

#include <algorithm>

namespace vantor {

using namespace recordsetdetail;

RecordSet::RecordSet() = default;

RecordSet::~RecordSet()
{
    close();
}

StoreError RecordSet::open(const QString& sql, const QString& connectionString, const QVariantList& parameters,
                           Reading reading)
{
    close();
    auto connection = std::make_unique<Connection>();
    if (StoreError error = connection->open(connectionString))
        return error;
    m_ownConnection = std::move(connection);
    m_connection = m_ownConnection.get();
    std::vector<Statement> alongside;
    StoreError error = openOn(sql, parameters, reading, alongside);
    if (error)
        close();
    return error;
}

StoreError RecordSet::open(const QString& sql, Connection& activeConnection, const QVariantList& parameters,
                           Reading reading, std::vector<Statement> alongside)
{
    close();
    if (!activeConnection.isOpen())
        return StoreError::closed();
    m_connection = &activeConnection;
    StoreError error = openOn(sql, parameters, reading, alongside);
    if (error)
        close();
    return error;
}

StoreError RecordSet::openOn(const QString& sql, const QVariantList& parameters, Reading reading,
                             std::vector<Statement>& alongside)
{
    static const QRegularExpression selectAll(
        QStringLiteral(R"(^\s*select\s+\*\s+from\s+(\[[^\]]+\]|"[^"]+"|[A-Za-z_][A-Za-z0-9_]*)(.*)$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);

    const Engine* engine = m_connection->engine();
    const QString translated = masktest::translate(*engine, sql);
    const QRegularExpressionMatch match = selectAll.match(translated);
    if (!match.hasMatch())
        return StoreError::make(CommandFailed,
                                QStringLiteral("A record set reads whole rows of one table, as SELECT * FROM a table "
                                               "does; the request for it does not."));
    QString table = match.captured(1);
    if (table.startsWith(u'[') || table.startsWith(u'"'))
        table = table.mid(1, table.size() - 2);
    QVariantList values;
    values.reserve(parameters.size());
    for (const QVariant& p : parameters)
        values << storable(p);
    const QString from = QStringLiteral(" FROM ") + engine->quoteIdentifier(table) + match.captured(2);
    m_keys.clear();

    // The keys need no columns: on a server both come in one round trip, with whatever the
    // caller reads beside them. Not inside a transaction, where a statement that fails (on a
    // table that is not there) would end it: there the columns tell first.
    QStringList columns;
    std::vector<Statement> batch{engine->columnsStatement(table, columns)};
    const bool together = reading == Reading::OnDemand && !m_connection->inTransaction();
    if (together) {
        batch.push_back(Statement{
            QStringLiteral("SELECT ") + engine->rowKeyColumn() + from, values, Columns::KeysAndTexts, {}, &m_keys});
        std::move(alongside.begin(), alongside.end(), std::back_inserter(batch));
    }
    const StoreError error = m_connection->runBatch(batch);
    if (batch.front().done && columns.isEmpty())
        return StoreError::make(
            TableNotFound,
            QStringLiteral("The table '%1' does not exist in %2.").arg(table, m_connection->dataSource()));
    if (error)
        return error;

    m_table = table;
    m_fieldNames = columns;
    QStringList quoted;
    for (const QString& column : columns)
        quoted << engine->asText(engine->quoteIdentifier(column));
    m_selectList = quoted.join(QStringLiteral(", "));
    m_source = sql;

    if (!together) {
        if (StoreError failure = loadKeys(from, values, reading, alongside))
            return failure;
    }
    m_open = true;
    m_position = m_keys.empty() ? -1 : 0;
    return {};
}

StoreError RecordSet::loadKeys(const QString& from, const QVariantList& values, Reading reading,
                               std::vector<Statement>& alongside)
{
    const Engine* engine = m_connection->engine();
    std::unique_ptr<TextRows> rows;
    std::vector<Statement> batch;
    if (reading == Reading::OnDemand) {
        batch.push_back(Statement{
            QStringLiteral("SELECT ") + engine->rowKeyColumn() + from, values, Columns::KeysAndTexts, {}, &m_keys});
    } else {
        rows = std::make_unique<TextRows>(int(m_fieldNames.size()));
        batch.push_back(m_connection->textRowsStatement(QStringLiteral("SELECT ") + engine->rowKeyColumn()
                                                            + QStringLiteral(", ") + m_selectList + from,
                                                        values, Columns::KeysAndTexts, *rows));
    }
    std::move(alongside.begin(), alongside.end(), std::back_inserter(batch));
    if (StoreError error = m_connection->runBatch(batch))
        return error;
    if (rows) {
        m_keys = rows->takeKeys();
        m_rowsRead = std::move(rows);
    }
    return {};
}

void RecordSet::close()
{
    m_open = false;
    m_pages.clear();
    m_written.clear();
    m_rowsRead.reset();
    m_keys.clear();
    m_keys.shrink_to_fit();
    m_deleted.clear();
    m_position = -1;
    m_adding = false;
    m_buffer.clear();
    m_dirty.clear();
    m_fieldNames.clear();
    m_connection = nullptr;
    m_ownConnection.reset();
}

bool RecordSet::bof() const
{
    if (m_adding)
        return false;
    return !m_open || recordCount() == 0 || m_position < 0;
}

bool RecordSet::eof() const
{
    if (m_adding)
        return false;
    return !m_open || recordCount() == 0 || m_position >= qsizetype(m_keys.size());
}

qsizetype RecordSet::recordCount() const
{
    return qsizetype(m_keys.size()) - m_deleted.size();
}

StoreError RecordSet::moveFirst()
{
    if (!m_open)
        return StoreError::closed();
    cancelUpdate();
    m_position = 0;
    while (m_position < qsizetype(m_keys.size()) && isDeleted(m_position))
        ++m_position;
    return {};
}

StoreError RecordSet::moveNext()
{
    if (!m_open)
        return StoreError::closed();
    cancelUpdate();
    if (eof())
        return noCurrentRecord();
    do
        ++m_position;
    while (m_position < qsizetype(m_keys.size()) && isDeleted(m_position));
    return {};
}

StoreError RecordSet::moveLast()
{
    if (!m_open)
        return StoreError::closed();
    cancelUpdate();
    m_position = qsizetype(m_keys.size()) - 1;
    while (m_position >= 0 && isDeleted(m_position))
        --m_position;
    if (m_position < 0)
        m_position = recordCount() == 0 ? -1 : 0;
    return {};
}

QString RecordSet::fieldName(int index) const
{
    return index >= 0 && index < m_fieldNames.size() ? m_fieldNames.at(index) : QString();
}

int RecordSet::fieldIndex(const QString& name) const
{
    for (int i = 0; i < m_fieldNames.size(); ++i) {
        if (m_fieldNames.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

StoreError RecordSet::checkCurrent() const
{
    if (!m_open)
        return StoreError::closed();
    if (m_adding)
        return {};
    if (m_position < 0 || m_position >= qsizetype(m_keys.size()) || isDeleted(m_position))
        return noCurrentRecord();
    return {};
}

QVariant RecordSet::value(int index, StoreError* error) const
{
    StoreError e = checkCurrent();
    if (!e && (index < 0 || index >= m_fieldNames.size()))
        e = fieldNotFound(index);
    if (e) {
        if (error)
            *error = e;
        return {};
    }
    if (m_adding || m_dirty.contains(index))
        return m_buffer.value(index);
    return valueAt(m_position, index, error);
}

QVariant RecordSet::value(const QString& name, StoreError* error) const
{
    const int index = fieldIndex(name);
    if (index < 0 && m_open) {
        if (error)
            *error = fieldNotFound(name);
        return {};
    }
    return value(index, error);
}

QVariant RecordSet::valueAt(qsizetype row, int field, StoreError* error) const
{
    // Values read all at once are handed out as they are asked for, past the page cache.
    if (m_rowsRead && row >= 0 && row < m_rowsRead->rowCount() && field >= 0 && field < m_rowsRead->valueCount())
        return m_rowsRead->value(row, field);
    const Row* r = rowAt(row, error);
    if (!r || field < 0 || field >= r->values.size())
        return {};
    return r->values.at(field);
}

qint64 RecordSet::keyAt(qsizetype row) const
{
    return m_open && row >= 0 && row < qsizetype(m_keys.size()) ? m_keys[std::size_t(row)] : 0;
}

qint64 RecordSet::currentKey() const
{
    return checkCurrent() || m_adding ? 0 : keyAt(m_position);
}

const RecordSet::Row* RecordSet::rowAt(qsizetype index, StoreError* error) const
{
    if (!m_open || index < 0 || index >= qsizetype(m_keys.size())) {
        if (error)
            *error = noCurrentRecord();
        return nullptr;
    }
    if (auto written = m_written.constFind(index); written != m_written.constEnd())
        return &*written;
    const qsizetype page = index / PageSize;
    auto it = m_pages.find(page);
    if (it == m_pages.end()) {
        if (StoreError e = fetchPage(page)) {
            if (error)
                *error = e;
            return nullptr;
        }
        it = m_pages.find(page);
    }
    it->lastUse = ++m_useCounter;
    return &it->rows[std::size_t(index - page * PageSize)];
}

StoreError RecordSet::fetchPage(qsizetype page) const
{
    if (m_rowsRead) {
        pageFromRowsRead(page);
        return {};
    }
    // Showing one record should not read a screenful of rows from all over the file, but a
    // walk through the set (the export, a grid scrolled down) should not pay a statement per
    // small page either: a page that follows a cached one reads the next few uncached pages
    // with it, in one statement, and the longer the walk has gone on, the more (a statement
    // to a server costs a round trip).
    qsizetype walked = 0;
    while (walked < MaxReadAheadPages && m_pages.contains(page - 1 - walked))
        ++walked;
    const qsizetype ahead = walked == 0 ? 1 : std::clamp(walked * 2, ReadAheadPages, MaxReadAheadPages);
    qsizetype pages = 1;
    while (pages < ahead && !m_pages.contains(page + pages) && (page + pages) * PageSize < qsizetype(m_keys.size()))
        ++pages;
    // Nothing of the set changes before the rows are in: a grid asking for rows while the
    // statement waits for a server is refused, and must find the set as it was.
    QHash<qint64, QList<QVariant>> byKey;
    std::vector<Statement> batch{pageStatement(page, pages, byKey)};
    if (StoreError error = m_connection->runBatch(batch))
        return error;
    keepPages(page, pages, byKey);
    return {};
}

// The rows of `pages` pages from `page` on, read by their keys in one statement into `byKey`.
Statement RecordSet::pageStatement(qsizetype page, qsizetype pages, QHash<qint64, QList<QVariant>>& byKey) const
{
    const qsizetype first = page * PageSize;
    const qsizetype count = std::min(PageSize * pages, qsizetype(m_keys.size()) - first);
    const Engine* engine = m_connection->engine();
    QStringList marks;
    marks.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        marks << QStringLiteral("?");
    QVariantList keys;
    keys.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        keys << m_keys[std::size_t(first + i)];
    byKey.reserve(count);
    const int fields = int(m_fieldNames.size());
    return {QStringLiteral("SELECT ") + engine->rowKeyColumn() + QStringLiteral(", ") + m_selectList
                + QStringLiteral(" FROM ") + engine->quoteIdentifier(m_table) + QStringLiteral(" WHERE ")
                + engine->rowKeyColumn() + QStringLiteral(" IN (") + marks.join(u',') + u')',
            keys, Columns::KeysAndTexts, [&byKey, fields](const ResultRow& row) {
                QList<QVariant> values;
                values.reserve(fields);
                for (int f = 1; f <= fields; ++f)
                    values << (row.isNull(f) ? QVariant() : QVariant(QString::fromUtf8(row.text(f))));
                byKey.insert(row.number(0), std::move(values));
            }};
}

// The pages read by pageStatement() into the cache; a key not read is a row someone removed.
void RecordSet::keepPages(qsizetype page, qsizetype pages, const QHash<qint64, QList<QVariant>>& byKey) const
{
    const qsizetype first = page * PageSize;
    const qsizetype count = std::min(PageSize * pages, qsizetype(m_keys.size()) - first);
    const int fields = int(m_fieldNames.size());
    makeRoomForPages(pages);
    for (qsizetype n = 0; n < pages; ++n) {
        const qsizetype start = n * PageSize;
        const qsizetype size = std::min(PageSize, count - start);
        Page p;
        p.lastUse = ++m_useCounter;
        p.rows.resize(std::size_t(size));
        for (qsizetype i = 0; i < size; ++i) {
            Row& row = p.rows[std::size_t(i)];
            auto found = byKey.constFind(m_keys[std::size_t(first + start + i)]);
            if (found == byKey.constEnd()) {
                row.missing = true;
                row.values = QList<QVariant>(fields);
            } else {
                row.values = *found;
            }
        }
        m_pages.insert(page + n, std::move(p));
    }
}

StoreError RecordSet::refreshCurrent()
{
    cancelUpdate();
    if (StoreError e = checkCurrent())
        return e;
    m_rowsRead.reset();
    m_written.remove(m_position);
    m_pages.remove(m_position / PageSize);
    StoreError error;
    rowAt(m_position, &error);
    return error;
}

void RecordSet::makeRoomForPages(qsizetype pages) const
{
    while (!m_pages.isEmpty() && m_pages.size() > MaxCachedPages - pages) {
        auto oldest = std::min_element(m_pages.begin(), m_pages.end(),
                                       [](const Page& a, const Page& b) { return a.lastUse < b.lastUse; });
        m_pages.erase(oldest);
    }
}

// The values were read with the keys; a page only turns them into the store's QVariants.
void RecordSet::pageFromRowsRead(qsizetype page) const
{
    makeRoomForPages(1);
    const qsizetype first = page * PageSize;
    const qsizetype size = std::min(PageSize, m_rowsRead->rowCount() - first);
    Page p;
    p.lastUse = ++m_useCounter;
    p.rows.resize(std::size_t(size));
    for (qsizetype i = 0; i < size; ++i) {
        QList<QVariant>& values = p.rows[std::size_t(i)].values;
        values.reserve(m_rowsRead->valueCount());
        for (int f = 0; f < m_rowsRead->valueCount(); ++f)
            values << m_rowsRead->value(first + i, f);
    }
    m_pages.insert(page, std::move(p));
}

void RecordSet::rememberWritten(qsizetype index, const QList<QVariant>& values)
{
    Row& row = m_written[index];
    row.values = values;
    row.missing = false;
}

} // namespace vantor
