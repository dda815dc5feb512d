#include "mainwindowfixture.h"

#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QSignalSpy>

using namespace vantor;

class tst_MainLayout : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void window();
    void controls_data();
    void controls();
    void tabOrderRunsThroughBoxesThenButtons();
    void accessKeysClickOnlyEnabledButtons();
    void enterInATextBoxClicksSearchWhileEnabled();

private:
    std::unique_ptr<test::MainWindowFixture> f;
};

namespace {

QRect pixels(int left, int top, int width, int height)
{
    auto px = [](int twips) { return qRound(twips / 15.0); };
    return QRect(px(left), px(top), px(width), px(height));
}

// One control of the window as it was drawn; pointSize 0 for the pictures.
void control(const char* name, const char* kind, const char* parent, const QString& caption, QRect geometry,
             qreal pointSize = 9.75, bool bold = false, int alignment = 0, int maxLength = -1,
             const QString& tooltip = {})
{
    QTest::newRow(name) << QString::fromLatin1(kind) << QString::fromLatin1(parent) << caption << geometry
                        << pointSize << bold << alignment << maxLength << tooltip;
}

void box(const char* name, const char* frame, QRect geometry, Qt::Alignment alignment, int maxLength)
{
    control(name, "QLineEdit", frame, {}, geometry, 9.75, false, int(alignment), maxLength);
}

void button(const char* name, const char* frame, const QString& caption, QRect geometry, const QString& tooltip)
{
    control(name, "QPushButton", frame, caption, geometry, 9.75, false, 0, -1, tooltip);
}

} // namespace

void tst_MainLayout::init()
{
    f = std::make_unique<test::MainWindowFixture>();
    QVERIFY(f->start({test::row({{"ID", "A100"}, {"Last", "ALLEN"}})}));
}

void tst_MainLayout::window()
{
    QCOMPARE(f->window->objectName(), QStringLiteral("frmMaskTesting"));
    QCOMPARE(f->window->windowTitle(), QStringLiteral("Annual Mask Testing Records"));
    QCOMPARE(f->window->size(), QSize(662, 518));
    QCOMPARE(f->window->palette().color(QPalette::Window), QColor(192, 192, 192));
    QVERIFY(!f->window->windowIcon().isNull());
    QVERIFY(f->find<QLabel>("Label7")->wordWrap());
    QVERIFY(!f->find<QLabel>("Image1")->pixmap().isNull());
    QVERIFY(!f->find<QLabel>("Image2")->pixmap().isNull());
    QCOMPARE(f->window->findChildren<QLineEdit*>().size(), 14);
}

