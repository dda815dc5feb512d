// Start-up, record display, field locking and shutdown of the records window.
#include "frmmasktesting.h"

#include "appearance.h"
#include "legacyconversion.h"
#include "mainrecords.h"

#include <QCloseEvent>

namespace vantor {

frmMaskTesting::frmMaskTesting(DialogService& dialogs, RecordsLocation location, QWidget* parent)
    : QWidget(parent)
    , m_dialogs(dialogs)
    , m_location(std::move(location))
{
    buildLayout();
    connectRecordHandlers();
}

frmMaskTesting::~frmMaskTesting()
{
    Form_Unload();
}

bool frmMaskTesting::Form_Load()
{
    LockFields();
    setBrowseModeButtons();

    // An old Access file is converted, or the start-up ends, before the store is opened.
    if (m_location.isFile() && !offerLegacyConversion(m_dialogs, this, m_location.filePath())) {
        Form_Unload();
        return false;
    }
    MainRecords store = openMainRecords(m_location);
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

    for (TextBox* box : textBoxes())
        box->setSelection(0, int(box->text().size()));
    return true;
}

void frmMaskTesting::reportStartupFailure(const StoreError& error)
{
    QString advice;
    switch (error.number) {
    case FileNotFound:
        advice = QStringLiteral("Copy the department's MaskTest.mdb into the program's folder, or create an empty "
                                "records file with:\n    vantor --create-database \"%1\"")
                     .arg(m_strDBPath);
        break;
    case AccessDenied:
        advice = QStringLiteral("Ask your administrator to give you permission to read and write this file.");
        break;
    case Busy:
        advice = QStringLiteral("Another program is using the file. Wait a moment and start Vantor again.");
        break;
    case AccessFormatFile:
        advice = QStringLiteral("Convert it to a Vantor records file first:\n    vantor --import-legacy \"%1\" "
                                "--database NEW.mdb")
                     .arg(m_strDBPath);
        break;
    default:
        advice = QStringLiteral("The file is not a usable records file. Restore MaskTest.mdb from your last "
                                "backup, or create an empty one with:\n    vantor --create-database NEW.mdb");
        break;
    }
    const QString prompt = QStringLiteral("Vantor cannot open its records file:\n%1\n\n%2\n(Error %3)\n\n%4")
                               .arg(m_strDBPath, error.description, QString::number(error.number), advice);
    m_dialogs.message(this, okBox(prompt, MsgIcon::Critical));
}

void frmMaskTesting::LockFields()
{
    for (TextBox* box : textBoxes()) {
        box->setLocked(true);
        box->setBackColor(appearance::LockedGreen);
    }
}

void frmMaskTesting::UnlockFields()
{
    for (TextBox* box : textBoxes()) {
        box->setLocked(false);
        box->setBackColor(appearance::UnlockedWhite);
    }
}

QList<TextBox*> frmMaskTesting::textBoxes() const
{
    return findChildren<TextBox*>();
}

StoreError frmMaskTesting::ShowRecord()
{
    if (!m_rsMaskTest || m_rsMaskTest->bof() || m_rsMaskTest->eof())
        return {};
    // Read all fourteen first, so that a failing field leaves the boxes as they were.
    const std::pair<TextBox*, const char*> order[] = {
        {txtLname, "Last"},   {txtFname, "First"},       {txtMid, "Init"},      {txtKday, "Kelly"},
        {txtRank, "Rank"},    {txtFDID, "ID"},           {txtAssign, "Assign"}, {txtUnit, "Unit"},
        {txtBatt, "Batt"},    {txtMonthTested, "Month"}, {txtDayTested, "Day"}, {txtYearTested, "Year"},
        {txtTorF, "Special"}, {txtAssignTo, "AssignTo"},
    };
    QStringList texts;
    for (const auto& [box, field] : order) {
        StoreError error;
        const QVariant value = m_rsMaskTest->value(QString::fromLatin1(field), &error);
        if (error)
            return error;
        texts << value.toString();
    }
    for (qsizetype i = 0; i < texts.size(); ++i)
        order[i].first->setText(texts.at(i));
    return {};
}

void frmMaskTesting::cmdExit_Click()
{
    if (m_dialogs.message(this, yesNoBox(QStringLiteral("Are you sure you want to quit?"), QStringLiteral("Exit")))
        == MsgResult::Yes)
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
