#include "jetdialect.h"

#include "engine.h"

#include <QList>

namespace vantor {

namespace {

enum class Kind { Space, Word, Name, String, Number, Parameter, Operator, Open, Close, Comma, Star, Other, YearNow };

struct Token {
    Kind kind;
    QString text;
};

bool isWordStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool isWordPart(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// The end of a literal or a bracketed name that starts at `pos`, past its closing mark;
// `close` doubled stands for itself inside it.
qsizetype endOfQuoted(const QString& sql, qsizetype pos, QChar close)
{
    qsizetype at = pos + 1;
    while (at < sql.size()) {
        if (sql.at(at) == close) {
            if (close != u']' && at + 1 < sql.size() && sql.at(at + 1) == close) {
                at += 2;
                continue;
            }
            return at + 1;
        }
        ++at;
    }
    return at;
}

QList<Token> tokenize(const QString& sql)
{
    static const QStringList operators{QStringLiteral("<>"), QStringLiteral("<="), QStringLiteral(">="),
                                       QStringLiteral("!="), QStringLiteral("="),  QStringLiteral("<"),
                                       QStringLiteral(">")};
    QList<Token> tokens;
    qsizetype pos = 0;
    while (pos < sql.size()) {
        const QChar c = sql.at(pos);
        qsizetype end = pos + 1;
        Kind kind = Kind::Other;
        if (c.isSpace()) {
            while (end < sql.size() && sql.at(end).isSpace())
                ++end;
            kind = Kind::Space;
        } else if (c == u'\'' || c == u'"') {
            end = endOfQuoted(sql, pos, c);
            kind = c == u'\'' ? Kind::String : Kind::Other;
        } else if (c == u'[') {
            end = endOfQuoted(sql, pos, u']');
            kind = Kind::Name;
        } else if (isWordStart(c)) {
            while (end < sql.size() && isWordPart(sql.at(end)))
                ++end;
            kind = Kind::Word;
        } else if (c.isDigit()) {
            while (end < sql.size() && (sql.at(end).isDigit() || sql.at(end) == u'.'))
                ++end;
            kind = Kind::Number;
        } else if (c == u'?') {
            kind = Kind::Parameter;
        } else if (c == u'(' || c == u')' || c == u',' || c == u'*') {
            kind = c == u'(' ? Kind::Open : c == u')' ? Kind::Close : c == u',' ? Kind::Comma : Kind::Star;
        } else {
            for (const QString& op : operators) {
                if (QStringView(sql).sliced(pos).startsWith(op)) {
                    end = pos + op.size();
                    kind = Kind::Operator;
                    break;
                }
            }
        }
        tokens.append({kind, sql.mid(pos, end - pos)});
        pos = end;
    }
    return tokens;
}

class Translation
{
public:
    Translation(const QString& sql, const Engine& engine, const QString& table, const QStringList& columns)
        : m_tokens(tokenize(sql))
        , m_engine(engine)
        , m_table(table)
        , m_columns(columns)
    {
    }

    QString run()
    {
        foldYearOfNow();
        resolveNames();
        rewriteComparisons();
        rewriteOrder();
        QString out;
        for (const Token& token : std::as_const(m_tokens))
            out += token.text;
        return out;
    }

private:
    // The next token that is not blank, from `at` on in `step`; -1 past either end.
    qsizetype nextSolid(qsizetype at, int step) const
    {
        while (at >= 0 && at < m_tokens.size() && m_tokens.at(at).kind == Kind::Space)
            at += step;
        return at >= 0 && at < m_tokens.size() ? at : -1;
    }

    bool isWord(qsizetype at, const char* word) const
    {
        return at >= 0 && m_tokens.at(at).kind == Kind::Word
            && m_tokens.at(at).text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }

    bool isKind(qsizetype at, Kind kind) const { return at >= 0 && m_tokens.at(at).kind == kind; }

    // Year(Now) and Year(Now()) become one token, whatever their case and blanks.
    void foldYearOfNow()
    {
        for (qsizetype i = 0; i < m_tokens.size(); ++i) {
            if (!isWord(i, "Year"))
                continue;
            const qsizetype open = nextSolid(i + 1, 1);
            const qsizetype now = open < 0 ? -1 : nextSolid(open + 1, 1);
            if (!isKind(open, Kind::Open) || !isWord(now, "Now"))
                continue;
            qsizetype close = nextSolid(now + 1, 1);
            if (isKind(close, Kind::Open)) {
                const qsizetype empty = nextSolid(close + 1, 1);
                close = isKind(empty, Kind::Close) ? nextSolid(empty + 1, 1) : -1;
            }
            if (!isKind(close, Kind::Close))
                continue;
            m_tokens[i] = {Kind::YearNow, m_engine.currentYearExpression()};
            m_tokens.remove(i + 1, close - i);
        }
    }

    // Names of the table and its columns in their own case; a word that is a function's
    // name, a keyword or anything else stays as written.
    void resolveNames()
    {
        for (qsizetype i = 0; i < m_tokens.size(); ++i) {
            Token& token = m_tokens[i];
            const bool bracketed = token.kind == Kind::Name;
            if (!bracketed && (token.kind != Kind::Word || isKind(nextSolid(i + 1, 1), Kind::Open)))
                continue;
            const QString name = bracketed ? token.text.mid(1, token.text.size() - 2) : token.text;
            QString canonical;
            if (name.compare(m_table, Qt::CaseInsensitive) == 0)
                canonical = m_table;
            for (const QString& column : m_columns) {
                if (name.compare(column, Qt::CaseInsensitive) == 0)
                    canonical = column;
            }
            if (canonical.isEmpty() && !bracketed)
                continue;
            token = {Kind::Name, m_engine.quoteIdentifier(canonical.isEmpty() ? name : canonical)};
        }
    }

    static bool isOperand(Kind kind) { return kind == Kind::Name || kind == Kind::String || kind == Kind::Parameter; }

    void rewriteComparisons()
    {
        for (qsizetype i = 0; i < m_tokens.size(); ++i) {
            if (m_tokens.at(i).kind != Kind::Operator)
                continue;
            const qsizetype left = nextSolid(i - 1, -1);
            const qsizetype right = nextSolid(i + 1, 1);
            if (left < 0 || right < 0)
                continue;
            const Kind l = m_tokens.at(left).kind;
            const Kind r = m_tokens.at(right).kind;
            // A parameter would be bound once but named three times: it stays a text comparison.
            if ((l == Kind::YearNow && isOperand(r) && r != Kind::Parameter)
                || (r == Kind::YearNow && isOperand(l) && l != Kind::Parameter)) {
                const QString& value = m_tokens.at(l == Kind::YearNow ? right : left).text;
                const QString op = m_tokens.at(i).text;
                m_tokens[left] = {Kind::Other, yearComparison(value, op, l == Kind::YearNow)};
                m_tokens.remove(left + 1, right - left);
                i = left;
            } else if (isOperand(l) && isOperand(r) && (l == Kind::Name || r == Kind::Name)) {
                m_tokens[left].text = m_engine.caseless(m_tokens.at(left).text);
                m_tokens[right].text = m_engine.caseless(m_tokens.at(right).text);
            }
        }
    }

    // `value` compared with the current year as the number it holds. Text that holds no
    // number differs from every year, as it always did; a null compares as a null.
    QString yearComparison(const QString& value, QString op, bool yearOnLeft) const
    {
        if (yearOnLeft && op != u"=" && op != u"<>" && op != u"!=")
            op = op.startsWith(u'<') ? QString(op).replace(u'<', u'>') : QString(op).replace(u'>', u'<');
        const QString number = m_engine.numberIn(value);
        const QString year = m_engine.currentYearNumber();
        if (op == u"<>" || op == u"!=")
            return QStringLiteral("(%1 <> %2 OR (%3 IS NOT NULL AND %1 IS NULL))").arg(number, year, value);
        return QStringLiteral("%1 %2 %3").arg(number, op, year);
    }

    void rewriteOrder()
    {
        int depth = 0;
        qsizetype order = -1;
        for (qsizetype i = 0; i < m_tokens.size() && order < 0; ++i) {
            depth += isKind(i, Kind::Open) ? 1 : isKind(i, Kind::Close) ? -1 : 0;
            if (depth == 0 && isWord(i, "ORDER") && isWord(nextSolid(i + 1, 1), "BY"))
                order = nextSolid(i + 1, 1);
        }
        const QString key = m_engine.rowKeyColumn();
        if (order < 0) {
            if (isSelectAll())
                m_tokens.insert(endOfClauses(), {Kind::Other, QStringLiteral(" ORDER BY ") + key});
            return;
        }
        qsizetype termStart = order + 1;
        for (qsizetype i = order + 1;; ++i) {
            const bool end = i >= m_tokens.size() || isKind(i, Kind::Close) || m_tokens.at(i).text == u";"
                || isWord(i, "LIMIT") || isWord(i, "OFFSET");
            if (end || isKind(i, Kind::Comma)) {
                i = rewriteTerm(termStart, i);
                termStart = i + 1;
            }
            if (end) {
                m_tokens.insert(nextSolid(i - 1, -1) + 1, {Kind::Other, QStringLiteral(", ") + key});
                return;
            }
        }
    }

    // A term that names a column, with ASC or DESC or neither, sorts without regard to
    // case; returns where the term (from `first` to before `end`) now ends.
    qsizetype rewriteTerm(qsizetype first, qsizetype end)
    {
        const qsizetype name = nextSolid(first, 1);
        if (name < 0 || name >= end || !isKind(name, Kind::Name))
            return end;
        const qsizetype after = nextSolid(name + 1, 1);
        const bool direction = after >= 0 && after < end && (isWord(after, "ASC") || isWord(after, "DESC"));
        const qsizetype last = direction ? after : name;
        if (nextSolid(last + 1, 1) >= 0 && nextSolid(last + 1, 1) < end)
            return end; // an expression, not a plain column
        const bool descending = direction && isWord(after, "DESC");
        m_tokens[name] = {Kind::Other, m_engine.caselessOrder(m_tokens.at(name).text, descending)};
        m_tokens.remove(name + 1, last - name);
        return end - (last - name);
    }

    bool isSelectAll() const
    {
        const qsizetype select = nextSolid(0, 1);
        return isWord(select, "SELECT") && isKind(nextSolid(select + 1, 1), Kind::Star);
    }

    // Where an ORDER BY goes: before a LIMIT or OFFSET, a closing semicolon and the blanks at
    // the statement's end.
    qsizetype endOfClauses() const
    {
        qsizetype at = m_tokens.size();
        for (qsizetype i = 0; i < m_tokens.size(); ++i) {
            if (isWord(i, "LIMIT") || isWord(i, "OFFSET")) {
                at = i;
                break;
            }
        }
        while (at > 0 && (m_tokens.at(at - 1).kind == Kind::Space || m_tokens.at(at - 1).text == u";"))
            --at;
        return at;
    }

    QList<Token> m_tokens;
    const Engine& m_engine;
    const QString& m_table;
    const QStringList& m_columns;
};

} // namespace

QString translateJet(const QString& jetSql, const Engine& engine, const QString& table, const QStringList& columns)
{
    return Translation(jetSql, engine, table, columns).run();
}

} // namespace vantor
