#include "serverlogin.h"

#include <serverlocation.h>

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
    server::rememberPassword(location.text(), password);
    return true;
}

QString serverAdvice(const StoreError& error)
{
    switch (error.number) {
    case ServerUnavailable:
        return ServerLogin::tr(
            "Check that the server is running and that this station can reach it (network, host name, port, "
            "firewall), then start Vantor again.");
    case SecureConnectionFailed:
        return ServerLogin::tr("Ask the server's administrator to turn SSL on at the server, or to check its "
                               "certificate, then start Vantor again.");
    case ServerNameMismatch:
        return ServerLogin::tr("Name the server in the location as its certificate does, or ask the server's "
                               "administrator which name that is, then start Vantor again.");
    case ServerCertificateUntrusted:
        return ServerLogin::tr("Put your department's CA certificate in ~/.postgresql/root.crt, or name its file in "
                               "the location (sslrootcert=...), then start Vantor again.");
    case PasswordFileIgnored:
        return ServerLogin::tr("Make your password file readable by you alone (chmod 600 ~/.pgpass), then start "
                               "Vantor again.");
    case PasswordRequired:
    case AuthenticationFailed:
        return ServerLogin::tr("Check the user name and the password: keep the password in ~/.pgpass, a line "
                               "host:port:database:user:password readable by you alone (chmod 600).");
    case DatabaseNotFound:
        return ServerLogin::tr(
            "Check the database name in the location, or ask the administrator to create the database.");
    case TableNotFound:
        return ServerLogin::tr("Ask the administrator to create the table:\n    vantor --create-database LOCATION");
    case AccessDenied:
        return ServerLogin::tr(
            "Ask the administrator to grant your user SELECT, INSERT, UPDATE and DELETE on table MT.");
    default: break;
    }
    return ServerLogin::tr(
        "Check the location of the records in the settings or on the command line, or ask your administrator.");
}

} // namespace vantor
