#pragma once

#include <QColor>
#include <QLineEdit>

#include <functional>

namespace vantor {

// A text box of the records window: a line edit that can be locked (read-only but still
// focusable), carries its own background colour, and hands Enter to the window so that
// the window's default button can answer it.
class TextBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);

    bool locked() const { return isReadOnly(); }
    void setLocked(bool locked) { setReadOnly(locked); }

    QColor backColor() const;
    void setBackColor(const QColor& colour);

    // Called for Enter; returns true when the window's default button took it.
    void setDefaultButtonHandler(std::function<bool()> handler) { m_defaultButton = std::move(handler); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::function<bool()> m_defaultButton;
};

} // namespace vantor
