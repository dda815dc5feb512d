// A second program on the records file, in a process of its own.
//   write <file> <seed>: writes through the store as the records window does, saying "ready"
//       once the file is open and "ack N" after write N returned, until killed.
//   hold <file> SHARED|IMMEDIATE|EXCLUSIVE <ms>: holds a read or write lock for <ms> (0: until stdin closes).
//   station <location> <seed> <edits> <id>...: a clerk's station adding one to the Day field of
//       members found by FDID, <edits> times, starting on a line on stdin; prints how many of
//       its additions were stored for each FDID and how many were refused as conflicts.
#include "crashscript.h"

#include <connectionstring.h>
#include <masktest.h>
#include <recordset.h>

#include <QCoreApplication>
#include <QMap>
#include <QRandomGenerator>
#include <QThread>

#include <cstdio>
#include <unistd.h>

using namespace vantor;
using namespace vantor::test::crash;

namespace {

// Unbuffered: a line said is a line the parent reads, even if this process is killed next.
void say(const QByteArray& line)
{
    const QByteArray out = line + '\n';
    if (::write(STDOUT_FILENO, out.constData(), std::size_t(out.size())) != ssize_t(out.size()))
        std::fprintf(stderr, "short write\n");
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
    if (StoreError error = found.open(QStringLiteral("SELECT * FROM MT WHERE ID = ?"), connect, {op.id}))
        return error;
    return op.kind == OpKind::Delete ? found.deleteCurrent() : writeValues(found, op);
}

int write(const QString& path, quint64 seed)
{
    const QString connect = RecordsLocation::fromText(path).connectionString();
    RecordSet all;
    if (StoreError error = all.open(QStringLiteral("SELECT * FROM MT ORDER BY ID ASC"), connect))
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
        StoreError error = op.kind == OpKind::Insert ? all.addNew() : changeFound(connect, op);
        if (!error && op.kind == OpKind::Insert)
            error = writeValues(all, op);
        if (error)
            return fail(QStringLiteral("write %1").arg(index), error);
        apply(op, model);
        say("ack " + QByteArray::number(index));
    }
    return 0;
}

// Each edit reads a member's count, waits a moment as a clerk types, and writes the count
// plus one: two stations doing it at once must see the second write refused, never lost.
int station(const QString& location, quint64 seed, int edits, const QStringList& ids)
{
    const QString connect = RecordsLocation::fromText(location).connectionString();
    QRandomGenerator rng{quint32(seed)};
    QMap<QString, int> stored;
    int conflicts = 0;
    say("ready");
    char go[8];
    if (::read(STDIN_FILENO, go, sizeof go) <= 0)
        return 2;
    for (int edit = 0; edit < edits; ++edit) {
        const QString id = ids.at(rng.bounded(int(ids.size())));
        RecordSet found;
        if (StoreError error = found.open(QStringLiteral("SELECT * FROM MT WHERE ID = ?"), connect, {id}))
            return fail(QStringLiteral("search %1").arg(id), error);
        const int count = found.value(QStringLiteral("Day")).toString().toInt();
        QThread::usleep(rng.bounded(3000));
        StoreError error = found.setValue(QStringLiteral("Day"), QString::number(count + 1));
        if (!error)
            error = found.update();
        if (error.number == RowConflict || error.number == Busy)
            ++conflicts;
        else if (error)
            return fail(QStringLiteral("edit %1").arg(edit), error);
        else
            ++stored[id];
    }
    QByteArray line = "stored";
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        line += ' ' + it.key().toUtf8() + '=' + QByteArray::number(it.value());
    say(line + " conflicts=" + QByteArray::number(conflicts));
    return 0;
}

int hold(const QString& path, const QString& mode, int ms)
{
    const test::RawConnection raw(path);
    if (!raw.database().isOpen())
        return 2;
    // A reader's lock lasts as long as its transaction once it has read.
    const bool reader = mode == QLatin1String("SHARED");
    if (!raw.query(reader ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN ") + mode).isActive()
        || (reader && !raw.query(QStringLiteral("SELECT count(*) FROM MT")).isActive()))
        return 3;
    say("locked");
    char buffer[64];
    if (ms > 0)
        QThread::msleep(ulong(ms));
    else
        while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) { }
    raw.query(QStringLiteral("COMMIT"));
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
    if (args.size() > 5 && args.at(1) == QLatin1String("station"))
        return station(args.at(2), args.at(3).toULongLong(), args.at(4).toInt(), args.mid(5));
    std::fprintf(stderr, "usage: otherprogram write FILE SEED | hold FILE SHARED|IMMEDIATE|EXCLUSIVE MS\n");
    return 2;
}
