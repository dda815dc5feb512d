#include "rememberedpasswords.h"

#include <QHash>
#include <QMutex>

namespace vantor {

namespace {

struct Remembered {
    QMutex mutex;
    QHash<QString, QString> passwords;
};

Remembered& remembered()
{
    static Remembered store;
    return store;
}

} // namespace

void rememberPassword(const QString& location, const QString& password)
{
    QMutexLocker lock(&remembered().mutex);
    remembered().passwords.insert(location.trimmed(), password);
}

QString rememberedPassword(const QString& location)
{
    QMutexLocker lock(&remembered().mutex);
    return remembered().passwords.value(location.trimmed());
}

} // namespace vantor