void tst_MainLayout::controls_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<qreal>("pointSize");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<QString>("tooltip");

    const char* const frm = "frmMaskTesting";
    control("Image2", "QLabel", frm, {}, pixels(240, 240, 1170, 1155), 0);
    control("Label1", "QLabel", frm, "Mask Testing Records", pixels(2160, 480, 5220, 585), 24, true);
    control("Image1", "QLabel", frm, {}, pixels(8400, 120, 1245, 1275), 0);
    control("Frame1", "QGroupBox", frm, "Last Date Tested", pixels(240, 1560, 4095, 1455), 9.75, true);
    control("Frame5", "QGroupBox", frm, "Special Assignment", pixels(4320, 1560, 3495, 1455), 9.75, true);
    control("Frame4", "QGroupBox", frm, "", pixels(7920, 1560, 1695, 5055), 9.75, true);
    control("Frame2", "QGroupBox", frm, "Personnel ", pixels(240, 3240, 7575, 1935), 9.75, true);
    control("Frame3", "QGroupBox", frm, "Permanent Assignment", pixels(240, 5280, 7575, 1335), 9.75, true);
    control("Frame6", "QGroupBox", frm, "", pixels(240, 6720, 9375, 855), 9.75, true);

    const Qt::Alignment centre = Qt::AlignHCenter, left = Qt::AlignLeft;
    box("txtMonthTested", "Frame1", pixels(480, 600, 735, 375), centre, 2);
    box("txtDayTested", "Frame1", pixels(1800, 600, 735, 375), centre, 2);
    box("txtYearTested", "Frame1", pixels(3120, 600, 855, 375), left, 4);
    box("txtTorF", "Frame5", pixels(2640, 360, 735, 375), centre, 1);
    box("txtAssignTo", "Frame5", pixels(1320, 960, 2055, 375), left, 0);
    box("txtFDID", "Frame2", pixels(960, 360, 1215, 375), left, 4);
    box("txtRank", "Frame2", pixels(3000, 360, 1215, 375), centre, 5);
    box("txtKday", "Frame2", pixels(5520, 360, 1935, 375), left, 3);
    box("txtLname", "Frame2", pixels(960, 960, 3015, 375), left, 0);
    box("txtFname", "Frame2", pixels(4200, 960, 2415, 375), left, 0);
    box("txtMid", "Frame2", pixels(6840, 960, 615, 375), centre, 2);
    box("txtBatt", "Frame3", pixels(480, 360, 2175, 375), centre, 1);
    box("txtUnit", "Frame3", pixels(2880, 360, 1095, 375), centre, 1);
    box("txtAssign", "Frame3", pixels(4200, 360, 3255, 375), centre, 0);

    control("Label14", "QLabel", "Frame1", "Mo.", pixels(120, 720, 315, 240));
    control("Label15", "QLabel", "Frame1", "Day", pixels(1320, 720, 315, 240));
    control("Label16", "QLabel", "Frame1", "Yr.", pixels(2760, 720, 240, 240));
    control("Label7", "QLabel", "Frame5", "Enter a T if on Special Assignment:", pixels(120, 360, 1890, 480));
    control("Label13", "QLabel", "Frame5", "Assigned To:", pixels(120, 1080, 1125, 240));
    control("Label2", "QLabel", "Frame2", "FDID:", pixels(120, 480, 480, 240));
    control("Label11", "QLabel", "Frame2", "Rank:", pixels(2400, 480, 495, 240));
    control("Label12", "QLabel", "Frame2", "Kelly Day:", pixels(4560, 480, 840, 240));
    control("Label3", "QLabel", "Frame2", "Name:", pixels(120, 1080, 570, 240));
    control("Label4", "QLabel", "Frame2", "Last", pixels(2280, 1440, 345, 240));
    control("Label5", "QLabel", "Frame2", "First", pixels(5280, 1440, 375, 240));
    control("Label6", "QLabel", "Frame2", "M.I.", pixels(6960, 1440, 330, 240));
    control("Label8", "QLabel", "Frame3", "Battalion", pixels(1200, 840, 735, 240));
    control("Label9", "QLabel", "Frame3", "Unit", pixels(3360, 840, 330, 240));
    control("Label10", "QLabel", "Frame3", "Assignment", pixels(5160, 840, 990, 240));

    button("cmdSearch", "Frame4", "&Search", pixels(240, 240, 1215, 550), "Click to look up personnel by FDID");
    button("cmdAdd", "Frame4", "&Add", pixels(240, 1080, 1215, 550), "Click to add a new record");
    button("cmdSave", "Frame4", "Sa&ve", pixels(240, 1920, 1215, 550), "Click to save a new record");
    button("cmdEdit", "Frame4", "&Edit", pixels(240, 2760, 1215, 550), "Click to make changes to a record");
    button("cmdUpdate", "Frame4", "&Update", pixels(240, 3600, 1215, 550), "Click to save changes made to a record");
    button("cmdQuery", "Frame4", "&Query", pixels(240, 4320, 1215, 550), "Click to open a query");
    button("cmdCancel", "Frame6", "Cancel", pixels(5400, 240, 1215, 495), "Click to cancel an operation");
    button("cmdDelete", "Frame6", "&Delete", pixels(6720, 240, 1215, 495), "Click to erase a record");
    button("cmdExit", "Frame6", "E&xit", pixels(8040, 240, 1215, 495), "Click to close the program");
}

