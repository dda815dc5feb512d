#include "crashscript.h"

#include <masktest.h>

#include <QRandomGenerator>

#include <array>

namespace vantor::test::crash {

namespace {

// Text a clerk could paste: quotes, wildcards, SQL punctuation, accented, Cyrillic,
// Hebrew and CJK letters, an emoji; sometimes long enough to need overflow pages.
QString randomText(QRandomGenerator& rng)
{
    static const QStringList pieces = {
        QStringLiteral("A"), QStringLiteral("Z"), QStringLiteral("q"), QStringLiteral("7"),
        QStringLiteral(" "), QStringLiteral("'"), QStringLiteral("\""), QStringLiteral("%"),
        QStringLiteral("_"), QStringLiteral("--"), QStringLiteral(";"), QStringLiteral("é"),
        QStringLiteral("Ж"), QStringLiteral("ש"), QStringLiteral("日本"), QStringLiteral("😀"),
    };
    const quint32 shape = rng.bounded(100);
    if (shape < 5)
        return QString(); // an empty box
    const qsizetype length = shape < 75 ? rng.bounded(1, 13) : shape < 97 ? rng.bounded(13, 61) : rng.bounded(500, 3000);
    QString text;
    while (text.size() < length)
        text += pieces.at(rng.bounded(int(pieces.size())));
    return text;
}

} // namespace

Op makeOp(quint64 seed, int index, const Model& before)
{
    const std::array<quint32, 3> seeds = {quint32(seed), quint32(seed >> 32), quint32(index)};
    QRandomGenerator rng(seeds.data(), qsizetype(seeds.size()));
    const quint32 roll = before.size() < 5 ? 0 : rng.bounded(100);
    Op op;
    op.kind = roll < 45 ? OpKind::Insert : roll < 85 ? OpKind::Update : OpKind::Delete;
    if (op.kind == OpKind::Insert)
        op.id = QStringLiteral("K%1-%2").arg(seed, 0, 36).arg(index);
    else
        op.id = before.keys().at(rng.bounded(int(before.size())));
    if (op.kind != OpKind::Delete) {
        op.values << op.id;
        for (int field = 1; field < masktest::fieldNames().size(); ++field)
            op.values << randomText(rng);
    }
    return op;
}

void apply(const Op& op, Model& model)
{
    if (op.kind == OpKind::Delete) {
        model.remove(op.id);
        return;
    }
    Row row;
    for (const QString& value : op.values)
        row << QVariant(value);
    model.insert(op.id, row);
}

QString difference(const Model& expected, const Model& actual)
{
    QStringList lines;
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (!actual.contains(it.key()))
            lines << QStringLiteral("missing %1").arg(it.key());
        else if (actual.value(it.key()) != it.value())
            lines << QStringLiteral("changed %1").arg(it.key());
    }
    for (auto it = actual.cbegin(); it != actual.cend(); ++it) {
        if (!expected.contains(it.key()))
            lines << QStringLiteral("unexpected %1").arg(it.key());
    }
    return lines.join(QStringLiteral("; "));
}

} // namespace vantor::test::crash
