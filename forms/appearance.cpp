#include "appearance.h"

#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QShortcutEvent>
#include <QSvgRenderer>

namespace vantor::appearance {

namespace {

// Enter clicks the command button that has the focus, as on the old platform. A QPushButton
// answers Enter only as a default button, and making every button auto-default would take the
// default away from the records window's Search whenever another button had had the focus.
// An access key clicks at once, as it did there, too: QPushButton's own click comes 100 ms
// later, by when a command typed right after it may have disabled the button, and a disabled
// button's late click would still run its command (Alt+A, Alt+S searching in entry mode).
class KeyClicks final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* button = static_cast<QPushButton*>(watched);
        if (event->type() == QEvent::Shortcut) {
            if (static_cast<QShortcutEvent*>(event)->isAmbiguous())
                return false;
            if (auto* gate = dynamic_cast<AccessKeyGate*>(button->window()); gate && !gate->accessKeyMayClick(button))
                return true;
            if (button->focusPolicy() & Qt::TabFocus)
                button->setFocus(Qt::ShortcutFocusReason);
            button->click();
            return true;
        }
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        // A held key clicks once: its repeats would answer the question the click may ask.
        if (!key->isAutoRepeat())
            button->click();
        return true;
    }
};

} // namespace

QString fontFamily()
{
    static const QString family = [] {
        // Only the regular face: Wine's bold Tahoma file is drawn barely heavier than the
        // regular one, while Qt's synthetic emboldening of the regular face reads as bold.
        const QString path = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
        if (QFile::exists(path)) {
            const QStringList families
                = QFontDatabase::applicationFontFamilies(QFontDatabase::addApplicationFont(path));
            if (!families.isEmpty())
                return families.first();
        }
        return QStringLiteral("Tahoma");
    }();
    return family;
}

QFont controlFont(qreal pointSize, bool bold)
{
    QFont font(fontFamily());
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QLabel* addLabel(QWidget* parent, const char* name, const QString& caption, QRect geometry)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setFont(controlFont());
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QPushButton* addButton(QWidget* parent, const char* name, const QString& caption, QRect geometry,
                       const QString& tooltip)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setFont(controlFont());
    button->setToolTip(tooltip);
    button->setAutoDefault(false);
    button->installEventFilter(new KeyClicks(button));
    return button;
}

void setUpWindow(QWidget* window, const QString& title, QSize size)
{
    window->setWindowTitle(title);
    window->setWindowIcon(programIcon());
    window->setFixedSize(twips(size.width()), twips(size.height()));
    window->setFont(controlFont());
    QPalette background = window->palette();
    background.setColor(QPalette::Window, WindowGrey);
    window->setPalette(background);
    window->setAutoFillBackground(true);
}

QPixmap picture(const QString& resource, const QSize& size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    return pixmap;
}

QIcon programIcon()
{
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(picture(QStringLiteral(":/vantor/mask-icon.svg"), QSize(side, side)));
    return icon;
}

QGroupBox* addFrame(QWidget* parent, const char* name, const QString& caption, QRect geometry)
{
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setGeometry(geometry);
    frame->setFont(controlFont(9.75, true));
    frame->setFocusPolicy(Qt::NoFocus);
    return frame;
}

// A value the window shows and no one types: a locked box of the records window, pale green.
QLabel* addValue(QWidget* parent, const char* name, QRect geometry, const QString& accessibleName)
{
    QLabel* value = addLabel(parent, name, QString(), geometry);
    value->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    value->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    value->setIndent(4);
    QPalette colours = value->palette();
    colours.setColor(QPalette::Window, LockedGreen);
    value->setPalette(colours);
    value->setAutoFillBackground(true);
    value->setAccessibleName(accessibleName);
    return value;
}

} // namespace vantor::appearance
