// The checks that run before the boxes are written into the store.
#include "entryvalidation.h"

#include "frmmasktesting.h"

#include <QRegularExpression>

namespace vantor {

namespace entries {

namespace {

enum class Test { NotNumeric, Empty };

struct Check {
    const char* box;
    Test test;
    const char* prompt;
    MsgIcon icon;
    const char* title; // empty: the application title
};

// The order is the order in which the user hears about them.
const Check checks[] = {
    {"txtMonthTested", Test::NotNumeric, "Month format must be numerals only!", MsgIcon::Information, "Month"},
    {"txtDayTested", Test::NotNumeric, "Day format must be numerals only!", MsgIcon::Information, "Day"},
    {"txtYearTested", Test::NotNumeric, "Year format must be numerals only!", MsgIcon::Information, "Year"},
    {"txtFDID", Test::Empty, "FDID is a required field!", MsgIcon::Exclamation, "FDID Field"},
    {"txtRank", Test::Empty, "Please enter the personnel's rank!", MsgIcon::Information, "Personnel's Rank"},
    {"txtKday", Test::Empty, "If Kelly Day does not apply, then place a zero (0) in the box!", MsgIcon::Information,
     "Kelly Day"},
    {"txtLname", Test::Empty, "Please enter a last name!", MsgIcon::None, ""},
    {"txtFname", Test::Empty, "Please enter a first name!", MsgIcon::None, ""},
    {"txtBatt", Test::Empty,
     "Please enter the personnel's battalion.\r\nIf the personnel are on 40hrs., then place a \"0\" in the box.",
     MsgIcon::Information, "Battatlion"},
    {"txtBatt", Test::NotNumeric,
     "You have entered something other than a number for the Battalion; Please correct this!", MsgIcon::Information,
     "Input Error"},
    {"txtUnit", Test::Empty, "Please enter the personnel's assigned Unit!", MsgIcon::Exclamation, "Unit"},
    {"txtUnit", Test::NotNumeric,
     "You have entered something other than a number for personnel's Unit;Please correct this!", MsgIcon::Information,
     "Input Error"},
    {"txtAssign", Test::Empty, "Please enter the personnel's permanent assignment!", MsgIcon::Exclamation,
     "Assignment"},
};

bool rejects(Test test, const QString& text)
{
    // Nothing is trimmed: a box of blanks is not empty.
    if (test == Test::Empty)
        return text.isEmpty();
    return !text.isEmpty() && !isNumeric(text);
}

} // namespace

bool isNumeric(const QString& text)
{
    static const QRegularExpression number(QStringLiteral(R"(\A[ \t]*[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)[ \t]*\z)"));
    return number.match(text).hasMatch();
}

std::optional<Rejection> firstRejection(const std::function<QString(const char* box)>& textOf)
{
    for (const Check& check : checks) {
        if (rejects(check.test, textOf(check.box)))
            return Rejection{check.box,
                             okBox(QString::fromUtf8(check.prompt), check.icon, QString::fromUtf8(check.title)),
                             check.test == Test::NotNumeric};
    }
    return std::nullopt;
}

} // namespace entries

bool frmMaskTesting::ValidateEntries()
{
    const auto rejection = entries::firstRejection(
        [this](const char* box) { return findChild<TextBox*>(QString::fromLatin1(box))->text(); });
    if (!rejection)
        return false;
    TextBox* box = findChild<TextBox*>(QString::fromLatin1(rejection->box));
    m_dialogs.message(this, rejection->message);
    if (rejection->emptyBox)
        box->setText(QString());
    box->setFocus(Qt::OtherFocusReason);
    return true;
}

} // namespace vantor
