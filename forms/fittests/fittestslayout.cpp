// The Fit Tests window's controls, placed in twips as the records window's are.
#include "frmfittests.h"

#include "appearance.h"

#include <QGroupBox>
#include <QHeaderView>

namespace vantor {

using appearance::addButton;
using appearance::addFrame;
using appearance::addLabel;
using appearance::addValue;
using appearance::twipsRect;

void frmFitTests::buildLayout()
{
    setObjectName(QStringLiteral("frmFitTests"));
    appearance::setUpWindow(this, tr("Fit Tests"), QSize(10980, 6495));

    QGroupBox* fraMember = addFrame(this, "fraMember", tr("Member"), twipsRect(240, 120, 10500, 1215));
    addLabel(fraMember, "Label1", tr("FDID:"), twipsRect(120, 360, 600, 240));
    lblFDID = addValue(fraMember, "lblFDID", twipsRect(780, 300, 1215, 375), tr("FDID"));
    addLabel(fraMember, "Label2", tr("Name:"), twipsRect(2160, 360, 600, 240));
    lblName = addValue(fraMember, "lblName", twipsRect(2820, 300, 5000, 375), tr("Name"));
    addLabel(fraMember, "Label3", tr("Rank:"), twipsRect(8000, 360, 555, 240));
    lblRank = addValue(fraMember, "lblRank", twipsRect(8640, 300, 1215, 375), tr("Rank"));
    addLabel(fraMember, "Label4", tr("Last Date Tested:"), twipsRect(120, 780, 1500, 240));
    lblLastDate = addValue(fraMember, "lblLastDate", twipsRect(1680, 720, 1515, 375), tr("Last Date Tested"));

    QGroupBox* fraTests = addFrame(this, "fraTests", tr("Fit Tests"), twipsRect(240, 1440, 10500, 4200));
    dgFitTests = new QTableView(fraTests);
    dgFitTests->setObjectName(QStringLiteral("dgFitTests"));
    dgFitTests->setAccessibleName(tr("Fit tests of the member, newest first"));
    dgFitTests->setGeometry(twipsRect(120, 360, 10260, 3720));
    dgFitTests->setFont(appearance::controlFont());
    dgFitTests->setModel(&m_model);
    dgFitTests->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dgFitTests->setSelectionBehavior(QAbstractItemView::SelectRows);
    dgFitTests->setSelectionMode(QAbstractItemView::SingleSelection);
    dgFitTests->setWordWrap(false);
    dgFitTests->setTabKeyNavigation(false);
    dgFitTests->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    dgFitTests->verticalHeader()->setDefaultSectionSize(dgFitTests->fontMetrics().height() + 6);
    dgFitTests->horizontalHeader()->setStretchLastSection(true);
    dgFitTests->installEventFilter(this);

    lblCount = addLabel(this, "lblCount", QString(), twipsRect(240, 5880, 3000, 240));
    lblCount->setAccessibleName(tr("Number of fit tests"));

    struct ButtonPlace {
        QPushButton* frmFitTests::*button;
        const char* name;
        const char* caption;
        const char* tooltip;
    };
    static const ButtonPlace buttons[] = {
        {&frmFitTests::cmdAdd, "cmdAdd", QT_TR_NOOP("&Add"), QT_TR_NOOP("Click to record a new fit test")},
        {&frmFitTests::cmdEdit, "cmdEdit", QT_TR_NOOP("&Edit"), QT_TR_NOOP("Click to change the selected fit test")},
        {&frmFitTests::cmdDelete, "cmdDelete", QT_TR_NOOP("&Delete"),
         QT_TR_NOOP("Click to erase the selected fit test")},
        {&frmFitTests::cmdRecording, "cmdRecording", QT_TR_NOOP("&Recording"),
         QT_TR_NOOP("Click to open the recording of the selected fit test")},
        {&frmFitTests::cmdPrint, "cmdPrint", QT_TR_NOOP("&Print"),
         QT_TR_NOOP("Click to print the member's fit-test record")},
        {&frmFitTests::cmdClose, "cmdClose", QT_TR_NOOP("&Close"), QT_TR_NOOP("Click to return to the records window")},
    };
    int left = 3480;
    QWidget* previous = dgFitTests;
    for (const ButtonPlace& b : buttons) {
        QPushButton* button = addButton(this, b.name, tr(b.caption), twipsRect(left, 5760, 1095, 495), tr(b.tooltip));
        button->setAccessibleName(QString(tr(b.caption)).remove(u'&'));
        button->setAccessibleDescription(tr(b.tooltip));
        this->*b.button = button;
        QWidget::setTabOrder(previous, button);
        previous = button;
        left += 1215;
    }

    connect(cmdAdd, &QPushButton::clicked, this, &frmFitTests::cmdAdd_Click);
    connect(cmdEdit, &QPushButton::clicked, this, &frmFitTests::cmdEdit_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmFitTests::cmdDelete_Click);
    connect(cmdRecording, &QPushButton::clicked, this, &frmFitTests::cmdRecording_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmFitTests::cmdPrint_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
}

} // namespace vantor
