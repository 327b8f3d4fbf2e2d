// Errors raised by the registry layer and by controls. They end the handler
// that was running and are shown by the application's error box.
#pragma once

#include <stdexcept>
#include <string>

namespace common {

// Base of every error that a handler may raise to the application's error box.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// A registry value could not be read, had the wrong type, or could not be written;
// also a key that could not be opened for writing.
class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

// A list position outside a list ("List index out of bounds (%d)").
class EListError : public Exception {
 public:
  using Exception::Exception;
};

// Text that is not an IPv4 address ("Invalid IP address string").
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace common
