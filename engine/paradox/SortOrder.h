// The order of alpha text under a table's language driver. Every index of a table follows
// it: the order of a keyed table's rows and its .PX, and the rows of its .X files.
//
// "ascii" (and sort order 0 of tables older than level 4, which name none) orders by the
// stored bytes, so the Big5 text of code page 950 tables orders by its byte values. The
// Western drivers ANSII850, DBWINUS0 and DBWINWE0 compare letters without case: where the
// engine does not know how they order two texts (a difference at a byte outside ASCII, at a
// control byte, at one of : ; < = > ? @ [ \ ] ^ _ ` { | } ~, or between two different
// marks), it refuses rather than guess. Other drivers are not implemented.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/paradox/FileHeader.h"

namespace kvt::paradox {

class TextOrder {
 public:
  explicit TextOrder(const FileHeader& db);

  bool implemented() const { return kind_ != Kind::Unknown; }
  bool byBytes() const { return kind_ == Kind::Bytes; }
  // The driver's sort order name as the header gives it ("ascii" for older tables).
  const std::string& name() const { return name_; }

  // Orders two alpha values of `width` bytes. Throws EngineError(Unsupported) when the
  // order of these two texts under the driver is not known.
  int compare(const char* a, const char* b, int width) const;

 private:
  enum class Kind { Bytes, WesternNoCase, Unknown };
  Kind kind_;
  std::string name_;
};

// One field of a sort key: where it lies in a record and how it compares.
struct KeySpan {
  int offset;
  int width;
  bool alpha;
  bool descending = false;
};

// The order of records by a list of fields.
class KeyOrder {
 public:
  KeyOrder(TextOrder text, std::vector<KeySpan> spans)
      : text_(std::move(text)), spans_(std::move(spans)) {}
  int compare(const char* a, const char* b) const;
  const TextOrder& text() const { return text_; }
  bool ordersText() const;

 private:
  TextOrder text_;
  std::vector<KeySpan> spans_;
};

// The positions of `count` records (record r at `at(r)`) in key order; empty when they are already
// in that order. Equal keys keep their order. With `unique`, two keys that differ in their bytes
// but are the same under the order (letter case under a driver that ignores it) are refused:
// EngineError(Unsupported). `keyWidth` is the width of the leading key, for that check.
std::vector<uint32_t> keyOrderOf(size_t count, const KeyOrder& order, bool unique, size_t keyWidth,
                                 const std::function<const char*(size_t)>& at);

}  // namespace kvt::paradox
