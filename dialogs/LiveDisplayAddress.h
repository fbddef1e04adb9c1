#pragma once

#include "settings/AdvancedSettings.h"

#include <QString>

// Where a browser reaches the live display's page with these settings, with
// the key when there is one: on a server that listens on every address, by
// this computer's first address in the network. Empty without a port.
QString LiveDisplayAddress(const AdvancedSettings &settings);
