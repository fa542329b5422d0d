// Where a file's bytes go as they are made: a large table is written block by block instead
// of being put together whole in memory first.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kvt::paradox {

class ByteSink {
 public:
  virtual void append(std::string_view bytes) = 0;

 protected:
  ~ByteSink() = default;
};

// Makes a file's content, handing it to the sink in order.
using FileContent = std::function<void(ByteSink&)>;

// Collects the bytes in a string.
class StringSink final : public ByteSink {
 public:
  explicit StringSink(std::string& out) : out_(out) {}
  void append(std::string_view bytes) override { out_.append(bytes); }

 private:
  std::string& out_;
};

}  // namespace kvt::paradox
