// A second program on the records file, for the tests that need one in a process of its own.
//
//   otherprogram write <file> <seed>
//       Saves, updates and deletes records through the store, as the records window does,
//       writing "ready" once the file is open and "ack N" after write N has returned, until
//       it is killed. Exits with 3 if a write fails.
//   otherprogram hold <file> IMMEDIATE|EXCLUSIVE <ms>
//       Holds a write lock on the file for <ms> milliseconds (0: until its input closes),
//       writing "locked" once it has it.
#include "crashscript.h"

#include <connectionstring.h>
#include <masktest.h>
#include <recordset.h>

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <cstdio>
#include <unistd.h>

using namespace vantor;
using namespace vantor::test::crash;

namespace {

// Straight to the pipe, unbuffered: a line written is a line the parent will read, even if
// this process is killed a moment later.
void say(const QByteArray& line)
{
    const QByteArray out = line + '\n';
    qsizetype done = 0;
    while (done < out.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, out.constData() + done, std::size_t(out.size() - done));
        if (n <= 0)
            return;
        done += n;
    }
}

int fail(const QString& what, const StoreError& error)
{
    std::fprintf(stderr, "%s: %d %s\n", qPrintable(what), error.number, qPrintable(error.description));
    return 3;
}

StoreError writeValues(RecordSet& rs, const Op& op)
{
    const QStringList names = masktest::fieldNames();
    for (int i = 0; i < names.size(); ++i) {
        if (StoreError error = rs.setValue(names.at(i), op.values.at(i)))
            return error;
    }
    return rs.update();
}

// The search of the records window: the record with this FDID, in a record set of its own.
StoreError changeFound(const QString& connect, const Op& op)
{
    RecordSet found;
    found.setCursorLocation(CursorLocation::Client);
    if (StoreError error = found.open(QStringLiteral("SELECT * FROM MT WHERE ID = ?"), connect, CursorType::Static,
                                      LockType::Optimistic, {op.id}))
        return error;
    if (found.recordCount() != 1)
        return StoreError::make(NoCurrentRecord, QStringLiteral("%1 records with ID %2").arg(found.recordCount()).arg(op.id));
    return op.kind == OpKind::Delete ? found.deleteCurrent() : writeValues(found, op);
}

int write(const QString& path, quint64 seed)
{
    const QString connect = jetConnectionString(path);
    RecordSet all;
    all.setCursorLocation(CursorLocation::Client);
    if (StoreError error = all.open(QStringLiteral("SELECT * FROM MT ORDER BY ID ASC"), connect, CursorType::Dynamic,
                                    LockType::Optimistic))
        return fail(QStringLiteral("open"), error);
    Model model;
    for (qsizetype row = 0; row < all.keysetSize(); ++row) {
        test::Row values;
        for (int field = 0; field < all.fieldCount(); ++field)
            values << all.valueAt(row, field);
        model.insert(values.at(0).toString(), values);
    }
    say("ready");
    for (int index = 0; index < 100000; ++index) {
        const Op op = makeOp(seed, index, model);
        StoreError error;
        if (op.kind == OpKind::Insert) {
            error = all.addNew();
            if (!error)
                error = writeValues(all, op);
        } else {
            error = changeFound(connect, op);
        }
        if (error)
            return fail(QStringLiteral("write %1").arg(index), error);
        apply(op, model);
        say("ack " + QByteArray::number(index));
    }
    return 0;
}

int hold(const QString& path, const QString& mode, int ms)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
    db.setDatabaseName(path);
    if (!db.open())
        return 2;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("BEGIN ") + mode)) {
        std::fprintf(stderr, "%s\n", qPrintable(query.lastError().text()));
        return 3;
    }
    say("locked");
    if (ms > 0) {
        QThread::msleep(ulong(ms));
    } else {
        char buffer[64];
        while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
        }
    }
    query.exec(QStringLiteral("COMMIT"));
    say("released");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args.at(1) == QLatin1String("write"))
        return write(args.at(2), args.at(3).toULongLong());
    if (args.size() == 5 && args.at(1) == QLatin1String("hold"))
        return hold(args.at(2), args.at(3), args.at(4).toInt());
    std::fprintf(stderr, "usage: otherprogram write FILE SEED | hold FILE IMMEDIATE|EXCLUSIVE MS\n");
    return 2;
}
