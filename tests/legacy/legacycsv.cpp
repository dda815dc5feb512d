#include "legacycsv.h"

#include <QDir>
#include <QFile>

namespace vantor::test {

QString legacyFixture(const QString& name)
{
    return QDir(qEnvironmentVariable("VANTOR_FIXTURES")).filePath(QStringLiteral("legacy/") + name);
}

QList<Row> readCsv(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    QList<Row> rows;
    Row row;
    QString field;
    bool quoted = false;
    bool inQuotes = false;
    const auto endField = [&] {
        if (quoted)
            row << QVariant(field.isEmpty() ? QStringLiteral("") : field);
        else
            row << (field == QStringLiteral("\\N") ? QVariant() : QVariant(field));
        field.clear();
        quoted = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inQuotes && c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
            field += c;
            ++i;
        } else if (c == u'"') {
            inQuotes = !inQuotes;
            quoted = true;
        } else if (inQuotes || (c != u',' && c != u'\n' && c != u'\r')) {
            field += c;
        } else if (c == u',') {
            endField();
        } else if (c == u'\n') {
            endField();
            rows << row;
            row.clear();
        }
    }
    if (quoted || !field.isEmpty() || !row.isEmpty()) {
        endField();
        rows << row;
    }
    if (!rows.isEmpty())
        rows.removeFirst();
    return rows;
}

QString render(const Row& row)
{
    QStringList texts;
    for (const QVariant& value : row)
        texts << (value.isValid() ? u'"' + value.toString() + u'"' : QStringLiteral("\\N"));
    return texts.join(u'|');
}

QStringList render(const QList<Row>& rows)
{
    QStringList out;
    for (const Row& row : rows)
        out << render(row);
    return out;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray renamingTableMT(QByteArray fixture)
{
    // The catalog keeps the name in UTF-16 after a zero field.
    const QByteArray name = QByteArrayLiteral("\0\0\0\0M\0T\0");
    if (fixture.count(name) != 1)
        return {};
    return fixture.replace(name, QByteArrayLiteral("\0\0\0\0X\0T\0"));
}

} // namespace vantor::test
