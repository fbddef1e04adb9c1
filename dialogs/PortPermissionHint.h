#pragma once

#include "serial/PortRefusal.h"

#include <QString>

// What the operator does about a port that refuses this user: join the
// device's group, then log in again.
QString PortPermissionHint(int port, const PortRefusal &refusal);
