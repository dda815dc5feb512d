// The keystroke rules of the records window, as plain functions over character codes.
#include "keyfilters.h"

#include <QCoreApplication>
#include <QLocale>

namespace vantor::keyfilters {

namespace {

// The translators' context of the messages.
struct KeyFilters {
    Q_DECLARE_TR_FUNCTIONS(KeyFilters)
};

KeyDecision accept(char32_t code)
{
    return {KeyAction::Accept, code, {}};
}

KeyDecision refuse(MessageBox message)
{
    return {KeyAction::Refuse, 0, std::move(message)};
}

// Backspace, blank and tab keep the one-character boxes editable and let the user leave them.
bool isEditingKey(char32_t code)
{
    return code == Backspace || code == Space || code == Tab;
}

bool inRange(char32_t code, char32_t highestDigit)
{
    return (code >= U'0' && code <= highestDigit) || isEditingKey(code);
}

} // namespace

KeyDecision upperCase(char32_t code)
{
    // The whole capital form may be longer than one character (German sharp s gives "SS");
    // the box takes its first character.
    const QList<uint> upper = QLocale().toUpper(QString::fromUcs4(&code, 1)).toUcs4();
    const char32_t converted = upper.isEmpty() ? code : char32_t(upper.first());
    if (converted == code)
        return accept(code);
    return {KeyAction::Replace, converted, {}};
}

KeyDecision specialAssignment(char32_t code)
{
    const KeyDecision upper = upperCase(code);
    if (upper.code == U'T' || isEditingKey(upper.code))
        return upper;
    return refuse(okBox(KeyFilters::tr("Only the letter \"T\" can be entered, all other letters are invalid"),
                        MsgIcon::Information, KeyFilters::tr("Input Error")));
}

KeyDecision battalion(char32_t code)
{
    // The message asks for 1 to 7, yet 0 is accepted: it is the battalion of 40-hour personnel.
    if (inRange(code, U'7'))
        return accept(code);
    return refuse(okBox(KeyFilters::tr("The number you have entered is invalid or you have entered something other "
                                       "than a number; Please enter a number from 1 to 7"),
                        MsgIcon::Information, KeyFilters::tr("Unit Input Error")));
}

KeyDecision unit(char32_t code)
{
    if (inRange(code, U'3'))
        return accept(code);
    return refuse(okBox(KeyFilters::tr("The number you have entered is invalid or you have entered something other "
                                       "than a number; Please enter a number from 0 to 3\r\nO is used for 40hr "
                                       "personnel"),
                        MsgIcon::Information, KeyFilters::tr("Unit Input Error")));
}

} // namespace vantor::keyfilters
