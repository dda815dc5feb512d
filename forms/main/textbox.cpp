#include "textbox.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>

#include <algorithm>

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

void TextBox::setTypingLimit(int length)
{
    m_typingLimit = length;
    setMaxLength(std::max(length, int(text().size())));
}

void TextBox::showText(const QString& text)
{
    setMaxLength(std::max({m_typingLimit, int(text.size()), int(this->text().size())}));
    setText(text);
    setMaxLength(std::max(m_typingLimit, int(text.size())));
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
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && m_defaultButton && m_defaultButton()) {
        event->accept();
        return;
    }
    const QString typed = typedText(event);
    // Shift+Insert types no character of its own; it pastes as Ctrl+V does.
    if (typed.isEmpty() && event->matches(QKeySequence::Paste) && !pasteAccepted()) {
        event->accept();
        return;
    }
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

// Every way of pasting reaches the filter as the paste key (Ctrl+V's control code) does: a
// box whose filter refuses it shows its message and takes nothing, whatever the clipboard holds.
bool TextBox::pasteAccepted()
{
    if (!m_keyPress)
        return true;
    QPointer<TextBox> self(this);
    const QString kept = filtered(QStringLiteral("\x16"));
    return self && !kept.isEmpty();
}

void TextBox::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    for (QAction* action : menu->actions()) {
        // The caption is translated. Qt 6.4 tells its paste action only by the connection to
        // paste(), made by name; later versions name the action "edit-paste".
        const bool pastes = disconnect(action, SIGNAL(triggered()), this, SLOT(paste()))
            || action->objectName() == QLatin1String("edit-paste");
        if (!pastes)
            continue;
        disconnect(action, &QAction::triggered, nullptr, nullptr);
        connect(action, &QAction::triggered, this, [this] {
            if (pasteAccepted())
                paste();
        });
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TextBox::mouseReleaseEvent(QMouseEvent* event)
{
    // The middle button pastes the X11 selection.
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection() && !isReadOnly()
        && !pasteAccepted()) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
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
    case Qt::OtherFocusReason: break;
    default:
        // The window lost the focus as a whole, or a popup took it for a moment.
        return;
    }
    const QWidget* next = QApplication::focusWidget();
    if (next && next != this && next->window() == window())
        m_lostFocus();
}

} // namespace vantor
