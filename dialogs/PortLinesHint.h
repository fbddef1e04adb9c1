#pragma once

#include <QString>

// What the operator does about a port that opened but would not keep its
// RTS line on: end the program that holds the line, then open the port again.
QString PortLinesHint(int port);
