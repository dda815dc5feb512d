#pragma once

#include "scripteddialogs.h"
#include "testdatabase.h"

#include <frmmasktesting.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace vantor::test {

// The real records window on a real records file in a temporary folder, answered by a
// scripted dialog service.
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
    // Loads the window on whatever file the folder holds (or none).
    bool load()
    {
        window = std::make_unique<frmMaskTesting>(dialogs, dir.path());
        if (!window->Form_Load())
            return false;
        window->show();
        return QTest::qWaitForWindowActive(window.get());
    }

    template <typename T = QWidget>
    T* find(const char* name) const
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QLineEdit* box(const char* name) const { return find<QLineEdit>(name); }
    QPushButton* button(const char* name) const { return find<QPushButton>(name); }
};

} // namespace vantor::test
