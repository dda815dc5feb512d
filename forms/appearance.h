#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QRect>
#include <QString>

class QGroupBox;
class QLabel;
class QPushButton;
class QWidget;

namespace vantor::appearance {

// The family every control uses. Tahoma is loaded from Wine's fonts where they are
// installed; elsewhere the platform's nearest sans-serif stands in.
QString fontFamily();
QFont controlFont(qreal pointSize = 9.75, bool bold = false);

// Window geometry is kept in twips, as the layout was drawn: 15 twips to a pixel at 96 dpi.
constexpr int twips(int value)
{
    return (value + 7) / 15;
}
inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}
inline QRect twipsRect(const QRect& drawn)
{
    return twipsRect(drawn.x(), drawn.y(), drawn.width(), drawn.height());
}

inline const QColor WindowGrey{192, 192, 192};
inline const QColor LockedGreen{128, 255, 128};
inline const QColor UnlockedWhite{255, 255, 255};

// A window whose command buttons' access keys must pass its check before they click: the one
// path an access key takes is the button's own key handling (addButton), which asks the window.
class AccessKeyGate
{
public:
    virtual ~AccessKeyGate() = default;
    // False keeps the key from clicking `button`: the window has kept the focus elsewhere.
    virtual bool accessKeyMayClick(QPushButton* button) = 0;
};

// A label or command button as both windows place them: named, at a fixed place, in the
// controls' font. A button's access key and Enter click it at once.
QLabel* addLabel(QWidget* parent, const char* name, const QString& caption, QRect geometry);
QPushButton* addButton(QWidget* parent, const char* name, const QString& caption, QRect geometry,
                       const QString& tooltip);

// The new windows' frames (a bold caption over a group), and values they show that no one
// types, drawn as the records window's locked boxes, pale green.
QGroupBox* addFrame(QWidget* parent, const char* name, const QString& caption, QRect geometry);
QLabel* addValue(QWidget* parent, const char* name, QRect geometry, const QString& accessibleName);

// A window of the program's own beside the two old ones: fixed at `size` in twips, the
// controls' font, the records window's grey and the program's icon.
void setUpWindow(QWidget* window, const QString& title, QSize size);

// The program's pictures, drawn from the SVGs in the resources.
QPixmap picture(const QString& resource, const QSize& size);
QIcon programIcon();

} // namespace vantor::appearance
