// The keystroke rules of the records window, as plain functions over character codes.
#include "keyfilters.h"

namespace vantor::keyfilters {

namespace {

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

KeyDecision range(char32_t code, char32_t highestDigit, const MessageBox& message)
{
    if ((code >= U'0' && code <= highestDigit) || isEditingKey(code))
        return accept(code);
    return refuse(message);
}

} // namespace

KeyDecision upperCase(char32_t code, const QLocale& locale)
{
    // The whole capital form may be longer than one character (German sharp s gives "SS");
    // the box takes its first character.
    const QList<uint> upper = locale.toUpper(QString::fromUcs4(&code, 1)).toUcs4();
    const char32_t converted = upper.isEmpty() ? code : char32_t(upper.first());
    if (converted == code)
        return accept(code);
    return {KeyAction::Replace, converted, {}};
}

KeyDecision specialAssignment(char32_t code, const QLocale& locale)
{
    const KeyDecision upper = upperCase(code, locale);
    if (upper.code == U'T' || isEditingKey(upper.code))
        return upper;
    return refuse(okBox(QStringLiteral("Only the letter \"T\" can be entered, all other letters are invalid"),
                        MsgIcon::Information, QStringLiteral("Input Error")));
}

KeyDecision battalion(char32_t code)
{
    // The message asks for 1 to 7, yet 0 is accepted: it is the battalion of 40-hour personnel.
    static const MessageBox message
        = okBox(QStringLiteral("The number you have entered is invalid or you have entered something other than a "
                               "number; Please enter a number from 1 to 7"),
                MsgIcon::Information, QStringLiteral("Unit Input Error"));
    return range(code, U'7', message);
}

KeyDecision unit(char32_t code)
{
    static const MessageBox message
        = okBox(QStringLiteral("The number you have entered is invalid or you have entered something other than a "
                               "number; Please enter a number from 0 to 3\r\nO is used for 40hr personnel"),
                MsgIcon::Information, QStringLiteral("Unit Input Error"));
    return range(code, U'3', message);
}

} // namespace vantor::keyfilters
