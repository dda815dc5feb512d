// The query window's controls, placed as the form was drawn (positions in twips).
#include "frmquery.h"

#include "appearance.h"
#include "listbox.h"

#include <QHeaderView>

#include <algorithm>

namespace vantor {

using appearance::addButton;
using appearance::addLabel;
using appearance::twipsRect;

void frmQuery::buildLayout()
{
    setObjectName(QStringLiteral("frmQuery"));
    setWindowTitle(tr("Personnel Who Have Not Been Tested"));
    setFixedSize(appearance::twips(11850), appearance::twips(7020));
    setFont(appearance::controlFont());

    QLabel* Label1 = addLabel(this, "Label1", tr("1. Select a query by clicking on one of the items in the list"),
                              twipsRect(240, 360, 4950, 240));
    QLabel* Label2 = addLabel(this, "Label2", tr("2. To print the selected list click on the print button"),
                              twipsRect(240, 840, 4365, 240));
    QLabel* Label3 = addLabel(this, "Label3", tr("3. Click the Close button to return to the main form"),
                              twipsRect(240, 1320, 4380, 240));
    // Where the stand-in for Tahoma runs wider, the steps may use the room up to the list
    // rather than lose their last words.
    for (QLabel* step : {Label1, Label2, Label3})
        step->resize(std::clamp(step->sizeHint().width(), step->width(), appearance::twips(5880 - 240 - 60)),
                     step->height());

    lstBattalions = new ListBox(this);
    lstBattalions->setObjectName(QStringLiteral("lstBattalions"));
    lstBattalions->setGeometry(twipsRect(5880, 240, 3015, 1500));
    lstBattalions->setFont(appearance::controlFont());
    lstBattalions->setSelectionMode(QAbstractItemView::SingleSelection);
    lstBattalions->setSortingEnabled(false);
    // A screen reader's names for the list and the grid, which no label beside them gives.
    lstBattalions->setAccessibleName(tr("Queries"));

    auto* Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(twipsRect(10200, 360, 1245, 1275));
    Image1->setPixmap(appearance::picture(QStringLiteral(":/vantor/apparatus.svg"), QSize(83, 85)));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setAccessibleName(tr("Breathing apparatus"));

    dgPersonnel = new QTableView(this);
    dgPersonnel->setObjectName(QStringLiteral("dgPersonnel"));
    dgPersonnel->setGeometry(twipsRect(120, 1920, 11415, 4215));
    dgPersonnel->setFont(appearance::controlFont());
    dgPersonnel->setModel(&m_personnel);
    dgPersonnel->setAccessibleName(tr("Personnel not tested"));
    dgPersonnel->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dgPersonnel->setWordWrap(false);
    // Tab moves on to the next control, as in the other windows, rather than along the cells.
    dgPersonnel->setTabKeyNavigation(false);
    QFont headings(QStringLiteral("MS Sans Serif"));
    headings.setPointSizeF(9.75);
    headings.setStyleHint(QFont::SansSerif);
    dgPersonnel->horizontalHeader()->setFont(headings);
    // Every row has the same height, so the grid never measures rows it does not show.
    dgPersonnel->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    dgPersonnel->verticalHeader()->setDefaultSectionSize(dgPersonnel->fontMetrics().height() + 6);
    dgPersonnel->verticalHeader()->setMinimumWidth(appearance::twips(240));

    addLabel(this, "Label4", tr("Number of Records:"), twipsRect(120, 6480, 1725, 240));

    lblCount = addLabel(this, "lblCount", QString(), twipsRect(2040, 6360, 1215, 375));
    lblCount->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblCount->setLineWidth(1);
    lblCount->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette windowColours = lblCount->palette();
    windowColours.setColor(QPalette::Window, windowColours.color(QPalette::Base));
    windowColours.setColor(QPalette::WindowText, windowColours.color(QPalette::Text));
    lblCount->setPalette(windowColours);
    lblCount->setAutoFillBackground(true);

    cmdPrint = addButton(this, "cmdPrint", tr("&Send to Excel"), twipsRect(8160, 6360, 1455, 495),
                         tr("Click to send info to Excel"));
    cmdReturn = addButton(this, "cmdReturn", tr("&Close"), twipsRect(10080, 6360, 1445, 495),
                          tr("Click to return to main form"));

    // Tab order as drawn: Send to Excel, Close, the grid, the list.
    QWidget::setTabOrder(cmdPrint, cmdReturn);
    QWidget::setTabOrder(cmdReturn, dgPersonnel);
    QWidget::setTabOrder(dgPersonnel, lstBattalions);
    cmdPrint->setFocus();

    connect(lstBattalions, &QListWidget::itemSelectionChanged, this, &frmQuery::lstBattalions_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmQuery::cmdPrint_Click);
    connect(cmdReturn, &QPushButton::clicked, this, &frmQuery::cmdReturn_Click);
}

} // namespace vantor
