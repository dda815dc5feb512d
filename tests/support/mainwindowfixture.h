#pragma once

#include "scripteddialogs.h"
#include "testdatabase.h"

#include <frmmasktesting.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace vantor::test {

// The boxes in the table's field order, as a Row holds the fields.
inline const char* const BoxOfField[]
    = {"txtFDID", "txtLname",  "txtFname",       "txtMid",       "txtRank",       "txtKday", "txtBatt",
       "txtUnit", "txtAssign", "txtMonthTested", "txtDayTested", "txtYearTested", "txtTorF", "txtAssignTo"};

// The real records window on a real file in a temporary folder, driven the way a clerk
// drives it and answered by a scripted dialog service.
struct MainWindowFixture {
    QTemporaryDir dir;
    ScriptedDialogService dialogs;
    QString path;
    std::unique_ptr<frmMaskTesting> window;

    // Creates the file with `rows`, loads and shows the window; false when Form_Load refused.
    bool start(const QList<Row>& rows)
    {
        path = createDatabase(dir.path(), rows);
        return load();
    }
    bool load()
    {
        window = std::make_unique<frmMaskTesting>(dialogs,
                                                  RecordsLocation::file(dir.filePath(QStringLiteral("MaskTest.mdb"))));
        if (!window->Form_Load())
            return false;
        window->show();
        return QTest::qWaitForWindowActive(window.get());
    }
    template<typename T = QWidget>
    T* find(const char* name) const
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QLineEdit* box(const char* name) const { return find<QLineEdit>(name); }
    QPushButton* button(const char* name) const { return find<QPushButton>(name); }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    void type(const char* name, const QString& keys)
    {
        QLineEdit* b = box(name);
        b->setFocus(Qt::MouseFocusReason);
        for (const QChar c : keys) {
            if (c.unicode() < 128)
                QTest::keyClick(b, char(c.unicode()));
            else // QTest maps only ASCII to keys
                QTest::sendKeyEvent(QTest::Click, b, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
        }
    }
    Row shown() const
    {
        Row r;
        for (const char* name : BoxOfField)
            r << QVariant(box(name)->text());
        return r;
    }
    void fill(const Row& values)
    {
        for (int i = 0; i < 14; ++i)
            box(BoxOfField[i])->setText(values.at(i).toString());
    }
    QStringList titles() const
    {
        QStringList t;
        for (const MessageBox& m : dialogs.messages)
            t << DialogService::titleOf(m.title);
        return t;
    }
};

// A record every entry check accepts.
inline Row validRecord(const QString& id = QStringLiteral("E500"))
{
    return row({{"ID", id},
                {"Last", "EVANS"},
                {"First", "ED"},
                {"Init", ""},
                {"Rank", "FF"},
                {"Kelly", "3"},
                {"Batt", "2"},
                {"Unit", "1"},
                {"Assign", "E-5"},
                {"Month", ""},
                {"Day", ""},
                {"Year", ""},
                {"Special", ""},
                {"AssignTo", ""}});
}

} // namespace vantor::test
