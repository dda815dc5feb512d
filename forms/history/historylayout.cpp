// The History window's controls, placed in twips as the records window's are.
#include "frmhistory.h"

#include "appearance.h"

#include <QGroupBox>
#include <QHeaderView>

namespace vantor {

using appearance::addButton;
using appearance::addFrame;
using appearance::addLabel;
using appearance::addValue;
using appearance::twipsRect;

void frmHistory::buildLayout()
{
    setObjectName(QStringLiteral("frmHistory"));
    appearance::setUpWindow(this, tr("History"), QSize(10980, 6495));

    QGroupBox* fraMember = addFrame(this, "fraMember", tr("Member"), twipsRect(240, 120, 10500, 795));
    addLabel(fraMember, "Label1", tr("FDID:"), twipsRect(120, 360, 600, 240));
    lblFDID = addValue(fraMember, "lblFDID", twipsRect(780, 300, 1215, 375), tr("FDID"));
    addLabel(fraMember, "Label2", tr("Name:"), twipsRect(2160, 360, 600, 240));
    lblName = addValue(fraMember, "lblName", twipsRect(2820, 300, 5000, 375), tr("Name"));

    QGroupBox* fraHistory
        = addFrame(this, "fraHistory", tr("Changes, newest first"), twipsRect(240, 1020, 10500, 2940));
    dgHistory = new QTableView(fraHistory);
    dgHistory->setObjectName(QStringLiteral("dgHistory"));
    dgHistory->setAccessibleName(tr("Changes of the member's record and fit tests, newest first"));
    dgHistory->setGeometry(twipsRect(120, 360, 10260, 2460));
    dgHistory->setFont(appearance::controlFont());
    dgHistory->setModel(&m_model);
    dgHistory->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dgHistory->setSelectionBehavior(QAbstractItemView::SelectRows);
    dgHistory->setSelectionMode(QAbstractItemView::SingleSelection);
    dgHistory->setWordWrap(false);
    dgHistory->setTabKeyNavigation(false);
    dgHistory->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    dgHistory->verticalHeader()->setDefaultSectionSize(dgHistory->fontMetrics().height() + 6);
    dgHistory->horizontalHeader()->setStretchLastSection(true);

    QGroupBox* fraChanges = addFrame(this, "fraChanges", tr("The change selected"), twipsRect(240, 4020, 10500, 1620));
    txtChanges = new QPlainTextEdit(fraChanges);
    txtChanges->setObjectName(QStringLiteral("txtChanges"));
    txtChanges->setAccessibleName(tr("Every field of the change selected, before and after"));
    txtChanges->setGeometry(twipsRect(120, 330, 10260, 1170));
    txtChanges->setFont(appearance::controlFont());
    txtChanges->setReadOnly(true);
    txtChanges->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    // Tab leaves the box, as from every other control; the box takes no typing.
    txtChanges->setTabChangesFocus(true);

    lblCount = addLabel(this, "lblCount", QString(), twipsRect(240, 5880, 3000, 240));
    lblCount->setAccessibleName(tr("Number of changes"));

    cmdClose = addButton(this, "cmdClose", tr("&Close"), twipsRect(9645, 5760, 1095, 495),
                         tr("Click to return to the records window"));
    cmdClose->setAccessibleName(tr("Close"));
    cmdClose->setAccessibleDescription(cmdClose->toolTip());
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);

    QWidget::setTabOrder(dgHistory, txtChanges);
    QWidget::setTabOrder(txtChanges, cmdClose);
}

} // namespace vantor
