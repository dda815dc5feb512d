#include "textbox.h"

#include <QApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPointer>

namespace vantor {

namespace {

// The characters a keystroke types, as the old character event delivered them:
// backspace, tab, carriage return and escape as their control codes, Ctrl with a letter as
// the control code of that letter, printable text as it is. Keys that type nothing here
// (arrows, Delete, Alt with a key, which belongs to the access keys) give the empty text.
QString typedText(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    const bool alt = mods & Qt::AltModifier;
    switch (event->key()) {
    case Qt::Key_Backspace: return QStringLiteral("\b");
    case Qt::Key_Tab: return QStringLiteral("\t");
    case Qt::Key_Return:
    case Qt::Key_Enter: return QStringLiteral("\r");
    case Qt::Key_Escape: return QStringLiteral("\x1b");
    case Qt::Key_Delete: return {};
    default: break;
    }
    if (alt && !ctrl)
        return {};
    if (ctrl && !alt) {
        if (event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z)
            return QString(QChar(char16_t(event->key() - Qt::Key_A + 1)));
        return {};
    }
    return event->text();
}

} // namespace

TextBox::TextBox(QWidget* parent)
    : QLineEdit(parent)
{
}

QColor TextBox::backColor() const
{
    return palette().color(QPalette::Base);
}

void TextBox::setBackColor(const QColor& colour)
{
    QPalette p = palette();
    p.setColor(QPalette::Base, colour);
    p.setColor(QPalette::Disabled, QPalette::Base, colour);
    setPalette(p);
}

QString TextBox::filtered(const QString& typed)
{
    QString kept;
    for (const uint code : typed.toUcs4()) {
        char32_t keyAscii = code;
        m_keyPress(keyAscii);
        if (keyAscii != 0)
            kept += QString::fromUcs4(&keyAscii, 1);
    }
    return kept;
}

void TextBox::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && m_defaultButton
        && m_defaultButton()) {
        event->accept();
        return;
    }
    const QString typed = typedText(event);
    if (typed.isEmpty() || !m_keyPress) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    // The handler may show a modal message box, during which the box can go away.
    QPointer<TextBox> self(this);
    const QString kept = filtered(typed);
    if (!self)
        return;
    if (kept == typed) {
        QLineEdit::keyPressEvent(event);
    } else if (kept.isEmpty()) {
        event->accept();
    } else {
        QKeyEvent replaced(event->type(), event->key(), event->modifiers(), kept, event->isAutoRepeat(),
                           ushort(event->count()));
        QLineEdit::keyPressEvent(&replaced);
        event->setAccepted(replaced.isAccepted());
    }
}

// Characters composed by an input method (dead keys, compose sequences) are typed too.
void TextBox::inputMethodEvent(QInputMethodEvent* event)
{
    if (!m_keyPress || event->commitString().isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QPointer<TextBox> self(this);
    const QString kept = filtered(event->commitString());
    if (!self)
        return;
    QInputMethodEvent replaced(event->preeditString(), event->attributes());
    replaced.setCommitString(kept, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&replaced);
    event->setAccepted(replaced.isAccepted());
}

void TextBox::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (!m_lostFocus)
        return;
    switch (event->reason()) {
    case Qt::MouseFocusReason:
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
    case Qt::OtherFocusReason:
        break;
    default:
        // The window lost the focus as a whole, or a popup took it for a moment.
        return;
    }
    const QWidget* next = QApplication::focusWidget();
    if (next && next != this && next->window() == window())
        m_lostFocus();
}

} // namespace vantor
