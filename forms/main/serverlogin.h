#pragma once

#include <dialogservice.h>
#include <recordslocation.h>
#include <storeerror.h>

namespace vantor {

// Asks, in a masked input box, for the password of a server that wants one where its
// engine's own files hold none (`refused`: the one typed before was wrong); the answer is kept in
// memory for this run alone and used by every later connection to the same records. False
// when the user gave none.
bool askServerPassword(DialogService& dialogs, QWidget* parent, const RecordsLocation& location, bool refused = false);

// How many passwords a start-up asks for before it gives up.
constexpr int MaxPasswordTries = 3;

// What a clerk should check, or ask the administrator to check, when the records on a
// server cannot be opened: the engine that keeps them knows.
QString serverAdvice(const RecordsLocation& location, const StoreError& error);

} // namespace vantor
