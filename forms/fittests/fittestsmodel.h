#pragma once

#include <fittests.h>

#include <QAbstractTableModel>

namespace vantor {

// The Fit Tests window's grid: one row per test of the member, newest first.
class FitTestsModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setTests(const QList<fittests::FitTest>& tests);
    const QList<fittests::FitTest>& tests() const { return m_tests; }
    // The row of the test with `key`, or -1.
    int rowOf(qint64 key) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // What a test's result reads as: "Pass", "Fail", "Pass (2,300)".
    static QString resultText(const fittests::FitTest& test);

private:
    QList<fittests::FitTest> m_tests;
};

} // namespace vantor
