#pragma once

#include "connection.h"
#include "storeerror.h"

namespace vantor::fittests {

// Copies every fit test and recording of `from` into `to`, whose table MT has just received
// every record of `from`'s, in the order of its row keys: each member's tests go to the
// record that took its place, their values and recordings as they are. Runs inside the
// transaction open on `to`; a target without the tables for them gains them there. Records
// without fit tests copy nothing. `copied` receives the number of tests copied.
StoreError copyFitTests(Connection& from, Connection& to, qsizetype* copied = nullptr);

} // namespace vantor::fittests
