#pragma once

#include "dialogservice.h"

#include <QString>

#include <functional>
#include <optional>

namespace vantor::entries {

// The number test of the entry checks. A text is a number when, after any blanks (spaces
// or tabs) at either end, it is an optional + or - sign followed by decimal digits 0 to 9
// with at most one decimal point ("12", " 7 ", "-3", "1.5", ".5"). Nothing that depends on
// the user's locale counts: no grouping separators, currency signs, exponents or
// hexadecimal forms, so that a box is judged the same way on every desk.
bool isNumeric(const QString& text);

// The first entry that the checks reject: which box, what the user is told, and whether
// the box is emptied (it should have held a number).
struct Rejection {
    const char* box = nullptr; // the text box's object name
    MessageBox message;
    bool emptyBox = false;
};

// Runs the thirteen checks, in their order, over the texts of the boxes (given by object
// name); nothing when every entry passes.
std::optional<Rejection> firstRejection(const std::function<QString(const char* box)>& textOf);

} // namespace vantor::entries
