#pragma once

#include <stdexcept>
#include <string>

// The port cannot be opened ("Unable to open com port: " + system text).
class EComHandle : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The port refused its line settings ("Unable to set com state: " + text).
class EComState : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
