#pragma once

#include <QString>

// What the operator does about a stored port that was not there at start:
// plug in the adapter, then start the program again.
QString MissingPortHint(int port);
