#pragma once

#include "feed/ListenSocket.h"

#include <chrono>
#include <cstddef>
#include <vector>

// The server's places for connections, and which of them have shown a whole
// request (with the key where one is needed). A connection that has not yet
// done so may take only a share of the places and has a few seconds for its
// request's header; a newcomer beyond the share or the places ends the one
// that has waited longest, so that slow or silent connections never lock
// out the clients that know the key. Used on the server's thread only: the
// server closes a connection on that thread, so an ended socket is never
// one it has closed and reused.
class ConnectionPlaces {
public:
    using Clock = std::chrono::steady_clock;

    ConnectionPlaces(std::size_t places, std::size_t unproven, Clock::duration headerTime);

    // Whether a new connection gets a place; first ends those that have not
    // finished their header in time, and the longest waiting one if the
    // newcomer would find no place or be one too many without a request.
    bool Admit(Clock::time_point now);
    void Opened(const void *connection, SocketHandle socket, Clock::time_point now);
    // Its request came whole and was let through.
    void Proven(const void *connection);
    void Closed(const void *connection);

private:
    struct Place {
        const void *connection;
        SocketHandle socket;
        Clock::time_point opened;
        bool proven = false;
        // Its socket is shut; the server closes it on its next round.
        bool ending = false;
    };

    void End(Place &place);

    std::size_t places_;
    std::size_t unproven_;
    Clock::duration headerTime_;
    // In the order they came.
    std::vector<Place> taken_;
};
