#pragma once

#include "dialogservice.h"

namespace vantor::keyfilters {

// What a text box does with one typed character.
enum class KeyAction {
    Accept, // insert it as typed
    Replace, // insert `code` instead
    Refuse, // show `message`, then discard the keystroke
};

struct KeyDecision {
    KeyAction action = KeyAction::Accept;
    char32_t code = 0; // the character the box inserts (Accept, Replace)
    MessageBox message; // what the user is told (Refuse)
};

// Character codes the filters name.
inline constexpr char32_t Backspace = 8;
inline constexpr char32_t Tab = 9;
inline constexpr char32_t CarriageReturn = 13;
inline constexpr char32_t Space = 32;

// A box's filter: what the box does with one typed character.
using Filter = KeyDecision (*)(char32_t code);

// Names, ranks, assignments and the FDID: every character in its capital form, by the
// case rules of the user's locale (QLocale's default). Never refuses.
KeyDecision upperCase(char32_t code);

// The special-assignment mark: T (either case), blank, backspace or tab.
KeyDecision specialAssignment(char32_t code);

// Battalion: the digits 0 to 7, blank, backspace or tab. No case conversion.
KeyDecision battalion(char32_t code);

// Unit: the digits 0 to 3, blank, backspace or tab. No case conversion.
KeyDecision unit(char32_t code);

} // namespace vantor::keyfilters
