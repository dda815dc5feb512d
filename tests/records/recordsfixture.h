#pragma once

#include "mainwindowfixture.h"

#include <QApplication>

namespace vantor::test {

// The records window driven the way a clerk drives it: keys typed into boxes, buttons
// clicked with the mouse, the scripted dialog service answering.
struct RecordsFixture : MainWindowFixture {
    void type(const char* name, const QString& keys)
    {
        QLineEdit* b = box(name);
        b->setFocus(Qt::MouseFocusReason);
        for (const QChar c : keys) {
            if (c.unicode() < 128)
                QTest::keyClick(b, char(c.unicode()));
            else // QTest only maps ASCII to keys
                QTest::sendKeyEvent(QTest::Click, b, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
        }
    }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }

    // The boxes in the table's field order, as test::readRows gives a row.
    static QList<const char*> boxesInFieldOrder()
    {
        return {"txtFDID", "txtLname", "txtFname", "txtMid",         "txtRank",      "txtKday",       "txtBatt",
                "txtUnit", "txtAssign", "txtMonthTested", "txtDayTested", "txtYearTested", "txtTorF", "txtAssignTo"};
    }
    Row shown() const
    {
        Row r;
        for (const char* name : boxesInFieldOrder())
            r << QVariant(box(name)->text());
        return r;
    }
    // Puts a record that every entry check accepts into the (unlocked) boxes.
    void fill(const Row& values)
    {
        const auto names = boxesInFieldOrder();
        for (qsizetype i = 0; i < names.size(); ++i)
            box(names.at(i))->setText(values.at(i).toString());
    }
    QStringList titles() const
    {
        QStringList t;
        for (const MessageBox& m : dialogs.messages)
            t << DialogService::titleOf(m.title);
        return t;
    }
};

inline Row validRecord(const QString& id = QStringLiteral("E500"))
{
    return row({{"ID", id}, {"Last", "EVANS"}, {"First", "ED"}, {"Init", ""}, {"Rank", "FF"}, {"Kelly", "3"},
                {"Batt", "2"}, {"Unit", "1"}, {"Assign", "E-5"}, {"Month", ""}, {"Day", ""}, {"Year", ""},
                {"Special", ""}, {"AssignTo", ""}});
}

} // namespace vantor::test
