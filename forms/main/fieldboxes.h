#pragma once

#include <array>

namespace vantor {

// One field of table MT and the text box of the records window that shows it.
struct FieldBox {
    const char* field;
    const char* box; // the box's object name
};

// The fourteen fields and their boxes, in the order the old form wrote them. Showing a record
// reads them in this order, and Save and Update write them in it.
inline constexpr std::array<FieldBox, 14> FieldBoxes{{
    {"Last", "txtLname"},
    {"First", "txtFname"},
    {"Init", "txtMid"},
    {"Kelly", "txtKday"},
    {"Rank", "txtRank"},
    {"ID", "txtFDID"},
    {"Assign", "txtAssign"},
    {"Unit", "txtUnit"},
    {"Batt", "txtBatt"},
    {"Month", "txtMonthTested"},
    {"Day", "txtDayTested"},
    {"Year", "txtYearTested"},
    {"Special", "txtTorF"},
    {"AssignTo", "txtAssignTo"},
}};

} // namespace vantor
