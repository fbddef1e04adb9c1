#pragma once

#include <QString>

// The stop lamp's port could not be opened or was lost: the lamp shows red
// until it is back, which the program finds by itself.
QString LampPortTroubleHint(int port);
// The stop lamp's port is the barriers' own, which the lamp does not take.
QString LampPortTakenHint(int port);
