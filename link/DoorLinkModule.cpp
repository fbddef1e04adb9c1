// The door link's module: libmosquitto and OpenSSL are loaded with it, the
// first time a broker is set.
#include "link/BrokerConnection.h"
#include "link/BrokerLamp.h"
#include "link/DoorLink.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT DoorLinkClient *PontraNewDoorLinkClient(DoorLinkCallbacks callbacks)
{
    return new DoorLink(std::move(callbacks));
}

extern "C" Q_DECL_EXPORT bool PontraDoorLinkTlsAvailable()
{
    return BrokerConnection::TlsAvailable();
}

extern "C" Q_DECL_EXPORT BrokerLampClient *PontraNewBrokerLampClient()
{
    return new BrokerLamp();
}
