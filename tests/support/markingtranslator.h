#pragma once

#include <QRegularExpression>
#include <QTranslator>

namespace vantor::test {

// Translates every text into itself between marks, «like this», so that a test can tell what
// of a text the user sees went through translation and what was pasted in around it.
class MarkingTranslator final : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char*, const char* sourceText, const char*, int) const override
    {
        return u'\u00AB' + QString::fromUtf8(sourceText) + u'\u00BB';
    }
};

// `text` less every marked part, those within others first: what was never translated.
inline QString unmarked(QString text)
{
    static const QRegularExpression marked(QStringLiteral("\u00AB[^\u00AB\u00BB]*\u00BB"));
    for (qsizetype size = -1; size != text.size();) {
        size = text.size();
        text.remove(marked);
    }
    return text;
}

} // namespace vantor::test
