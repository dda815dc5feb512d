#include "mainwindowfixture.h"

#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QSignalSpy>

using namespace vantor;

namespace {

// One control as drawn, geometry in twips; pointSize 0 for the pictures.
void control(const char* name, const char* kind, const char* parent, const char* caption, int l, int t, int w, int h,
             qreal pointSize = 9.75, bool bold = false, int alignment = 0, int maxLength = -1, const char* tip = "")
{
    auto px = [](int twips) {
        return qRound(twips / 15.0);
    };
    QTest::newRow(name) << QString::fromLatin1(kind) << QString::fromLatin1(parent) << QString::fromLatin1(caption)
                        << QRect(px(l), px(t), px(w), px(h)) << pointSize << bold << alignment << maxLength
                        << QString::fromLatin1(tip);
}
void box(const char* name, const char* frame, int l, int t, int w, bool centred, int maxLength)
{
    control(name, "QLineEdit", frame, "", l, t, w, 375, 9.75, false, centred ? Qt::AlignHCenter : Qt::AlignLeft,
            maxLength);
}
void label(const char* name, const char* frame, const char* caption, int l, int t, int w, int h = 240)
{
    control(name, "QLabel", frame, caption, l, t, w, h);
}
void button(const char* name, const char* frame, const char* caption, int l, int t, int h, const char* tip)
{
    control(name, "QPushButton", frame, caption, l, t, 1215, h, 9.75, false, 0, -1, tip);
}

} // namespace

