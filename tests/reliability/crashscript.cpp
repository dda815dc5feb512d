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
    static const QStringList pieces = QStringLiteral("A|Z|q|7| |'|\"|%|_|--|;|é|Ж|ש|日本|😀").split(u'|');
    const quint32 shape = rng.bounded(100);
    if (shape < 5)
        return QString(); // an empty box
    const qsizetype length = shape < 75 ? rng.bounded(1, 13)
        : shape < 97                    ? rng.bounded(13, 61)
                                        : rng.bounded(500, 3000);
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
    op.id = op.kind == OpKind::Insert ? QStringLiteral("K%1-%2").arg(seed, 0, 36).arg(index)
                                      : before.keys().at(rng.bounded(int(before.size())));
    if (op.kind != OpKind::Delete) {
        op.values << op.id;
        for (int field = 1; field < masktest::fieldNames().size(); ++field)
            op.values << randomText(rng);
    }
    return op;
}

void apply(const Op& op, Model& model)
{
    if (op.kind == OpKind::Delete)
        model.remove(op.id);
    else
        model.insert(op.id, Row(op.values.cbegin(), op.values.cend()));
}

} // namespace vantor::test::crash
