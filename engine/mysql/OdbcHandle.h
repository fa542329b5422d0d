// An ODBC handle (environment, connection or statement) that frees itself, and the first
// diagnostic record of the last call made on it.
#pragma once

#include <string>
#include <utility>

namespace kvt::mysql {

struct OdbcDiagnostic {
  unsigned nativeCode = 0;  // the server's error number, 0 for the driver's own failures
  std::string state;        // the five-character SQLSTATE
  std::string message;      // without the driver's and driver manager's "[...]" prefixes
};

class OdbcHandle {
 public:
  // Allocates a handle of `type` (SQL_HANDLE_ENV, _DBC or _STMT) under `parent` (null for an
  // environment); an empty handle when the driver manager refuses.
  OdbcHandle(short type, void* parent);
  OdbcHandle() = default;
  ~OdbcHandle();
  OdbcHandle(OdbcHandle&& other) noexcept
      : type_(other.type_), handle_(std::exchange(other.handle_, nullptr)) {}
  OdbcHandle& operator=(OdbcHandle&& other) noexcept;
  OdbcHandle(const OdbcHandle&) = delete;
  OdbcHandle& operator=(const OdbcHandle&) = delete;

  void* get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  OdbcDiagnostic diagnostic() const;

 private:
  short type_ = 0;
  void* handle_ = nullptr;
};

// Whether an ODBC return code is a success (with or without information).
bool odbcSucceeded(short rc);

}  // namespace kvt::mysql
