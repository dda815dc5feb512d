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

namespace vantor {
class frmQuery;
}

namespace vantor::test {

// The real records window on a real file in a temporary folder, driven the way a clerk
// drives it and answered by a scripted dialog service.
struct MainWindowFixture {
    QTemporaryDir dir;
    ScriptedDialogService dialogs;
    QString path;
    std::unique_ptr<frmMaskTesting> window;

    // Creates the file with `rows`, loads and shows the window; false when Form_Load refused.
    bool start(const QList<Row>& rows);
    bool load();

    template<typename T = QWidget>
    T* find(const char* name) const
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QLineEdit* box(const char* name) const { return find<QLineEdit>(name); }
    QPushButton* button(const char* name) const { return find<QPushButton>(name); }
    void click(const char* name);
    // Types `keys` into the box one key at a time, after giving it the focus by the mouse. A key
    // between angle brackets ("<Alt+Q>", "<Shift+Ins>", "<Num+Enter>") is pressed through the window,
    // as the platform delivers it: the window's access keys see it before the box does. "<menu>"
    // pastes by the box's context menu, "<middle>" by the middle button.
    void type(const char* name, const QString& keys);
    // The texts of the fourteen boxes, as a Row holds the fields.
    Row shown() const;
    // Puts the fields of `values` straight into their boxes: past the keystroke filters, within MaxLength.
    void fill(const Row& values);
    // The titles of the message boxes shown so far, the application title where a box had none.
    QStringList titles() const;

    // The query window while it shows, or nullptr.
    frmQuery* query() const;
    // Opens the query window with Alt+Q, as a clerk does; nullptr unless it opened and became active.
    frmQuery* openQuery();
};

// Chooses Paste in the box's context menu, opened from the keyboard.
void pasteByMenu(QLineEdit* box);

// The query window's list: clicks the entry at `position`.
void clickEntry(QWidget* query, int position);
// The FDIDs of the grid's rows, top to bottom.
QStringList idsInGrid(QWidget* query);
// The text of the count label.
QString countText(QWidget* query);

// A record every entry check accepts.
Row validRecord(const QString& id = QStringLiteral("E500"));

} // namespace vantor::test
