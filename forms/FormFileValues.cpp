#include "forms/FormFileValues.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace kvt::forms {
namespace {

// The n (at most 8) bytes at p as a little-endian number.
uint64_t littleEndian(const char* p, size_t n) {
  uint64_t v = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&v, p, n);
  } else {
    for (size_t i = n; i-- > 0;) v = (v << 8) | static_cast<unsigned char>(p[i]);
  }
  return v;
}

// A fixed number of bytes, so that the append compiles to a few moves.
template <int Bytes>
void appendLittleEndian(std::string& out, uint64_t v) {
  char b[Bytes];
  for (int i = 0; i < Bytes; ++i) {
    b[i] = static_cast<char>(v & 0xFF);
    v >>= 8;
  }
  out.append(b, size_t(Bytes));
}

}  // namespace

const char* ValueReader::take(size_t n) {
  if (remaining() < n) {
    overrun_ = true;
    pos_ = bytes_.size();
    return nullptr;
  }
  const char* at = bytes_.data() + pos_;
  pos_ += n;
  return at;
}

std::string ValueReader::ReadStr() {
  const size_t at = pos_;
  const std::string_view text = ReadStrView();
  if (!overrun_ || at + 2 > bytes_.size()) return std::string(text);
  // The text runs past the end: what is there, padded with spaces.
  const auto n = static_cast<int16_t>(littleEndian(bytes_.data() + at, 2));
  std::string result(bytes_.substr(at + 2));
  result.resize(size_t(std::max<int16_t>(n, 0)), ' ');
  return result;
}

std::string_view ValueReader::ReadStrView() {
  const char* b = take(2);
  if (b == nullptr) return {};
  const auto n = static_cast<int16_t>(littleEndian(b, 2));
  if (n <= 0) return {};
  const char* text = take(size_t(n));
  return text == nullptr ? std::string_view() : std::string_view(text, size_t(n));
}

int32_t ValueReader::ReadInt() {
  const char* b = take(4);
  return b == nullptr ? 0 : static_cast<int32_t>(static_cast<uint32_t>(littleEndian(b, 4)));
}

double ValueReader::ReadFloat() {
  const char* b = take(8);
  return b == nullptr ? 0 : std::bit_cast<double>(littleEndian(b, 8));
}

uint8_t ValueReader::ReadByte() {
  const char* b = take(1);
  return b == nullptr ? 0 : static_cast<uint8_t>(*b);
}

Value ValueReader::ReadNullableBool() {
  const std::optional<bool> b = ReadOptionalBool();
  return b ? Value(*b) : Value::null();
}

std::optional<bool> ValueReader::ReadOptionalBool() {
  if (ReadByte() == 0) return std::nullopt;
  return ReadBool();
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
    text += ReadStrView();
    left = left > kMemoChunk ? left - kMemoChunk : 0;
  }
  return text;
}

void ValueWriter::WriteStr(std::string_view text) {
  if (text.size() > 32767) throw std::length_error("a form file text holds at most 32767 bytes");
  appendLittleEndian<2>(out_, text.size());
  out_.append(text);
}

void ValueWriter::WriteInt(int32_t value) {
  appendLittleEndian<4>(out_, static_cast<uint32_t>(value));
}

void ValueWriter::WriteFloat(double value) {
  appendLittleEndian<8>(out_, std::bit_cast<uint64_t>(value));
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
