// The records window's controls, placed as the form was drawn (positions in twips).
#include "frmmasktesting.h"

#include "appearance.h"

#include <QGroupBox>
#include <QHash>

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
    // A fixed border, as drawn: no maximise button, which could only do nothing here. Without
    // CustomizeWindowHint the platform gives a window every button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QPalette background = palette();
    background.setColor(QPalette::Window, appearance::WindowGrey);
    setPalette(background);
    setAutoFillBackground(true);

    auto* image2 = new QLabel(this);
    image2->setObjectName(QStringLiteral("Image2"));
    image2->setGeometry(twipsRect(240, 240, 1170, 1155));
    image2->setPixmap(appearance::picture(QStringLiteral(":/vantor/emblem.svg"), image2->size()));
    image2->setScaledContents(true);
    image2->setAccessibleName(tr("Fire department emblem"));

    auto* label1 = addLabel(this, "Label1", tr("Mask Testing Records"), twipsRect(2160, 480, 5220, 585));
    label1->setFont(appearance::controlFont(24, true));

    auto* image1 = new QLabel(this);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setGeometry(twipsRect(8400, 120, 1245, 1275));
    image1->setPixmap(appearance::picture(QStringLiteral(":/vantor/apparatus.svg"), QSize(83, 85)));
    image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image1->setAccessibleName(tr("Breathing apparatus"));

    // The frames, the text boxes with the labels beside them, and the command buttons, as the
    // form was drawn: Left, Top, Width and Height in twips, relative to the frame.
    struct FramePlace {
        const char* name;
        const char* caption;
        QRect at;
    };
    static const FramePlace frames[] = {
        {"Frame1", QT_TR_NOOP("Last Date Tested"), {240, 1560, 4095, 1455}},
        {"Frame5", QT_TR_NOOP("Special Assignment"), {4320, 1560, 3495, 1455}},
        {"Frame4", "", {7920, 1560, 1695, 5055}},
        {"Frame2", QT_TR_NOOP("Personnel "), {240, 3240, 7575, 1935}},
        {"Frame3", QT_TR_NOOP("Permanent Assignment"), {240, 5280, 7575, 1335}},
        {"Frame6", "", {240, 6720, 9375, 855}},
    };
    QHash<QByteArray, QGroupBox*> frame;
    for (const FramePlace& f : frames) {
        const QString caption = *f.caption ? tr(f.caption) : QString();
        frame.insert(f.name, addFrame(f.name, caption, twipsRect(f.at)));
    }

    constexpr Qt::Alignment centre = Qt::AlignHCenter;
    constexpr Qt::Alignment left = Qt::AlignLeft;
    struct BoxPlace {
        TextBox* frmMaskTesting::*box;
        const char* frame;
        const char* name;
        QRect at;
        Qt::Alignment alignment;
        int maxLength; // 0: no limit
    };
    static const BoxPlace boxes[] = {
        {&frmMaskTesting::txtMonthTested, "Frame1", "txtMonthTested", {480, 600, 735, 375}, centre, 2},
        {&frmMaskTesting::txtDayTested, "Frame1", "txtDayTested", {1800, 600, 735, 375}, centre, 2},
        {&frmMaskTesting::txtYearTested, "Frame1", "txtYearTested", {3120, 600, 855, 375}, left, 4},
        {&frmMaskTesting::txtTorF, "Frame5", "txtTorF", {2640, 360, 735, 375}, centre, 1},
        {&frmMaskTesting::txtAssignTo, "Frame5", "txtAssignTo", {1320, 960, 2055, 375}, left, 0},
        {&frmMaskTesting::txtFDID, "Frame2", "txtFDID", {960, 360, 1215, 375}, left, 4},
        {&frmMaskTesting::txtRank, "Frame2", "txtRank", {3000, 360, 1215, 375}, centre, 5},
        {&frmMaskTesting::txtKday, "Frame2", "txtKday", {5520, 360, 1935, 375}, left, 3},
        {&frmMaskTesting::txtLname, "Frame2", "txtLname", {960, 960, 3015, 375}, left, 0},
        {&frmMaskTesting::txtFname, "Frame2", "txtFname", {4200, 960, 2415, 375}, left, 0},
        {&frmMaskTesting::txtMid, "Frame2", "txtMid", {6840, 960, 615, 375}, centre, 2},
        {&frmMaskTesting::txtBatt, "Frame3", "txtBatt", {480, 360, 2175, 375}, centre, 1},
        {&frmMaskTesting::txtUnit, "Frame3", "txtUnit", {2880, 360, 1095, 375}, centre, 1},
        {&frmMaskTesting::txtAssign, "Frame3", "txtAssign", {4200, 360, 3255, 375}, centre, 0},
    };
    for (const BoxPlace& b : boxes)
        this->*b.box = addTextBox(frame.value(b.frame), b.name, twipsRect(b.at), b.alignment, b.maxLength);
    // What a screen reader calls each box: its label, made whole where the label says too little
    // alone ("Mo.", "Last" below the box). Without a name of its own a box is called after its
    // frame, and three boxes would all be "Last Date Tested".
    static const std::pair<TextBox * frmMaskTesting::*, const char*> spoken[] = {
        {&frmMaskTesting::txtMonthTested, QT_TR_NOOP("Month tested")},
        {&frmMaskTesting::txtDayTested, QT_TR_NOOP("Day tested")},
        {&frmMaskTesting::txtYearTested, QT_TR_NOOP("Year tested")},
        {&frmMaskTesting::txtTorF, QT_TR_NOOP("T if on special assignment")},
        {&frmMaskTesting::txtAssignTo, QT_TR_NOOP("Assigned to")},
        {&frmMaskTesting::txtFDID, QT_TR_NOOP("FDID")},
        {&frmMaskTesting::txtRank, QT_TR_NOOP("Rank")},
        {&frmMaskTesting::txtKday, QT_TR_NOOP("Kelly Day")},
        {&frmMaskTesting::txtLname, QT_TR_NOOP("Last name")},
        {&frmMaskTesting::txtFname, QT_TR_NOOP("First name")},
        {&frmMaskTesting::txtMid, QT_TR_NOOP("Middle initial")},
        {&frmMaskTesting::txtBatt, QT_TR_NOOP("Battalion")},
        {&frmMaskTesting::txtUnit, QT_TR_NOOP("Unit")},
        {&frmMaskTesting::txtAssign, QT_TR_NOOP("Assignment")},
    };
    for (const auto& [box, name] : spoken)
        (this->*box)->setAccessibleName(tr(name));

    struct LabelPlace {
        const char* frame;
        const char* name;
        const char* caption;
        QRect at;
    };
    static const LabelPlace labels[] = {
        {"Frame1", "Label14", QT_TR_NOOP("Mo."), {120, 720, 315, 240}},
        {"Frame1", "Label15", QT_TR_NOOP("Day"), {1320, 720, 315, 240}},
        {"Frame1", "Label16", QT_TR_NOOP("Yr."), {2760, 720, 240, 240}},
        {"Frame5", "Label7", QT_TR_NOOP("Enter a T if on Special Assignment:"), {120, 360, 1890, 480}},
        {"Frame5", "Label13", QT_TR_NOOP("Assigned To:"), {120, 1080, 1125, 240}},
        {"Frame2", "Label2", QT_TR_NOOP("FDID:"), {120, 480, 480, 240}},
        {"Frame2", "Label11", QT_TR_NOOP("Rank:"), {2400, 480, 495, 240}},
        {"Frame2", "Label12", QT_TR_NOOP("Kelly Day:"), {4560, 480, 840, 240}},
        {"Frame2", "Label3", QT_TR_NOOP("Name:"), {120, 1080, 570, 240}},
        {"Frame2", "Label4", QT_TR_NOOP("Last"), {2280, 1440, 345, 240}},
        {"Frame2", "Label5", QT_TR_NOOP("First"), {5280, 1440, 375, 240}},
        {"Frame2", "Label6", QT_TR_NOOP("M.I."), {6960, 1440, 330, 240}},
        {"Frame3", "Label8", QT_TR_NOOP("Battalion"), {1200, 840, 735, 240}},
        {"Frame3", "Label9", QT_TR_NOOP("Unit"), {3360, 840, 330, 240}},
        {"Frame3", "Label10", QT_TR_NOOP("Assignment"), {5160, 840, 990, 240}},
    };
    for (const LabelPlace& l : labels)
        addLabel(frame.value(l.frame), l.name, tr(l.caption), twipsRect(l.at));
    // The one label drawn two lines high.
    findChild<QLabel*>(QStringLiteral("Label7"))->setWordWrap(true);

    struct ButtonPlace {
        QPushButton* frmMaskTesting::*button;
        const char* frame;
        const char* name;
        const char* caption;
        QRect at;
        const char* tooltip;
    };
    static const ButtonPlace buttons[] = {
        {&frmMaskTesting::cmdSearch,
         "Frame4",
         "cmdSearch",
         QT_TR_NOOP("&Search"),
         {240, 240, 1215, 550},
         QT_TR_NOOP("Click to look up personnel by FDID")},
        {&frmMaskTesting::cmdAdd,
         "Frame4",
         "cmdAdd",
         QT_TR_NOOP("&Add"),
         {240, 1080, 1215, 550},
         QT_TR_NOOP("Click to add a new record")},
        {&frmMaskTesting::cmdSave,
         "Frame4",
         "cmdSave",
         QT_TR_NOOP("Sa&ve"),
         {240, 1920, 1215, 550},
         QT_TR_NOOP("Click to save a new record")},
        {&frmMaskTesting::cmdEdit,
         "Frame4",
         "cmdEdit",
         QT_TR_NOOP("&Edit"),
         {240, 2760, 1215, 550},
         QT_TR_NOOP("Click to make changes to a record")},
        {&frmMaskTesting::cmdUpdate,
         "Frame4",
         "cmdUpdate",
         QT_TR_NOOP("&Update"),
         {240, 3600, 1215, 550},
         QT_TR_NOOP("Click to save changes made to a record")},
        {&frmMaskTesting::cmdQuery,
         "Frame4",
         "cmdQuery",
         QT_TR_NOOP("&Query"),
         {240, 4320, 1215, 550},
         QT_TR_NOOP("Click to open a query")},
        {&frmMaskTesting::cmdCancel,
         "Frame6",
         "cmdCancel",
         QT_TR_NOOP("Cancel"),
         {5400, 240, 1215, 495},
         QT_TR_NOOP("Click to cancel an operation")},
        {&frmMaskTesting::cmdDelete,
         "Frame6",
         "cmdDelete",
         QT_TR_NOOP("&Delete"),
         {6720, 240, 1215, 495},
         QT_TR_NOOP("Click to erase a record")},
        {&frmMaskTesting::cmdExit,
         "Frame6",
         "cmdExit",
         QT_TR_NOOP("E&xit"),
         {8040, 240, 1215, 495},
         QT_TR_NOOP("Click to close the program")},
    };
    for (const ButtonPlace& b : buttons)
        this->*b.button = addButton(frame.value(b.frame), b.name, tr(b.caption), twipsRect(b.at), tr(b.tooltip));
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
