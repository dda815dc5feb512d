// Opening the Fit Tests window, showing the member and the tests, and deleting a test.
#include "frmfittests.h"

#include "fileopener.h"
#include "frmfittest.h"

#include <QCloseEvent>
#include <QDir>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QRegularExpression>

namespace vantor {

// A dialog, not a plain window: X11 keeps only a dialog above its owner.
frmFitTests::frmFitTests(DialogService& dialogs, RecordsLocation location, QWidget* owner)
    : QWidget(owner, Qt::Dialog)
    , m_dialogs(dialogs)
    , m_location(std::move(location))
    , m_openFile(openFileOnDesktop)
    , m_fileDirectory(QDir::tempPath())
{
    buildLayout();
    connect(dgFitTests->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { showTests(-1); });
}

frmFitTests::~frmFitTests() = default;

bool frmFitTests::Form_Load(qint64 memberKey)
{
    if (const StoreError error = m_store.open(m_location, memberKey)) {
        reportFailure(tr("The fit tests cannot be shown."), error, tr("Fit Tests"),
                      tr("The records window is as it was."));
        return false;
    }
    showMember();
    showTests();
    if (m_store.strayTests() > 0)
        m_dialogs.message(
            this,
            okBox(tr("%n fit test(s) recorded on this member's row carry another member's FDID, and are not "
                     "shown: the records file was rebuilt by a tool that renumbered its rows. Restore it from "
                     "a backup made before it was rebuilt, or ask for help; the tests are kept as they are.",
                     nullptr, int(m_store.strayTests())),
                  MsgIcon::Exclamation, tr("Fit Tests")));
    dgFitTests->setFocus(Qt::OtherFocusReason);
    return true;
}

void frmFitTests::showMember()
{
    const fittests::Member& member = m_store.member();
    setWindowTitle(tr("Fit Tests - %1 %2").arg(member.id, member.name()));
    lblFDID->setText(member.id);
    lblName->setText(member.name());
    lblRank->setText(member.rank);
    const std::optional<QDate> last = member.lastDateTested();
    // A date that makes no date is shown as it was typed.
    lblLastDate->setText(last ? fittests::shownDate(*last)
                              : QStringList{member.month, member.day, member.year}.join(u'/').remove(
                                  QRegularExpression(QStringLiteral("^/+$"))));
}

// Shows the tests, selecting the one with `selectKey` (0: the newest, -1: the one selected
// now), and the commands that apply to it.
void frmFitTests::showTests(qint64 selectKey)
{
    if (selectKey >= 0) {
        m_model.setTests(m_store.tests());
        dgFitTests->resizeColumnsToContents();
        const int row = selectKey > 0 ? std::max(0, m_model.rowOf(selectKey)) : 0;
        if (m_model.rowCount() > 0)
            dgFitTests->selectRow(row);
        const qsizetype count = m_model.tests().size();
        lblCount->setText(count == 1 ? tr("1 fit test") : tr("%1 fit tests").arg(count));
    }
    const fittests::FitTest* test = selectedTest();
    cmdEdit->setEnabled(test);
    cmdDelete->setEnabled(test);
    cmdRecording->setEnabled(test && !test->recordingName.isEmpty());
}

const fittests::FitTest* frmFitTests::selectedTest() const
{
    const QModelIndexList rows = dgFitTests->selectionModel()->selectedRows();
    if (rows.isEmpty() || rows.first().row() >= m_model.tests().size())
        return nullptr;
    return &m_model.tests().at(rows.first().row());
}

void frmFitTests::testSaved(qint64 key, bool dateSet)
{
    showMember();
    showTests(key);
    dgFitTests->setFocus(Qt::OtherFocusReason);
    if (dateSet)
        emit memberRecordChanged();
}

void frmFitTests::cmdAdd_Click()
{
    // The member is usually tested again with the facepiece of the last test.
    fittests::FitTest test;
    if (!m_store.tests().isEmpty()) {
        const fittests::FitTest& last = m_store.tests().first();
        test.type = last.type;
        test.protocol = last.protocol;
        test.protocolOther = last.protocolOther;
        test.make = last.make;
        test.model = last.model;
        test.style = last.style;
        test.size = last.size;
        test.facepiece = last.facepiece;
        test.tester = last.tester;
    }
    openEntry(test);
}

void frmFitTests::cmdEdit_Click()
{
    if (const fittests::FitTest* test = selectedTest())
        openEntry(*test);
}

void frmFitTests::openEntry(const fittests::FitTest& test)
{
    auto* entry = new frmFitTest(*this, test);
    entry->setAttribute(Qt::WA_DeleteOnClose);
    entry->setWindowModality(Qt::WindowModal);
    entry->show();
    entry->activateWindow();
}

void frmFitTests::cmdDelete_Click()
{
    const fittests::FitTest* test = selectedTest();
    if (!test)
        return;
    const qint64 key = test->key;
    if (m_dialogs.message(this,
                          yesNoBox(tr("Deleting this fit test will completely remove it, and its recording, "
                                      "from the database!\r\nAre you sure you wish to delete this fit test?"),
                                   tr("Delete Fit Test")))
        != MsgResult::Yes)
        return;
    const StoreError error = m_store.remove(key);
    showMember();
    showTests();
    if (error)
        reportFailure(tr("The fit test could not be deleted."), error, tr("Delete Fit Test"),
                      error.number == RowConflict
                          ? tr("It was changed or deleted at another station after it was shown here. The list "
                               "now shows the tests as they are stored; nothing was deleted.")
                          : tr("Nothing was deleted."));
}

void frmFitTests::reportFailure(const QString& what, const StoreError& error, const QString& title,
                                const QString& advice)
{
    QString prompt = tr("%1\r\n\r\n%2\r\n(Error %3)").arg(what, error.description, QString::number(error.number));
    if (error.number == AccessDenied && m_location.isServer())
        prompt += tr("\r\n\r\nThe database's owner grants the clerks SELECT, INSERT, UPDATE and DELETE on the tables "
                     "FitTest and FitTestRecording, as on MT.");
    if (!advice.isEmpty())
        prompt += QStringLiteral("\r\n\r\n") + advice;
    m_dialogs.message(this, okBox(prompt, MsgIcon::Critical, title));
}

bool frmFitTests::eventFilter(QObject* watched, QEvent* event)
{
    // The grid's own keys: Enter changes the selected test, Insert adds one, Delete erases it.
    if (watched == dgFitTests && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && !key->isAutoRepeat()) {
            QPushButton* command = nullptr;
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                command = cmdEdit;
            else if (key->key() == Qt::Key_Insert)
                command = cmdAdd;
            else if (key->key() == Qt::Key_Delete)
                command = cmdDelete;
            if (command) {
                if (command->isEnabled())
                    command->click();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmFitTests::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmFitTests::closeEvent(QCloseEvent* event)
{
    m_store.close();
    event->accept();
    if (parentWidget())
        parentWidget()->activateWindow();
}

} // namespace vantor
