#include "serverwaitwindow.h"

#include "dialogservice.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantor {

ServerWaitWindow::~ServerWaitWindow()
{
    if (serverWaitObserver() == this)
        setServerWaitObserver(nullptr);
    delete m_window;
}

void ServerWaitWindow::install()
{
    static ServerWaitWindow window;
    setServerWaitObserver(&window);
}

void ServerWaitWindow::waitStarted(const QString& server, const std::function<void()>& stop)
{
    delete m_window;
    QWidget* owner
        = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : QApplication::activeWindow();
    m_window = new QDialog(owner);
    m_window->setObjectName(QStringLiteral("frmServerWait"));
    m_window->setWindowTitle(DialogService::applicationTitle());
    // Modal for the whole program: nothing else may start while a request is on its way.
    m_window->setWindowModality(Qt::ApplicationModal);
    auto* message = new QLabel(tr("Waiting for the server to answer:\n%1").arg(server), m_window);
    message->setObjectName(QStringLiteral("lblWaiting"));
    message->setWordWrap(true);
    auto* stopWaiting = new QPushButton(tr("&Stop waiting"), m_window);
    stopWaiting->setObjectName(QStringLiteral("cmdStopWaiting"));
    auto* layout = new QVBoxLayout(m_window);
    layout->addWidget(message);
    layout->addWidget(stopWaiting, 0, Qt::AlignRight);
    QObject::connect(stopWaiting, &QPushButton::clicked, m_window, stop);
    // Escape and the close box stop waiting too.
    QObject::connect(m_window, &QDialog::rejected, m_window, stop);
    m_window->show();
    stopWaiting->setFocus(Qt::OtherFocusReason);
}

void ServerWaitWindow::waitEnded()
{
    delete m_window;
    // What was painted while the answer was awaited (a grid's rows, which the store could not
    // read then) is painted again now.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            window->update();
    }
}

} // namespace vantor
