// The records window's controls, placed as the form was drawn (positions in twips).
#include "frmmasktesting.h"

#include "appearance.h"

#include <QGroupBox>

namespace vantor {

using appearance::addButton;
using appearance::addLabel;
using appearance::twipsRect;

QGroupBox* frmMaskTesting::addFrame(const char* name, const QString& caption, QRect geometry)
{
    auto* frame = new QGroupBox(caption, this);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setGeometry(geometry);
    frame->setFont(appearance::controlFont(9.75, true));
    frame->setFocusPolicy(Qt::NoFocus);
    return frame;
}

TextBox* frmMaskTesting::addTextBox(QWidget* frame, const char* name, QRect geometry, Qt::Alignment alignment,
                                    int maxLength)
{
    auto* box = new TextBox(frame);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(geometry);
    box->setFont(appearance::controlFont());
    box->setAlignment(alignment | Qt::AlignVCenter);
    // A MaxLength of 0 means no limit; QLineEdit's own default limit is 32767.
    box->setTypingLimit(maxLength > 0 ? maxLength : std::numeric_limits<int>::max());
    box->setDefaultButtonHandler([this] { return clickDefaultButton(); });
    return box;
}

void frmMaskTesting::buildLayout()
{
    setObjectName(QStringLiteral("frmMaskTesting"));
    setWindowTitle(tr("Annual Mask Testing Records"));
    setWindowIcon(appearance::programIcon());
    setFixedSize(appearance::twips(9930), appearance::twips(7770));
    QPalette background = palette();
    background.setColor(QPalette::Window, appearance::WindowGrey);
    setPalette(background);
    setAutoFillBackground(true);

    auto* image2 = new QLabel(this);
    image2->setObjectName(QStringLiteral("Image2"));
    image2->setGeometry(twipsRect(240, 240, 1170, 1155));
    image2->setPixmap(appearance::picture(QStringLiteral(":/vantor/emblem.svg"), image2->size()));
    image2->setScaledContents(true);

    auto* label1 = addLabel(this, "Label1", tr("Mask Testing Records"), twipsRect(2160, 480, 5220, 585));
    label1->setFont(appearance::controlFont(24, true));

    auto* image1 = new QLabel(this);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setGeometry(twipsRect(8400, 120, 1245, 1275));
    image1->setPixmap(appearance::picture(QStringLiteral(":/vantor/apparatus.svg"), QSize(83, 85)));
    image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    QGroupBox* frame1 = addFrame("Frame1", tr("Last Date Tested"), twipsRect(240, 1560, 4095, 1455));
    QGroupBox* frame5 = addFrame("Frame5", tr("Special Assignment"), twipsRect(4320, 1560, 3495, 1455));
    QGroupBox* frame4 = addFrame("Frame4", QString(), twipsRect(7920, 1560, 1695, 5055));
    QGroupBox* frame2 = addFrame("Frame2", tr("Personnel "), twipsRect(240, 3240, 7575, 1935));
    QGroupBox* frame3 = addFrame("Frame3", tr("Permanent Assignment"), twipsRect(240, 5280, 7575, 1335));
    QGroupBox* frame6 = addFrame("Frame6", QString(), twipsRect(240, 6720, 9375, 855));

    const Qt::Alignment centre = Qt::AlignHCenter;
    const Qt::Alignment left = Qt::AlignLeft;

    txtMonthTested = addTextBox(frame1, "txtMonthTested", twipsRect(480, 600, 735, 375), centre, 2);
    addLabel(frame1, "Label14", tr("Mo."), twipsRect(120, 720, 315, 240));
    txtDayTested = addTextBox(frame1, "txtDayTested", twipsRect(1800, 600, 735, 375), centre, 2);
    addLabel(frame1, "Label15", tr("Day"), twipsRect(1320, 720, 315, 240));
    txtYearTested = addTextBox(frame1, "txtYearTested", twipsRect(3120, 600, 855, 375), left, 4);
    addLabel(frame1, "Label16", tr("Yr."), twipsRect(2760, 720, 240, 240));

    txtTorF = addTextBox(frame5, "txtTorF", twipsRect(2640, 360, 735, 375), centre, 1);
    QLabel* label7
        = addLabel(frame5, "Label7", tr("Enter a T if on Special Assignment:"), twipsRect(120, 360, 1890, 480));
    label7->setWordWrap(true);
    txtAssignTo = addTextBox(frame5, "txtAssignTo", twipsRect(1320, 960, 2055, 375), left, 0);
    addLabel(frame5, "Label13", tr("Assigned To:"), twipsRect(120, 1080, 1125, 240));

    txtFDID = addTextBox(frame2, "txtFDID", twipsRect(960, 360, 1215, 375), left, 4);
    addLabel(frame2, "Label2", tr("FDID:"), twipsRect(120, 480, 480, 240));
    txtRank = addTextBox(frame2, "txtRank", twipsRect(3000, 360, 1215, 375), centre, 5);
    addLabel(frame2, "Label11", tr("Rank:"), twipsRect(2400, 480, 495, 240));
    txtKday = addTextBox(frame2, "txtKday", twipsRect(5520, 360, 1935, 375), left, 3);
    addLabel(frame2, "Label12", tr("Kelly Day:"), twipsRect(4560, 480, 840, 240));
    txtLname = addTextBox(frame2, "txtLname", twipsRect(960, 960, 3015, 375), left, 0);
    addLabel(frame2, "Label3", tr("Name:"), twipsRect(120, 1080, 570, 240));
    addLabel(frame2, "Label4", tr("Last"), twipsRect(2280, 1440, 345, 240));
    txtFname = addTextBox(frame2, "txtFname", twipsRect(4200, 960, 2415, 375), left, 0);
    addLabel(frame2, "Label5", tr("First"), twipsRect(5280, 1440, 375, 240));
    txtMid = addTextBox(frame2, "txtMid", twipsRect(6840, 960, 615, 375), centre, 2);
    addLabel(frame2, "Label6", tr("M.I."), twipsRect(6960, 1440, 330, 240));

    txtBatt = addTextBox(frame3, "txtBatt", twipsRect(480, 360, 2175, 375), centre, 1);
    addLabel(frame3, "Label8", tr("Battalion"), twipsRect(1200, 840, 735, 240));
    txtUnit = addTextBox(frame3, "txtUnit", twipsRect(2880, 360, 1095, 375), centre, 1);
    addLabel(frame3, "Label9", tr("Unit"), twipsRect(3360, 840, 330, 240));
    txtAssign = addTextBox(frame3, "txtAssign", twipsRect(4200, 360, 3255, 375), centre, 0);
    addLabel(frame3, "Label10", tr("Assignment"), twipsRect(5160, 840, 990, 240));

    cmdSearch = addButton(frame4, "cmdSearch", tr("&Search"), twipsRect(240, 240, 1215, 550),
                          tr("Click to look up personnel by FDID"));
    cmdAdd = addButton(frame4, "cmdAdd", tr("&Add"), twipsRect(240, 1080, 1215, 550), tr("Click to add a new record"));
    cmdSave
        = addButton(frame4, "cmdSave", tr("Sa&ve"), twipsRect(240, 1920, 1215, 550), tr("Click to save a new record"));
    cmdEdit = addButton(frame4, "cmdEdit", tr("&Edit"), twipsRect(240, 2760, 1215, 550),
                        tr("Click to make changes to a record"));
    cmdUpdate = addButton(frame4, "cmdUpdate", tr("&Update"), twipsRect(240, 3600, 1215, 550),
                          tr("Click to save changes made to a record"));
    cmdQuery
        = addButton(frame4, "cmdQuery", tr("&Query"), twipsRect(240, 4320, 1215, 550), tr("Click to open a query"));
    cmdCancel = addButton(frame6, "cmdCancel", tr("Cancel"), twipsRect(5400, 240, 1215, 495),
                          tr("Click to cancel an operation"));
    cmdDelete
        = addButton(frame6, "cmdDelete", tr("&Delete"), twipsRect(6720, 240, 1215, 495), tr("Click to erase a record"));
    cmdExit
        = addButton(frame6, "cmdExit", tr("E&xit"), twipsRect(8040, 240, 1215, 495), tr("Click to close the program"));
    // Drawn for Windows' Tahoma, some captions run a pixel or two wider here: a label takes the
    // room to its right rather than clip its last letter.
    for (QLabel* label : findChildren<QLabel*>()) {
        if (!label->wordWrap() && !label->text().isEmpty())
            label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
    }

    // Shown as the default button; Enter in a text box reaches it through clickDefaultButton().
    cmdSearch->setDefault(true);

    for (std::size_t i = 0; i < FieldBoxes.size(); ++i)
        m_fieldBoxes[i] = findChild<TextBox*>(QString::fromLatin1(FieldBoxes[i].box));
    setTabOrder();

    connect(cmdAdd, &QPushButton::clicked, this, &frmMaskTesting::cmdAdd_Click);
    connect(cmdEdit, &QPushButton::clicked, this, &frmMaskTesting::cmdEdit_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmMaskTesting::cmdCancel_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMaskTesting::cmdExit_Click);
    connect(cmdQuery, &QPushButton::clicked, this, &frmMaskTesting::cmdQuery_Click);
}

void frmMaskTesting::setTabOrder()
{
    const QList<QWidget*> order{txtMonthTested, txtDayTested, txtYearTested, txtTorF,   txtAssignTo, txtFDID,
                                txtRank,        txtKday,      txtLname,      txtFname,  txtMid,      txtBatt,
                                txtUnit,        txtAssign,    cmdDelete,     cmdCancel, cmdSearch,   cmdAdd,
                                cmdSave,        cmdEdit,      cmdUpdate,     cmdQuery,  cmdExit};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}

bool frmMaskTesting::clickDefaultButton()
{
    if (!cmdSearch->isEnabled())
        return false;
    cmdSearch->click();
    return true;
}

} // namespace vantor
