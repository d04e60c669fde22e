#include "app/untcommon.h"

#include "platform/calbreyerror.h"

#include <QFile>

void LoadCountryList(QStringList &list)
{
    QFile file(QStringLiteral(":/rescountry.txt"));
    if (!file.open(QIODevice::ReadOnly))
        throw CalbreyError(QStringLiteral("Resource resCountry not found"));
    list = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
}
