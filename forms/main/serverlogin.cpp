#include "serverlogin.h"

#include <engine.h>
#include <rememberedpasswords.h>

#include <QCoreApplication>

namespace vantor {

namespace {

// The translators' context of the server's questions and advice.
struct ServerLogin {
    Q_DECLARE_TR_FUNCTIONS(vantor::ServerLogin)
};

} // namespace

bool askServerPassword(DialogService& dialogs, QWidget* parent, const RecordsLocation& location, bool refused)
{
    const QString prompt = refused
        ? ServerLogin::tr("The server refused that password for the mask test records:\n%1\n\nPassword:")
        : ServerLogin::tr("The server wants a password for the mask test records:\n%1\n\nPassword:");
    const QString password = dialogs.input(
        parent, InputBox{prompt.arg(location.displayName()), ServerLogin::tr("Server Password"), QString(), true});
    if (password.isEmpty())
        return false;
    rememberPassword(location.text(), password);
    return true;
}

QString serverAdvice(const RecordsLocation& location, const StoreError& error)
{
    return location.engine()->openAdvice(error);
}

} // namespace vantor
