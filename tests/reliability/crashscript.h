#pragma once

#include "testdatabase.h"

#include <QMap>
#include <QString>
#include <QStringList>

namespace vantor::test::crash {

// The writes of one run of the crash-test writer, derived from a seed alone, so that the
// writer and the test that kills it agree on every write without talking.
enum class OpKind { Insert, Update, Delete };

struct Op {
    OpKind kind = OpKind::Insert;
    QString id;          // the record written (its FDID, unique in the file)
    QStringList values;  // Insert and Update: the fourteen fields, in the table's order
};

// The file's records by FDID, as the writer and the test both know them.
using Model = QMap<QString, Row>;

// Write number `index` of the run with `seed`, given the records before it.
Op makeOp(quint64 seed, int index, const Model& before);
void apply(const Op& op, Model& model);

// A readable list of the differences, for failure messages.
QString difference(const Model& expected, const Model& actual);

} // namespace vantor::test::crash
