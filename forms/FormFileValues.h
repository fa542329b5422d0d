// The value encodings of a form file, all little-endian:
//   str    i16 length n, then n bytes of code page 950 text (n <= 0: empty, nothing follows)
//   i32    4 bytes;  f64  8 bytes, IEEE double;  bool  1 byte, 0 false, anything else true
//   nullable Boolean   a presence byte (0: null, nothing follows), then a bool byte
//   memo   i32 total length L, then the text as str chunks of 2048 bytes, the last one the
//          rest; the reader takes chunks while length remains, a chunk taken when more than
//          2048 remain counts 2048, one taken when 2048 or fewer remain ends the memo.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "schema/Value.h"

namespace kvt::forms {

inline constexpr int kMemoChunk = 2048;

// Reads values from the bytes of a form file. A read that runs past the end marks the reader
// as overrun and yields what the format gives a short read (an empty or space-padded str,
// zero numbers); the caller refuses a file whose reader overran.
class ValueReader {
 public:
  explicit ValueReader(std::string_view bytes, size_t pos = 0) : bytes_(bytes), pos_(pos) {}

  // The text of a str; when the file ends inside the text, the missing bytes are spaces.
  std::string ReadStr();
  // The text of a str as it stands in the bytes, without a copy; empty, with the reader
  // overrun, when the file ends inside the text.
  std::string_view ReadStrView();
  int32_t ReadInt();
  double ReadFloat();
  uint8_t ReadByte();
  bool ReadBool() { return ReadByte() != 0; }
  // Null, or a Boolean.
  Value ReadNullableBool();
  std::optional<bool> ReadOptionalBool();
  std::string ReadMemo();

  // A read wanted more bytes than were left.
  bool overrun() const { return overrun_; }
  size_t position() const { return pos_; }
  size_t remaining() const { return bytes_.size() - pos_; }

 private:
  // The next n bytes; null (marking the overrun and taking what was left) when fewer remain.
  const char* take(size_t n);

  std::string_view bytes_;
  size_t pos_;
  bool overrun_ = false;
};

// Appends values to the bytes of a form file.
class ValueWriter {
 public:
  explicit ValueWriter(std::string& out) : out_(out) {}

  // Throws std::length_error for text of more than 32767 bytes, which a str cannot hold.
  void WriteStr(std::string_view text);
  void WriteInt(int32_t value);
  void WriteFloat(double value);
  void WriteByte(uint8_t value);
  void WriteBool(bool value) { WriteByte(value ? 1 : 0); }
  // Null as the byte 0; a Boolean as 1 followed by 0 or 1.
  void WriteNullableBool(const Value& value);
  void WriteMemo(std::string_view text);

 private:
  std::string& out_;
};

}  // namespace kvt::forms
