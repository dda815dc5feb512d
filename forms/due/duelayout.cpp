// The Fit Tests Due window's controls, in twips, in the query window's style.
#include "frmfittestsdue.h"

#include "appearance.h"
#include "textbox.h"

#include <QHeaderView>

namespace vantor {

using appearance::addButton;
using appearance::addLabel;
using appearance::twipsRect;

void frmFitTestsDue::buildLayout()
{
    setObjectName(QStringLiteral("frmFitTestsDue"));
    appearance::setUpWindow(this, tr("Fit Tests Due"), QSize(14400, 7020));

    QLabel* Label1 = addLabel(this, "Label1", tr("&Group:"), twipsRect(240, 300, 2775, 240));
    lstGroups = new QListWidget(this);
    lstGroups->setObjectName(QStringLiteral("lstGroups"));
    lstGroups->setAccessibleName(tr("Group"));
    lstGroups->setGeometry(twipsRect(240, 720, 2775, 4560));
    lstGroups->setFont(appearance::controlFont());
    lstGroups->setSelectionMode(QAbstractItemView::SingleSelection);
    Label1->setBuddy(lstGroups);

    QLabel* Label2 = addLabel(this, "Label2", tr("Due &within"), twipsRect(3240, 300, 1000, 240));
    txtWithin = new TextBox(this);
    txtWithin->setObjectName(QStringLiteral("txtWithin"));
    txtWithin->setAccessibleName(tr("Due within days"));
    txtWithin->setGeometry(twipsRect(4260, 240, 735, 375));
    txtWithin->setFont(appearance::controlFont());
    txtWithin->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    txtWithin->setTypingLimit(3);
    Label2->setBuddy(txtWithin);
    lblToday = addLabel(this, "lblToday", QString(), twipsRect(5100, 300, 7000, 240));
    lblToday->setAccessibleName(tr("Days counted from"));

    dgDue = new QTableView(this);
    dgDue->setObjectName(QStringLiteral("dgDue"));
    dgDue->setAccessibleName(tr("Members due for a fit test"));
    dgDue->setGeometry(twipsRect(3240, 720, 10920, 5460));
    dgDue->setFont(appearance::controlFont());
    dgDue->setModel(&m_model);
    dgDue->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dgDue->setSelectionBehavior(QAbstractItemView::SelectRows);
    dgDue->setWordWrap(false);
    dgDue->setTabKeyNavigation(false);
    dgDue->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    dgDue->verticalHeader()->setDefaultSectionSize(dgDue->fontMetrics().height() + 6);

    addLabel(this, "Label3", tr("Number of Members:"), twipsRect(240, 6480, 1845, 240));
    lblCount = addLabel(this, "lblCount", QString(), twipsRect(2160, 6360, 855, 375));
    lblCount->setAccessibleName(tr("Number of members"));
    lblCount->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblCount->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette windowColours = lblCount->palette();
    windowColours.setColor(QPalette::Window, windowColours.color(QPalette::Base));
    lblCount->setPalette(windowColours);
    lblCount->setAutoFillBackground(true);

    cmdPrint = addButton(this, "cmdPrint", tr("&Send to Excel"), twipsRect(10800, 6360, 1455, 495),
                         tr("Click to send the list to Excel"));
    cmdReturn = addButton(this, "cmdReturn", tr("&Close"), twipsRect(12720, 6360, 1445, 495),
                          tr("Click to return to the records window"));
    for (QPushButton* button : {cmdPrint, cmdReturn}) {
        button->setAccessibleName(QString(button->text()).remove(u'&'));
        button->setAccessibleDescription(button->toolTip());
    }

    QWidget::setTabOrder(lstGroups, txtWithin);
    QWidget::setTabOrder(txtWithin, dgDue);
    QWidget::setTabOrder(dgDue, cmdPrint);
    QWidget::setTabOrder(cmdPrint, cmdReturn);

    connect(lstGroups, &QListWidget::itemSelectionChanged, this, &frmFitTestsDue::lstGroups_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmFitTestsDue::cmdPrint_Click);
    connect(cmdReturn, &QPushButton::clicked, this, &QWidget::close);
}

} // namespace vantor
