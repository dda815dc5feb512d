#include "connectionstring.h"

namespace vantor {

ConnectionString ConnectionString::parse(const QString& text, QString* error)
{
    ConnectionString result;
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n) {
        const qsizetype eq = text.indexOf(u'=', pos);
        if (eq < 0) {
            if (!text.mid(pos).trimmed().isEmpty() && error)
                *error = QStringLiteral("Connection string part without '=': %1").arg(text.mid(pos));
            break;
        }
        const QString key = text.mid(pos, eq - pos).trimmed().toLower();
        pos = eq + 1;
        while (pos < n && text.at(pos) == u' ')
            ++pos;
        QString value;
        if (pos < n && text.at(pos) == u'"') {
            // A quoted value runs to the next unpaired quote; "" stands for one quote.
            ++pos;
            while (pos < n) {
                if (text.at(pos) == u'"') {
                    if (pos + 1 < n && text.at(pos + 1) == u'"') {
                        value += u'"';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                value += text.at(pos++);
            }
            const qsizetype semi = text.indexOf(u';', pos);
            pos = semi < 0 ? n : semi + 1;
        } else {
            const qsizetype semi = text.indexOf(u';', pos);
            const qsizetype end = semi < 0 ? n : semi;
            value = text.mid(pos, end - pos).trimmed();
            pos = end + 1;
        }
        if (!key.isEmpty())
            result.m_values.insert(key, value);
    }
    return result;
}

QString ConnectionString::value(const QString& key) const
{
    return m_values.value(key.toLower());
}

bool ConnectionString::contains(const QString& key) const
{
    return m_values.contains(key.toLower());
}

namespace {

// A folder name with a semicolon (or a leading quote or blank) would cut the path short;
// only then is the value quoted, so the usual string stays as it always was.
QString quotedWhereNeeded(QString source)
{
    if (source.contains(u';') || source.startsWith(u'"') || source != source.trimmed()) {
        source.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        source = u'"' + source + u'"';
    }
    return source;
}

} // namespace

QString jetConnectionString(const QString& databasePath)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + quotedWhereNeeded(databasePath)
        + QStringLiteral(";Persist Security Info=False");
}

QString connectionStringFor(const QString& provider, const QString& dataSource)
{
    return QStringLiteral("Provider=") + provider + QStringLiteral(";Data Source=") + quotedWhereNeeded(dataSource);
}

} // namespace vantor
