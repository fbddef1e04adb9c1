#include "dialogs/LiveDisplayAddress.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>

namespace {

// The address another device would use: IPv4 first, which a server on "::"
// takes as well.
QString NetworkAddress()
{
    const QList<QHostAddress> addresses = QNetworkInterface::allAddresses();
    for (const auto protocol : {QAbstractSocket::IPv4Protocol, QAbstractSocket::IPv6Protocol}) {
        for (const QHostAddress &address : addresses) {
            if (address.protocol() == protocol && !address.isLoopback() && !address.isLinkLocal())
                return address.toString();
        }
    }
    return QHostInfo::localHostName();
}

} // namespace

QString LiveDisplayAddress(const AdvancedSettings &settings)
{
    if (settings.HttpPort == 0)
        return {};
    const QHostAddress bind(settings.HttpBind);
    QString host = bind == QHostAddress::AnyIPv4 || bind == QHostAddress::AnyIPv6 ? NetworkAddress()
                                                                                    : bind.toString();
    if (host.contains(QLatin1Char(':')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    QString address = QStringLiteral("http://%1:%2/").arg(host).arg(settings.HttpPort);
    if (!settings.HttpToken.isEmpty())
        address += QStringLiteral("?token=") + settings.HttpToken;
    return address;
}
