// The checks that run before the boxes are written into the store.
#include "entryvalidation.h"

#include "frmmasktesting.h"

#include <QCoreApplication>
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

// The order is the order in which the user hears about them. Every text is spelled out in
// QT_TRANSLATE_NOOP, where lupdate finds it.
const Check checks[] = {
    {"txtMonthTested", Test::NotNumeric, QT_TRANSLATE_NOOP("vantor::entries", "Month format must be numerals only!"),
     MsgIcon::Information, QT_TRANSLATE_NOOP("vantor::entries", "Month")},
    {"txtDayTested", Test::NotNumeric, QT_TRANSLATE_NOOP("vantor::entries", "Day format must be numerals only!"),
     MsgIcon::Information, QT_TRANSLATE_NOOP("vantor::entries", "Day")},
    {"txtYearTested", Test::NotNumeric, QT_TRANSLATE_NOOP("vantor::entries", "Year format must be numerals only!"),
     MsgIcon::Information, QT_TRANSLATE_NOOP("vantor::entries", "Year")},
    {"txtFDID", Test::Empty, QT_TRANSLATE_NOOP("vantor::entries", "FDID is a required field!"), MsgIcon::Exclamation,
     QT_TRANSLATE_NOOP("vantor::entries", "FDID Field")},
    {"txtRank", Test::Empty, QT_TRANSLATE_NOOP("vantor::entries", "Please enter the personnel's rank!"),
     MsgIcon::Information, QT_TRANSLATE_NOOP("vantor::entries", "Personnel's Rank")},
    {"txtKday", Test::Empty,
     QT_TRANSLATE_NOOP("vantor::entries", "If Kelly Day does not apply, then place a zero (0) in the box!"),
     MsgIcon::Information, QT_TRANSLATE_NOOP("vantor::entries", "Kelly Day")},
    {"txtLname", Test::Empty, QT_TRANSLATE_NOOP("vantor::entries", "Please enter a last name!"), MsgIcon::None, ""},
    {"txtFname", Test::Empty, QT_TRANSLATE_NOOP("vantor::entries", "Please enter a first name!"), MsgIcon::None, ""},
    {"txtBatt", Test::Empty,
     QT_TRANSLATE_NOOP(
         "vantor::entries",
         "Please enter the personnel's battalion.\r\nIf the personnel are on 40hrs., then place a \"0\" in the box."),
     MsgIcon::Information, QT_TRANSLATE_NOOP("vantor::entries", "Battatlion")},
    {"txtBatt", Test::NotNumeric,
     QT_TRANSLATE_NOOP("vantor::entries",
                       "You have entered something other than a number for the Battalion; Please correct this!"),
     MsgIcon::Information, QT_TRANSLATE_NOOP("vantor::entries", "Input Error")},
    {"txtUnit", Test::Empty, QT_TRANSLATE_NOOP("vantor::entries", "Please enter the personnel's assigned Unit!"),
     MsgIcon::Exclamation, QT_TRANSLATE_NOOP("vantor::entries", "Unit")},
    {"txtUnit", Test::NotNumeric,
     QT_TRANSLATE_NOOP("vantor::entries",
                       "You have entered something other than a number for personnel's Unit;Please correct this!"),
     MsgIcon::Information, QT_TRANSLATE_NOOP("vantor::entries", "Input Error")},
    {"txtAssign", Test::Empty,
     QT_TRANSLATE_NOOP("vantor::entries", "Please enter the personnel's permanent assignment!"), MsgIcon::Exclamation,
     QT_TRANSLATE_NOOP("vantor::entries", "Assignment")},
};

QString translated(const char* text)
{
    return *text ? QCoreApplication::translate("vantor::entries", text) : QString();
}

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
            return Rejection{check.box, okBox(translated(check.prompt), check.icon, translated(check.title)),
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
        box->showText(QString());
    box->setFocus(Qt::OtherFocusReason);
    return true;
}

} // namespace vantor
