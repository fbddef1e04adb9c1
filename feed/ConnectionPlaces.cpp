#include "feed/ConnectionPlaces.h"

#include <algorithm>

ConnectionPlaces::ConnectionPlaces(std::size_t places, std::size_t unproven, Clock::duration headerTime)
    : places_(places)
    , unproven_(unproven)
    , headerTime_(headerTime)
{
}

bool ConnectionPlaces::Admit(Clock::time_point now)
{
    std::size_t taken = 0;
    std::size_t waiting = 0;
    Place *longest = nullptr;
    for (Place &place : taken_) {
        if (!place.ending && !place.proven && now - place.opened >= headerTime_)
            End(place);
        if (place.ending)
            continue;
        ++taken;
        if (!place.proven && waiting++ == 0)
            longest = &place;
    }
    if (longest && (taken >= places_ || waiting >= unproven_)) {
        End(*longest);
        --taken;
    }
    return taken < places_;
}

void ConnectionPlaces::Opened(const void *connection, SocketHandle socket, Clock::time_point now)
{
    taken_.push_back({connection, socket, now});
}

void ConnectionPlaces::Proven(const void *connection)
{
    const auto place = std::ranges::find(taken_, connection, &Place::connection);
    if (place != taken_.end())
        place->proven = true;
}

void ConnectionPlaces::Closed(const void *connection)
{
    std::erase_if(taken_, [&](const Place &place) { return place.connection == connection; });
}

void ConnectionPlaces::End(Place &place)
{
    // The server sees the end of the stream and closes the connection itself.
    ShutConnection(place.socket);
    place.ending = true;
}