void tst_MainLayout::controls()
{
    QFETCH(QString, kind);
    QFETCH(QString, parent);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    QFETCH(qreal, pointSize);
    QFETCH(bool, bold);
    QFETCH(int, alignment);
    QFETCH(int, maxLength);
    QFETCH(QString, tooltip);

    QWidget* w = f->find(QTest::currentDataTag());
    QVERIFY(w);
    QVERIFY2(w->inherits(qPrintable(kind)), w->metaObject()->className());
    QCOMPARE(w->parentWidget()->objectName(), parent);
    QCOMPARE(w->geometry(), geometry);
    QCOMPARE(w->toolTip(), tooltip);
    if (auto* label = qobject_cast<QLabel*>(w))
        QCOMPARE(label->text(), caption);
    else if (auto* group = qobject_cast<QGroupBox*>(w))
        QCOMPARE(group->title(), caption);
    else if (auto* push = qobject_cast<QPushButton*>(w))
        QCOMPARE(push->text(), caption);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        QCOMPARE(int(edit->alignment() & Qt::AlignHorizontal_Mask), alignment);
        if (maxLength > 0)
            QCOMPARE(edit->maxLength(), maxLength);
        else
            QVERIFY(edit->maxLength() >= 32767); // no limit of its own
    }
    QCOMPARE(w->focusPolicy() == Qt::NoFocus, !kind.startsWith(QLatin1String("QLineEdit"))
                                                  && !kind.startsWith(QLatin1String("QPushButton")));
    if (pointSize > 0) {
        QCOMPARE(w->font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(w->font().pointSizeF(), pointSize);
        QCOMPARE(w->font().bold(), bold);
        if (QFile::exists(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf")))
            QCOMPARE(QFontInfo(w->font()).family(), QStringLiteral("Tahoma"));
    }
}

void tst_MainLayout::tabOrderRunsThroughBoxesThenButtons()
{
    const QStringList order{"txtMonthTested", "txtDayTested", "txtYearTested", "txtTorF", "txtAssignTo",
                            "txtFDID", "txtRank", "txtKday", "txtLname", "txtFname", "txtMid", "txtBatt",
                            "txtUnit", "txtAssign", "cmdDelete", "cmdCancel", "cmdSearch", "cmdAdd",
                            "cmdSave", "cmdEdit", "cmdUpdate", "cmdQuery", "cmdExit", "txtMonthTested"};
    // A disabled button is skipped; with every button enabled the whole order shows.
    for (QPushButton* b : f->window->findChildren<QPushButton*>())
        b->setEnabled(true);
    f->box("txtMonthTested")->setFocus();
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, order);
}

void tst_MainLayout::accessKeysClickOnlyEnabledButtons()
{
    QSignalSpy deleteClicks(f->button("cmdDelete"), &QPushButton::clicked);
    QSignalSpy saveClicks(f->button("cmdSave"), &QPushButton::clicked);
    QTest::keyClick(f->window.get(), Qt::Key_D, Qt::AltModifier); // disabled at start-up
    QTest::keyClick(f->window.get(), Qt::Key_V, Qt::AltModifier);
    QTest::keyClick(f->window.get(), Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(f->button("cmdSave")->isEnabled()); // Add ran: entry mode
    QCOMPARE(deleteClicks.count(), 0);
    QCOMPARE(saveClicks.count(), 0);
    QVERIFY(f->dialogs.messages.isEmpty());
}

void tst_MainLayout::enterInATextBoxClicksSearchWhileEnabled()
{
    QSignalSpy searchClicks(f->button("cmdSearch"), &QPushButton::clicked);
    QLineEdit* fdid = f->box("txtFDID");
    fdid->setFocus();
    QTest::keyClick(fdid, Qt::Key_Return);
    QCOMPARE(searchClicks.count(), 1);
    QTest::keyClick(fdid, Qt::Key_Enter);
    QCOMPARE(searchClicks.count(), 2);

    f->dialogs.clear();
    QTest::mouseClick(f->button("cmdAdd"), Qt::LeftButton); // Search is disabled in entry mode
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(searchClicks.count(), 2);
}

QTEST_MAIN(tst_MainLayout)
#include "tst_mainlayout.moc"
