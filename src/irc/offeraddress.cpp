#include "irc/offeraddress.h"

QString dccOfferAddress(const QString& connectionAddress, const QList<QHostAddress>& machine)
{
    const QHostAddress own(connectionAddress);
    bool isV4 = false;
    const quint32 v4 = own.toIPv4Address(&isV4);
    if (isV4 && !own.isNull())
        return QHostAddress(v4).toString();
    for (const QHostAddress& address : machine) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
            return address.toString();
    }
    return {};
}
