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
// (arrows, Delete, Ctrl with any other key) give the empty text. Alt and Meta with a key that
// would type are the caller's to drop first (isUnusedAccessKey).
QString typedText(const QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Backspace: return QStringLiteral("\b");
    case Qt::Key_Tab: return QStringLiteral("\t");
    case Qt::Key_Return:
    case Qt::Key_Enter: return QStringLiteral("\r");
    case Qt::Key_Escape: return QStringLiteral("\x1b");
    case Qt::Key_Delete: return {};
    default: break;
    }
    if (event->modifiers() & Qt::ControlModifier) {
        if (event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z)
            return QString(QChar(char16_t(event->key() - Qt::Key_A + 1)));
        return {};
    }
    return event->text();
}

// Alt or Meta with a key that would type a character: the one guard that keeps it out of the
// box. An enabled button's access key never gets here: the window's shortcuts take it before
// the box sees the key.
bool isUnusedAccessKey(const QKeyEvent* event)
{
    if (!(event->modifiers() & (Qt::AltModifier | Qt::MetaModifier)))
        return false;
    const bool characterKey = event->key() >= Qt::Key_Space && event->key() <= Qt::Key_AsciiTilde;
    return characterKey || (!event->text().isEmpty() && event->text().front().isPrint());
}

bool hasControlCharacter(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

TextBox::TextBox(QWidget* parent)
    : QLineEdit(parent)
{
    // A dropped text would reach the box past its filter; the old boxes took no drops either.
    setAcceptDrops(false);
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

// What of `typed` the box takes within its typing limit. The line edit's own MaxLength cannot
// keep it once a longer stored text was shown, so the limit is judged here, by the length the
// box would have afterwards: typing that replaces a selection counts the selection as gone,
// and a box at or above its limit takes nothing more, however long a text it shows.
QString TextBox::fitting(const QString& typed) const
{
    const qsizetype room = m_typingLimit - (text().size() - selectedText().size());
    if (room >= typed.size())
        return typed;
    qsizetype cut = std::max<qsizetype>(room, 0);
    if (cut > 0 && typed.at(cut - 1).isHighSurrogate())
        --cut; // never half a character
    return typed.left(cut);
}

// A locked box takes nothing, and a key or paste that finds no room changes nothing: it does
// not even remove the selection it would have replaced.
void TextBox::typeIn(const QString& kept)
{
    const QString fit = fitting(kept);
    if (!isReadOnly() && !fit.isEmpty())
        insert(fit);
}

void TextBox::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && m_defaultButton && m_defaultButton()) {
        event->accept();
        return;
    }
    if (isUnusedAccessKey(event)) {
        // The old platform only beeped; the line edit would type the letter past the filter.
        QApplication::beep();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        pasteTyped(QClipboard::Clipboard);
        event->accept();
        return;
    }
    const QString typed = typedText(event);
    QString kept = typed;
    if (!typed.isEmpty() && m_keyPress) {
        // The handler may show a modal message box, during which the box can go away.
        QPointer<TextBox> self(this);
        kept = filtered(typed);
        if (!self)
            return;
    }
    if (!typed.isEmpty() && !hasControlCharacter(kept)) {
        typeIn(kept);
        event->accept();
        return;
    }
    // Editing keys (Backspace, Delete, the arrows, Ctrl+A, Ctrl+Z...) do what they do in a line
    // edit; the key goes on without its text, so that the line edit inserts nothing of its own.
    QKeyEvent editing(event->type(), event->key(), event->modifiers(), event->nativeScanCode(),
                      event->nativeVirtualKey(), event->nativeModifiers(), QString(), event->isAutoRepeat(),
                      ushort(event->count()));
    QLineEdit::keyPressEvent(&editing);
    event->setAccepted(editing.isAccepted());
}

// Characters composed by an input method (dead keys, compose sequences) are typed too.
void TextBox::inputMethodEvent(QInputMethodEvent* event)
{
    if (event->commitString().isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QPointer<TextBox> self(this);
    const QString kept = m_keyPress ? filtered(event->commitString()) : event->commitString();
    if (!self)
        return;
    QInputMethodEvent replaced(event->preeditString(), event->attributes());
    replaced.setCommitString(hasControlCharacter(kept) ? QString() : fitting(kept), event->replacementStart(),
                             event->replacementLength());
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

// A paste is typed: each character through the filter, as if its key had been pressed, within
// the typing limit. Characters that no key types into a box (line breaks, tabs and the other
// control characters) are left out.
void TextBox::pasteTyped(QClipboard::Mode mode)
{
    if (!pasteAccepted() || isReadOnly())
        return;
    QString pasted = QGuiApplication::clipboard()->text(mode);
    pasted.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    QPointer<TextBox> self(this);
    const QString kept = m_keyPress ? filtered(pasted) : pasted;
    if (self)
        typeIn(kept);
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
        connect(action, &QAction::triggered, this, [this] { pasteTyped(QClipboard::Clipboard); });
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TextBox::mouseReleaseEvent(QMouseEvent* event)
{
    // The middle button pastes the X11 selection.
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        if (!isReadOnly()) {
            deselect();
            pasteTyped(QClipboard::Selection);
        }
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
