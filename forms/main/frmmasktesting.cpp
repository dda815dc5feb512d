// Start-up, record display, field locking and shutdown of the records window.
#include "frmmasktesting.h"

#include "appearance.h"
#include "legacyconversion.h"
#include "serverlogin.h"
#include "serverwaitwindow.h"
#include <mainrecords.h>

#include <QCloseEvent>

namespace vantor {

frmMaskTesting::frmMaskTesting(DialogService& dialogs, RecordsLocation location, QWidget* parent)
    : QWidget(parent)
    , m_dialogs(dialogs)
    , m_location(std::move(location))
{
    buildLayout();
    connectRecordHandlers();
    addFitTestsMenu();
    // A server that is slow to answer is waited for in a window of its own, which this
    // window's actions and the query window's share.
    ServerWaitWindow::install();
}

frmMaskTesting::~frmMaskTesting()
{
    Form_Unload();
}

bool frmMaskTesting::Form_Load()
{
    setMode(Mode::Browse);

    // An old Access file is converted, or the start-up ends, before the store is opened.
    if (m_location.isFile() && !offerLegacyConversion(m_dialogs, this, m_location.filePath())) {
        Form_Unload();
        return false;
    }
    MainRecords store = openMainRecords(m_location);
    // A server that wants a password its own files do not hold: asked, never stored. A typed
    // one the server refuses is asked again, three tries in all, as sudo allows.
    for (int tries = 0; m_location.isServer() && tries < MaxPasswordTries
         && (store.error.number == PasswordRequired || (tries > 0 && store.error.number == AuthenticationFailed));
         ++tries) {
        if (!askServerPassword(m_dialogs, startupBoxParent(), m_location, tries > 0))
            break;
        store = openMainRecords(m_location);
    }
    m_cnnMaskTest = std::move(store.connection);
    m_strDBPath = store.dbPath;
    m_strConnect = store.connect;
    m_rsMaskTest = std::move(store.records);
    m_strSQL = store.sql;
    StoreError error = store.error;
    if (!error)
        error = ShowRecord();
    if (error) {
        reportStartupFailure(error);
        Form_Unload();
        return false;
    }

    for (TextBox* box : m_fieldBoxes)
        box->setSelection(0, int(box->text().size()));
    return true;
}

// Before the window is shown, a box placed over it would stand at the top left of the screen,
// where the hidden window lies: it goes to the middle of the screen instead.
QWidget* frmMaskTesting::startupBoxParent()
{
    return isVisible() ? this : nullptr;
}

void frmMaskTesting::reportStartupFailure(const StoreError& error)
{
    if (m_location.isServer()) {
        // The heading names the server already; the store's text repeats it for the commands.
        QString description = error.description;
        if (description.startsWith(m_strDBPath + QStringLiteral(": ")))
            description.remove(0, m_strDBPath.size() + 2);
        m_dialogs.message(
            startupBoxParent(),
            okBox(tr("Vantor cannot open its records on the server:\n%1\n\n%2\n(Error %3)\n\n%4")
                      .arg(m_strDBPath, description, QString::number(error.number), serverAdvice(m_location, error)),
                  MsgIcon::Critical));
        return;
    }
    QString advice;
    switch (error.number) {
    case FileNotFound:
        advice = tr("Copy the department's MaskTest.mdb into the program's folder, or create an empty "
                    "records file with:\n    vantor --create-database \"%1\"")
                     .arg(m_strDBPath);
        break;
    case AccessDenied: advice = tr("Ask your administrator to give you permission to read and write this file."); break;
    case Busy: advice = tr("Another program is using the file. Wait a moment and start Vantor again."); break;
    case AccessFormatFile:
        advice = tr("Convert it to a Vantor records file first:\n    vantor --import-legacy \"%1\" "
                    "--database NEW.mdb")
                     .arg(m_strDBPath);
        break;
    default:
        advice = tr("The file is not a usable records file. Restore MaskTest.mdb from your last "
                    "backup, or create an empty one with:\n    vantor --create-database NEW.mdb");
        break;
    }
    const QString prompt = tr("Vantor cannot open its records file:\n%1\n\n%2\n(Error %3)\n\n%4")
                               .arg(m_strDBPath, error.description, QString::number(error.number), advice);
    m_dialogs.message(startupBoxParent(), okBox(prompt, MsgIcon::Critical));
}

void frmMaskTesting::LockFields()
{
    for (TextBox* box : m_fieldBoxes) {
        box->setLocked(true);
        box->setBackColor(appearance::LockedGreen);
    }
}

void frmMaskTesting::UnlockFields()
{
    for (TextBox* box : m_fieldBoxes) {
        box->setLocked(false);
        box->setBackColor(appearance::UnlockedWhite);
    }
}

StoreError frmMaskTesting::ShowRecord()
{
    if (!m_rsMaskTest || m_rsMaskTest->bof() || m_rsMaskTest->eof())
        return {};
    // Read all fourteen first, so that a failing field leaves the boxes as they were.
    QStringList texts;
    for (const FieldBox& fieldBox : FieldBoxes) {
        StoreError error;
        const QVariant value = m_rsMaskTest->value(QString::fromLatin1(fieldBox.field), &error);
        if (error)
            return error;
        texts << value.toString();
    }
    for (std::size_t i = 0; i < m_fieldBoxes.size(); ++i)
        m_fieldBoxes[i]->showText(texts.at(qsizetype(i)));
    return {};
}

void frmMaskTesting::cmdExit_Click()
{
    if (m_dialogs.message(this, yesNoBox(tr("Are you sure you want to quit?"), tr("Exit"))) == MsgResult::Yes)
        close();
}

void frmMaskTesting::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void frmMaskTesting::Form_Unload()
{
    if (m_rsMaskTest) {
        m_rsMaskTest->close();
        m_rsMaskTest.reset();
    }
    if (m_cnnMaskTest) {
        m_cnnMaskTest->close();
        m_cnnMaskTest.reset();
    }
}

} // namespace vantor
