// The live feed's module: libmicrohttpd and its TLS library are loaded with
// it, the first time a port is set for the feed.
#include "feed/FeedServer.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT FeedService *PontraNewFeedService()
{
    return new FeedServer;
}
