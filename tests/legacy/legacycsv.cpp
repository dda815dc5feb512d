#include "legacycsv.h"

#include <QDir>

namespace vantor::test {

QString legacyFixture(const QString& name)
{
    return QDir(qEnvironmentVariable("VANTOR_FIXTURES")).filePath(QStringLiteral("legacy/") + name);
}

QList<Row> readCsv(const QString& path)
{
    QString text = QString::fromUtf8(fileBytes(path));
    if (!text.endsWith(u'\n'))
        text += u'\n';
    QList<Row> rows;
    Row row;
    QString field;
    bool quoted = false, inQuotes = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'"' && inQuotes && i + 1 < text.size() && text.at(i + 1) == u'"') {
            field += c;
            ++i;
        } else if (c == u'"') {
            inQuotes = !inQuotes;
            quoted = true;
        } else if (inQuotes || (c != u',' && c != u'\n' && c != u'\r')) {
            field += c;
        } else if (c != u'\r') {
            row << (!quoted && field == u"\\N" ? QVariant() : QVariant(field));
            field.clear();
            quoted = false;
            if (c == u'\n')
                rows << std::exchange(row, {});
        }
    }
    return rows.mid(1);
}

QStringList render(const QList<Row>& rows)
{
    QStringList out;
    for (const Row& row : rows) {
        QStringList texts;
        for (const QVariant& value : row)
            texts << (value.isValid() ? u'"' + value.toString() + u'"' : QStringLiteral("\\N"));
        out << texts.join(u'|');
    }
    return out;
}

QByteArray renamingTableMT(QByteArray fixture)
{
    // The catalog keeps the name in UTF-16 after a zero field.
    const QByteArray name = QByteArrayLiteral("\0\0\0\0M\0T\0");
    return fixture.count(name) == 1 ? fixture.replace(name, QByteArrayLiteral("\0\0\0\0X\0T\0")) : QByteArray();
}

} // namespace vantor::test
