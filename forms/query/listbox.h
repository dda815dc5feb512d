#pragma once

#include <QListWidget>

namespace vantor {

// A list box whose keys choose as the old platform's did. Home, End, Page Up and Page Down select
// the entry they reach even where it is the current one already, as the first entry is once a
// list without a choice has taken the focus; Qt's list only moves to it, selecting nothing.
class ListBox final : public QListWidget
{
    Q_OBJECT
public:
    using QListWidget::QListWidget;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace vantor
