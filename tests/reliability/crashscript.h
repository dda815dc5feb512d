#pragma once

#include "testdatabase.h"

#include <QMap>
#include <QStringList>

namespace vantor::test::crash {

// The writes of one run of the crash-test writer follow from its seed alone, so the writer
// and the test that kills it agree on every write without talking.
enum class OpKind { Insert, Update, Delete };

struct Op {
    OpKind kind = OpKind::Insert;
    QString id;
    QStringList values; // Insert and Update: the fourteen fields, in the table's order
};

using Model = QMap<QString, Row>; // the file's records by FDID

Op makeOp(quint64 seed, int index, const Model& before);
void apply(const Op& op, Model& model);

} // namespace vantor::test::crash
