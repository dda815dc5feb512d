#include "fittestsmodel.h"

namespace vantor {

namespace {

// The result beside the date, where the grid shows it without scrolling.
enum Column { Date, Type, Result, Respirator, Facepiece, Protocol, Tester, Recording, Note, ColumnCount };

QString protocolName(const fittests::FitTest& test)
{
    if (test.protocol == fittests::OtherProtocol && !test.protocolOther.isEmpty())
        return test.protocolOther;
    const fittests::Protocol* protocol = fittests::protocolByCode(test.protocol);
    return protocol ? QCoreApplication::translate("vantor::fittests", protocol->name) : test.protocol;
}

} // namespace

void FitTestsModel::setTests(const QList<fittests::FitTest>& tests)
{
    beginResetModel();
    m_tests = tests;
    endResetModel();
}

int FitTestsModel::rowOf(qint64 key) const
{
    for (int row = 0; row < m_tests.size(); ++row) {
        if (m_tests.at(row).key == key)
            return row;
    }
    return -1;
}

int FitTestsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_tests.size());
}

int FitTestsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString FitTestsModel::resultText(const fittests::FitTest& test)
{
    const QString result = test.passed ? tr("Pass") : tr("Fail");
    if (test.type != fittests::TestType::Quantitative || !test.fitFactor)
        return result;
    return tr("%1 (%2)").arg(result, fittests::shownFitFactor(*test.fitFactor));
}

QVariant FitTestsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_tests.size() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const fittests::FitTest& test = m_tests.at(index.row());
    switch (index.column()) {
    case Date: return fittests::shownDate(test.date);
    case Type: return fittests::typeName(test.type);
    case Protocol: return protocolName(test);
    case Respirator: return test.respirator();
    case Facepiece: return fittests::facepieceName(test.facepiece);
    case Result: return resultText(test);
    case Tester: return test.tester;
    case Recording: return test.recordingName;
    case Note: return test.note;
    default: return {};
    }
}

QVariant FitTestsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    static const char* const headings[ColumnCount]
        = {QT_TR_NOOP("Date"),       QT_TR_NOOP("Type"),      QT_TR_NOOP("Result"),
           QT_TR_NOOP("Respirator"), QT_TR_NOOP("Facepiece"), QT_TR_NOOP("Protocol"),
           QT_TR_NOOP("Tested By"),  QT_TR_NOOP("Recording"), QT_TR_NOOP("Note")};
    return section >= 0 && section < ColumnCount ? tr(headings[section]) : QVariant();
}

} // namespace vantor
