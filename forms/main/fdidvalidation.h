#pragma once

#include "dialogservice.h"

#include <QString>

namespace vantor::fdid {

// The "A123 format": one letter A to Z in either case, then three digits 0 to 9, nothing
// before, between or after them. Checked character by character rather than with a
// regular expression, whose end anchor would also let a trailing line feed through and
// whose case folding would let letters outside A to Z match.
bool hasForm(const QString& text);

// The four-line note shown for a text without that form.
MessageBox note();

} // namespace vantor::fdid
