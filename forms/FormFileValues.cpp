#include "forms/FormFileValues.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <stdexcept>

namespace kvt::forms {
namespace {

uint64_t littleEndian(std::string_view b) {
  uint64_t v = 0;
  for (size_t i = b.size(); i-- > 0;) v = (v << 8) | static_cast<unsigned char>(b[i]);
  return v;
}

void appendLittleEndian(std::string& out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out.push_back(static_cast<char>(v & 0xFF));
    v >>= 8;
  }
}

}  // namespace

bool ValueReader::take(size_t n, std::string_view& out) {
  if (remaining() < n) {
    overrun_ = true;
    out = bytes_.substr(pos_);
    pos_ = bytes_.size();
    return false;
  }
  out = bytes_.substr(pos_, n);
  pos_ += n;
  return true;
}

std::string ValueReader::ReadStr() {
  std::string_view b;
  if (!take(2, b)) return {};
  const auto n = static_cast<int16_t>(littleEndian(b));
  if (n <= 0) return {};
  std::string_view text;
  take(size_t(n), text);
  std::string result(text);
  result.resize(size_t(n), ' ');
  return result;
}

int32_t ValueReader::ReadInt() {
  std::string_view b;
  if (!take(4, b)) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(littleEndian(b)));
}

double ValueReader::ReadFloat() {
  std::string_view b;
  if (!take(8, b)) return 0;
  return std::bit_cast<double>(littleEndian(b));
}

uint8_t ValueReader::ReadByte() {
  std::string_view b;
  if (!take(1, b)) return 0;
  return static_cast<uint8_t>(b[0]);
}

Value ValueReader::ReadNullableBool() {
  if (ReadByte() == 0) return Value::null();
  return Value(ReadBool());
}

std::string ValueReader::ReadMemo() {
  int64_t left = ReadInt();
  if (left <= 0) return {};
  // Every chunk holds at least its length; a memo that cannot fit is a damaged file, found
  // here before reading on chunk by chunk.
  const int64_t chunks = (left + kMemoChunk - 1) / kMemoChunk;
  if (uint64_t(chunks) * 2 > remaining()) {
    overrun_ = true;
    pos_ = bytes_.size();
    return {};
  }
  std::string text;
  while (left > 0 && !overrun_) {
    text += ReadStr();
    left = left > kMemoChunk ? left - kMemoChunk : 0;
  }
  return text;
}

void ValueWriter::WriteStr(std::string_view text) {
  if (text.size() > 32767) throw std::length_error("a form file text holds at most 32767 bytes");
  appendLittleEndian(out_, text.size(), 2);
  out_.append(text);
}

void ValueWriter::WriteInt(int32_t value) {
  appendLittleEndian(out_, static_cast<uint32_t>(value), 4);
}

void ValueWriter::WriteFloat(double value) {
  appendLittleEndian(out_, std::bit_cast<uint64_t>(value), 8);
}

void ValueWriter::WriteByte(uint8_t value) {
  out_.push_back(static_cast<char>(value));
}

void ValueWriter::WriteNullableBool(const Value& value) {
  if (value.isNull()) {
    WriteByte(0);
    return;
  }
  WriteByte(1);
  WriteBool(value.asBool());
}

void ValueWriter::WriteMemo(std::string_view text) {
  if (text.size() > size_t(INT32_MAX)) throw std::length_error("a memo holds less than 2 GB");
  WriteInt(static_cast<int32_t>(text.size()));
  while (!text.empty()) {
    const size_t n = std::min<size_t>(text.size(), kMemoChunk);
    WriteStr(text.substr(0, n));
    text.remove_prefix(n);
  }
}

}  // namespace kvt::forms