class tst_MainLayout : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        f = std::make_unique<test::MainWindowFixture>();
        QVERIFY(f->start({test::row({{"ID", "A100"}, {"Last", "ALLEN"}})}));
    }
    void window()
    {
        QCOMPARE(f->window->objectName(), QStringLiteral("frmMaskTesting"));
        QCOMPARE(f->window->windowTitle(), QStringLiteral("Annual Mask Testing Records"));
        QCOMPARE(f->window->size(), QSize(662, 518));
        QCOMPARE(f->window->palette().color(QPalette::Window), QColor(192, 192, 192));
        QVERIFY(!f->window->windowIcon().isNull());
        QVERIFY(f->find<QLabel>("Label7")->wordWrap());
        QVERIFY(!f->find<QLabel>("Image1")->pixmap().isNull() && !f->find<QLabel>("Image2")->pixmap().isNull());
        QCOMPARE(f->window->findChildren<QLineEdit*>().size(), 14);
    }
    void controls_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<qreal>("pointSize");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<int>("maxLength"); // 0: no limit of its own
        QTest::addColumn<QString>("tooltip");

        const char* const frm = "frmMaskTesting";
        control("Image2", "QLabel", frm, "", 240, 240, 1170, 1155, 0);
        control("Label1", "QLabel", frm, "Mask Testing Records", 2160, 480, 5220, 585, 24, true);
        control("Image1", "QLabel", frm, "", 8400, 120, 1245, 1275, 0);
        control("Frame1", "QGroupBox", frm, "Last Date Tested", 240, 1560, 4095, 1455, 9.75, true);
        control("Frame5", "QGroupBox", frm, "Special Assignment", 4320, 1560, 3495, 1455, 9.75, true);
        control("Frame4", "QGroupBox", frm, "", 7920, 1560, 1695, 5055, 9.75, true);
        control("Frame2", "QGroupBox", frm, "Personnel ", 240, 3240, 7575, 1935, 9.75, true);
        control("Frame3", "QGroupBox", frm, "Permanent Assignment", 240, 5280, 7575, 1335, 9.75, true);
        control("Frame6", "QGroupBox", frm, "", 240, 6720, 9375, 855, 9.75, true);

        box("txtMonthTested", "Frame1", 480, 600, 735, true, 2);
        box("txtDayTested", "Frame1", 1800, 600, 735, true, 2);
        box("txtYearTested", "Frame1", 3120, 600, 855, false, 4);
        box("txtTorF", "Frame5", 2640, 360, 735, true, 1);
        box("txtAssignTo", "Frame5", 1320, 960, 2055, false, 0);
        box("txtFDID", "Frame2", 960, 360, 1215, false, 4);
        box("txtRank", "Frame2", 3000, 360, 1215, true, 5);
        box("txtKday", "Frame2", 5520, 360, 1935, false, 3);
        box("txtLname", "Frame2", 960, 960, 3015, false, 0);
        box("txtFname", "Frame2", 4200, 960, 2415, false, 0);
        box("txtMid", "Frame2", 6840, 960, 615, true, 2);
        box("txtBatt", "Frame3", 480, 360, 2175, true, 1);
        box("txtUnit", "Frame3", 2880, 360, 1095, true, 1);
        box("txtAssign", "Frame3", 4200, 360, 3255, true, 0);

        label("Label14", "Frame1", "Mo.", 120, 720, 315);
        label("Label15", "Frame1", "Day", 1320, 720, 315);
        label("Label16", "Frame1", "Yr.", 2760, 720, 240);
        label("Label7", "Frame5", "Enter a T if on Special Assignment:", 120, 360, 1890, 480);
        label("Label13", "Frame5", "Assigned To:", 120, 1080, 1125);
        label("Label2", "Frame2", "FDID:", 120, 480, 480);
        label("Label11", "Frame2", "Rank:", 2400, 480, 495);
        label("Label12", "Frame2", "Kelly Day:", 4560, 480, 840);
        label("Label3", "Frame2", "Name:", 120, 1080, 570);
        label("Label4", "Frame2", "Last", 2280, 1440, 345);
        label("Label5", "Frame2", "First", 5280, 1440, 375);
        label("Label6", "Frame2", "M.I.", 6960, 1440, 330);
        label("Label8", "Frame3", "Battalion", 1200, 840, 735);
        label("Label9", "Frame3", "Unit", 3360, 840, 330);
        label("Label10", "Frame3", "Assignment", 5160, 840, 990);

        button("cmdSearch", "Frame4", "&Search", 240, 240, 550, "Click to look up personnel by FDID");
        button("cmdAdd", "Frame4", "&Add", 240, 1080, 550, "Click to add a new record");
        button("cmdSave", "Frame4", "Sa&ve", 240, 1920, 550, "Click to save a new record");
        button("cmdEdit", "Frame4", "&Edit", 240, 2760, 550, "Click to make changes to a record");
        button("cmdUpdate", "Frame4", "&Update", 240, 3600, 550, "Click to save changes made to a record");
        button("cmdQuery", "Frame4", "&Query", 240, 4320, 550, "Click to open a query");
        button("cmdCancel", "Frame6", "Cancel", 5400, 240, 495, "Click to cancel an operation");
        button("cmdDelete", "Frame6", "&Delete", 6720, 240, 495, "Click to erase a record");
        button("cmdExit", "Frame6", "E&xit", 8040, 240, 495, "Click to close the program");
    }
    void controls()
    {
        QFETCH(QString, kind);
        QFETCH(QString, caption);
        QFETCH(qreal, pointSize);
        QFETCH(int, maxLength);
        QWidget* w = f->find(QTest::currentDataTag());
        QVERIFY(w && w->inherits(qPrintable(kind)));
        QTEST(w->parentWidget()->objectName(), "parent");
        QTEST(w->geometry(), "geometry");
        QTEST(w->toolTip(), "tooltip");
        if (auto* l = qobject_cast<QLabel*>(w))
            QCOMPARE(l->text(), caption);
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            QCOMPARE(g->title(), caption);
        else if (auto* b = qobject_cast<QPushButton*>(w))
            QCOMPARE(b->text(), caption);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            QTEST(int(edit->alignment() & Qt::AlignHorizontal_Mask), "alignment");
            QVERIFY(maxLength > 0 ? edit->maxLength() == maxLength : edit->maxLength() >= 32767);
        }
        QCOMPARE(w->focusPolicy() == Qt::NoFocus, kind != u"QLineEdit" && kind != u"QPushButton");
        if (pointSize > 0) {
            QCOMPARE(w->font().family(), QStringLiteral("Tahoma"));
            QCOMPARE(w->font().pointSizeF(), pointSize);
            QTEST(w->font().bold(), "bold");
            if (QFile::exists(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf")))
                QCOMPARE(QFontInfo(w->font()).family(), QStringLiteral("Tahoma"));
        }
    }
    void tabOrderRunsThroughBoxesThenButtons()
    {
        const QStringList order{"txtMonthTested", "txtDayTested", "txtYearTested", "txtTorF",       "txtAssignTo",
                                "txtFDID",        "txtRank",      "txtKday",       "txtLname",      "txtFname",
                                "txtMid",         "txtBatt",      "txtUnit",       "txtAssign",     "cmdDelete",
                                "cmdCancel",      "cmdSearch",    "cmdAdd",        "cmdSave",       "cmdEdit",
                                "cmdUpdate",      "cmdQuery",     "cmdExit",       "txtMonthTested"};
        for (QPushButton* b : f->window->findChildren<QPushButton*>())
            b->setEnabled(true); // a disabled button is skipped
        f->box("txtMonthTested")->setFocus();
        QStringList visited{QApplication::focusWidget()->objectName()};
        while (visited.size() < order.size()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, order);
    }
    void keysClickOnlyEnabledButtons()
    {
        QSignalSpy deleteClicks(f->button("cmdDelete"), &QPushButton::clicked);
        QSignalSpy saveClicks(f->button("cmdSave"), &QPushButton::clicked);
        QSignalSpy searchClicks(f->button("cmdSearch"), &QPushButton::clicked);
        QTest::keyClick(f->window.get(), Qt::Key_D, Qt::AltModifier); // disabled at start-up
        QTest::keyClick(f->window.get(), Qt::Key_V, Qt::AltModifier);
        // Enter in a text box clicks Search, the default button, while it is enabled.
        f->box("txtFDID")->setFocus();
        QTest::keyClick(f->box("txtFDID"), Qt::Key_Return);
        QTest::keyClick(f->box("txtFDID"), Qt::Key_Enter);
        QCOMPARE(searchClicks.count(), 2);
        QTest::keyClick(f->window.get(), Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY(f->button("cmdSave")->isEnabled()); // Add ran: entry mode, Search disabled
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(deleteClicks.count() + saveClicks.count(), 0);
        QCOMPARE(searchClicks.count(), 2);
    }

private:
    std::unique_ptr<test::MainWindowFixture> f;
};

QTEST_MAIN(tst_MainLayout)
#include "tst_mainlayout.moc"
