#include "textbox.h"

#include <QKeyEvent>

namespace vantor {

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

void TextBox::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier && m_defaultButton && m_defaultButton()) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace vantor
