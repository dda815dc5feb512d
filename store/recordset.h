#pragma once

#include "connection.h"
#include "storeerror.h"
#include "textrows.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

namespace vantor {

// How a record set reads its rows' values: a page at a time as the cursor or a grid reaches
// them (a window showing one record, a grid showing a screenful), or all at once when it
// opens, in the same pass as the keys (a walk through the whole list, as a report makes).
enum class Reading { OnDemand, AllAtOnce };

// A record set over the rows of one table, opened with "SELECT * FROM <table> ...".
//
// It holds a keyset: the hidden row keys of the result, in the result's order, read once
// when it opens. Read on demand, the texts of the rows are fetched a page at a time, so a
// table of a million records opens as fast as its keys can be read and costs little more
// memory than the keys themselves.
//
// A null field reads as an invalid QVariant; every other value reads as text.
// Writes are optimistic: Update and Delete touch only the current row, and only if no
// one has changed or removed it since it was read.
class RecordSet
{
public:
    RecordSet();
    ~RecordSet();
    RecordSet(const RecordSet&) = delete;
    RecordSet& operator=(const RecordSet&) = delete;

    // Opens on a connection of its own, made from the connection string.
    StoreError open(const QString& sql, const QString& connectionString, const QVariantList& parameters = {},
                    Reading reading = Reading::OnDemand);
    // Opens on an open connection, which must outlive the record set. The statements
    // `alongside` go with the set's own reads: on a server, in the same round trip.
    StoreError open(const QString& sql, Connection& activeConnection, const QVariantList& parameters = {},
                    Reading reading = Reading::OnDemand, std::vector<Statement> alongside = {});
    void close();
    bool isOpen() const { return m_open; }

    bool bof() const;
    bool eof() const;
    StoreError moveFirst();
    StoreError moveNext();
    StoreError moveLast();

    // Rows of the set, not counting rows deleted through it.
    qsizetype recordCount() const;

    int fieldCount() const { return int(m_fieldNames.size()); }
    QString fieldName(int index) const;
    int fieldIndex(const QString& name) const; // -1 when there is no such field
    QStringList fieldNames() const { return m_fieldNames; }

    // Values of the current record.
    QVariant value(int index, StoreError* error = nullptr) const;
    QVariant value(const QString& name, StoreError* error = nullptr) const;

    // Random access for grids: row `row` of the keyset as it was opened.
    qsizetype keysetSize() const { return qsizetype(m_keys.size()); }
    QVariant valueAt(qsizetype row, int field, StoreError* error = nullptr) const;
    // The hidden row key of row `row` of the keyset, and of the current record: what names the
    // row for good, where no field of it does. 0 where there is no such row.
    qint64 keyAt(qsizetype row) const;
    qint64 currentKey() const;

    StoreError addNew();
    StoreError setValue(const QString& name, const QVariant& value);
    StoreError setValue(int index, const QVariant& value);
    StoreError update();
    void cancelUpdate();
    StoreError deleteCurrent();
    // Reads the current record again as it is stored now, forgetting what the set read or
    // wrote of it before: after this program changed it past the set, so that what is shown
    // and what the next optimistic write compares with are what is stored. A pending edit is
    // dropped.
    StoreError refreshCurrent();

    QString source() const { return m_source; }

private:
    struct Row {
        QList<QVariant> values;
        bool missing = false; // removed by someone else since the keys were read
    };
    struct Page {
        std::vector<Row> rows;
        quint64 lastUse = 0;
    };

    StoreError openOn(const QString& sql, const QVariantList& parameters, Reading reading,
                      std::vector<Statement>& alongside);
    StoreError loadKeys(const QString& from, const QVariantList& values, Reading reading,
                        std::vector<Statement>& alongside);
    void pageFromRowsRead(qsizetype page) const;
    void makeRoomForPages(qsizetype pages) const;
    const Row* rowAt(qsizetype index, StoreError* error) const;
    StoreError fetchPage(qsizetype page) const;
    Statement pageStatement(qsizetype page, qsizetype pages, QHash<qint64, QList<QVariant>>& byKey) const;
    void keepPages(qsizetype page, qsizetype pages, const QHash<qint64, QList<QVariant>>& byKey) const;
    // The page of the row a deletion moves to next, where it is not read yet: -1 for none.
    qsizetype pageAfterDelete() const;
    void rememberWritten(qsizetype index, const QList<QVariant>& values);
    StoreError checkCurrent() const;
    StoreError insertPending();
    StoreError updateCurrent();
    QString lockCondition() const;
    StoreError currentAsRead(QList<QVariant>& original) const;
    StoreError writeCurrentRow(const QString& statement, const QList<QVariant>& values, const QList<QVariant>& original,
                               std::vector<Statement> after = {});
    bool isDeleted(qsizetype index) const { return m_deleted.contains(index); }

    static constexpr qsizetype PageSize = 32;
    static constexpr qsizetype ReadAheadPages = 4;
    static constexpr qsizetype MaxReadAheadPages = 128;
    static constexpr qsizetype MaxCachedPages = 256;

    bool m_open = false;
    QString m_source;

    std::unique_ptr<Connection> m_ownConnection;
    Connection* m_connection = nullptr;

    QString m_table;
    QStringList m_fieldNames;
    QString m_selectList; // quoted field list for page fetches

    std::vector<qint64> m_keys;
    // Every value, when the set read them all as it opened; dropped at its first write, after
    // which pages come from the table again.
    std::unique_ptr<TextRows> m_rowsRead;
    QSet<qsizetype> m_deleted;
    qsizetype m_position = -1; // -1 before the first row, m_keys.size() after the last

    mutable QHash<qsizetype, Page> m_pages;
    mutable quint64 m_useCounter = 0;
    // Rows this set has written, as it wrote them. An optimistic check compares with these,
    // never with a page read again later, which would already hold another station's change.
    QHash<qsizetype, Row> m_written;

    // Edit buffer of the current (or new) record.
    bool m_adding = false;
    qsizetype m_positionBeforeAdd = -1;
    QList<QVariant> m_buffer;
    QSet<int> m_dirty;
};

} // namespace vantor
