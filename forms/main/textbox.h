#pragma once

#include <QClipboard>
#include <QColor>
#include <QLineEdit>

#include <functional>

namespace vantor {

// A text box of the records window: a line edit that can be locked (read-only but still
// focusable), carries its own background colour, and hands Enter to the window so that
// the window's default button can answer it.
//
// Every character the user types or pastes passes through the box's key-press handler and
// its typing limit before the box takes it; text the program sets passes through neither.
class TextBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);

    bool locked() const { return isReadOnly(); }
    void setLocked(bool locked) { setReadOnly(locked); }

    QColor backColor() const;
    void setBackColor(const QColor& colour);

    // MaxLength limits what the user types, never what the program shows: a record that
    // holds a longer text is shown whole, so that showing it and writing it back never cuts it
    // short. QLineEdit's setText() and setMaxLength() would truncate, and are not virtual: a
    // caller holding a QLineEdit* would reach them whatever this class declared under the same
    // names, hence names of their own.
    void setTypingLimit(int length);
    // Text the program places in the box: passes no filter and no typing limit.
    void showText(const QString& text);

private:
    int m_typingLimit = 32767;

public:
    // Called for Enter; returns true when the window's default button took it.
    void setDefaultButtonHandler(std::function<bool()> handler) { m_defaultButton = std::move(handler); }

    // Called with the code of each typed character; the handler may change the code, or
    // set it to 0 to discard the keystroke.
    using KeyPressHandler = std::function<void(char32_t& keyAscii)>;
    void setKeyPressHandler(KeyPressHandler handler) { m_keyPress = std::move(handler); }

    // Called when the focus moves from this box to another control of the same window;
    // not when the window itself loses the focus (another window, a popup, a message box).
    void setLostFocusHandler(std::function<void()> handler) { m_lostFocus = std::move(handler); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString filtered(const QString& typed);
    QString fitting(const QString& typed) const;
    void typeIn(const QString& kept);
    bool pasteAccepted();
    void pasteTyped(QClipboard::Mode mode);

    std::function<bool()> m_defaultButton;
    KeyPressHandler m_keyPress;
    std::function<void()> m_lostFocus;
};

} // namespace vantor
