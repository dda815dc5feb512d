#include "listbox.h"

#include <QKeyEvent>

namespace vantor {

void ListBox::keyPressEvent(QKeyEvent* event)
{
    QListWidget::keyPressEvent(event);
    switch (event->key()) {
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: break;
    default: return;
    }
    // With a modifier the keys move the current entry alone, as they do elsewhere.
    QListWidgetItem* current = currentItem();
    if (event->modifiers() == Qt::NoModifier && current && !current->isSelected())
        setCurrentItem(current);
}

} // namespace vantor
