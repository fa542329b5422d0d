// The one error type of the table engines.
#pragma once

#include <stdexcept>
#include <string>

namespace kvt {

enum class ErrorKind {
  MissingTable,
  MissingField,
  DuplicateKey,
  Io,          // file system failure
  Format,      // a damaged or unsupported table file
  Locked,      // opened exclusively elsewhere, or opened read-only
  Server,      // a MySQL server error or a lost connection
  Conversion,  // a value that cannot take the asked type
  State,       // an operation that does not fit the handle's state (post without edit, ...)
  Unsupported,
};

class EngineError : public std::runtime_error {
 public:
  EngineError(ErrorKind kind, const std::string& message)
      : std::runtime_error(message), kind_(kind) {}
  ErrorKind kind() const { return kind_; }

 private:
  ErrorKind kind_;
};

}  // namespace kvt
