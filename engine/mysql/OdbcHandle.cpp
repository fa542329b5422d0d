#include "engine/mysql/OdbcHandle.h"

#include "engine/mysql/OdbcApi.h"

namespace kvt::mysql {

OdbcHandle::OdbcHandle(short type, void* parent) : type_(type) {
  SQLHANDLE h = SQL_NULL_HANDLE;
  if (odbcSucceeded(SQLAllocHandle(type, parent ? parent : SQL_NULL_HANDLE, &h))) handle_ = h;
}

OdbcHandle::~OdbcHandle() {
  if (!handle_) return;
  if (type_ == SQL_HANDLE_DBC) SQLDisconnect(handle_);
  SQLFreeHandle(type_, handle_);
}

OdbcHandle& OdbcHandle::operator=(OdbcHandle&& other) noexcept {
  if (this != &other) {
    OdbcHandle old(std::move(*this));
    type_ = other.type_;
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

OdbcDiagnostic OdbcHandle::diagnostic() const {
  OdbcDiagnostic d;
  SQLCHAR state[6] = {};
  SQLINTEGER native = 0;
  SQLCHAR text[SQL_MAX_MESSAGE_LENGTH + 1] = {};
  SQLSMALLINT length = 0;
  if (!handle_ || !odbcSucceeded(SQLGetDiagRec(type_, handle_, 1, state, &native, text, sizeof text,
                                               &length))) {
    d.message = "MySQL: the ODBC driver gave no reason";
    return d;
  }
  d.nativeCode = native > 0 ? static_cast<unsigned>(native) : 0;
  d.state = reinterpret_cast<const char*>(state);
  std::string message(reinterpret_cast<const char*>(text));
  // "[vendor][driver][server]text": the components that passed the message on go.
  size_t start = 0;
  while (start < message.size() && message[start] == '[') {
    const size_t close = message.find(']', start);
    if (close == std::string::npos) break;
    start = close + 1;
  }
  d.message = message.substr(start);
  if (d.message.empty()) d.message = message;
  return d;
}

bool odbcSucceeded(short rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

}  // namespace kvt::mysql
