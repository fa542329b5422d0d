#include "tools/formfile/Json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace kvt::formfile {
namespace {

constexpr int kMaxDepth = 64;

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  Json document() {
    Json v = value(0);
    skipSpace();
    if (pos_ != s_.size()) fail("text after the document");
    return v;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw JsonError("JSON: " + what + " at offset " + std::to_string(pos_));
  }

  void skipSpace() {
    while (pos_ < s_.size() &&
           (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r')) {
      ++pos_;
    }
  }

  bool consume(std::string_view word) {
    if (s_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  Json value(int depth) {
    if (depth > kMaxDepth) fail("nesting too deep");
    skipSpace();
    if (pos_ >= s_.size()) fail("unexpected end");
    const char c = s_[pos_];
    if (c == '{') return object(depth);
    if (c == '[') return array(depth);
    if (c == '"') return Json::string(string());
    if (consume("true")) return Json::boolean(true);
    if (consume("false")) return Json::boolean(false);
    if (consume("null")) return Json();
    if (c == '-' || (c >= '0' && c <= '9')) return number();
    fail("unexpected character");
  }

  Json object(int depth) {
    ++pos_;
    std::vector<std::pair<std::string, Json>> members;
    skipSpace();
    if (consume("}")) return Json::object(std::move(members));
    while (true) {
      skipSpace();
      if (pos_ >= s_.size() || s_[pos_] != '"') fail("expected a member name");
      std::string name = string();
      skipSpace();
      if (!consume(":")) fail("expected ':'");
      members.emplace_back(std::move(name), value(depth + 1));
      skipSpace();
      if (consume("}")) return Json::object(std::move(members));
      if (!consume(",")) fail("expected ',' or '}'");
    }
  }

  Json array(int depth) {
    ++pos_;
    std::vector<Json> items;
    skipSpace();
    if (consume("]")) return Json::array(std::move(items));
    while (true) {
      items.push_back(value(depth + 1));
      skipSpace();
      if (consume("]")) return Json::array(std::move(items));
      if (!consume(",")) fail("expected ',' or ']'");
    }
  }

  Json number() {
    const size_t start = pos_;
    auto digits = [&] {
      const size_t from = pos_;
      while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') ++pos_;
      return pos_ > from;
    };
    consume("-");
    if (consume("0")) {
      // no leading zeros
    } else if (!digits()) {
      fail("bad number");
    }
    if (consume(".") && !digits()) fail("bad number");
    if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
      ++pos_;
      if (!consume("+")) consume("-");
      if (!digits()) fail("bad number");
    }
    return Json::number(std::string(s_.substr(start, pos_ - start)));
  }

  unsigned hex4() {
    if (pos_ + 4 > s_.size()) fail("bad \\u escape");
    unsigned v = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = s_[pos_++];
      v <<= 4;
      if (c >= '0' && c <= '9') {
        v |= unsigned(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        v |= unsigned(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        v |= unsigned(c - 'A' + 10);
      } else {
        fail("bad \\u escape");
      }
    }
    return v;
  }

  static void appendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
      out.push_back(char(cp));
    } else if (cp < 0x800) {
      out.push_back(char(0xC0 | (cp >> 6)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(char(0xE0 | (cp >> 12)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(char(0xF0 | (cp >> 18)));
      out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    }
  }

  std::string string() {
    ++pos_;  // the opening quote
    std::string out;
    while (true) {
      if (pos_ >= s_.size()) fail("unterminated string");
      const char c = s_[pos_++];
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) fail("control character in string");
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      if (pos_ >= s_.size()) fail("unterminated string");
      const char e = s_[pos_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out.push_back(e);
          break;
        case 'b':
          out.push_back('\b');
          break;
        case 'f':
          out.push_back('\f');
          break;
        case 'n':
          out.push_back('\n');
          break;
        case 'r':
          out.push_back('\r');
          break;
        case 't':
          out.push_back('\t');
          break;
        case 'u': {
          unsigned cp = hex4();
          if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (!consume("\\u")) fail("lone surrogate");
            const unsigned low = hex4();
            if (low < 0xDC00 || low > 0xDFFF) fail("lone surrogate");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            fail("lone surrogate");
          }
          appendUtf8(out, cp);
          break;
        }
        default:
          fail("bad escape");
      }
    }
  }

  std::string_view s_;
  size_t pos_ = 0;
};

}  // namespace

Json Json::boolean(bool b) {
  Json j;
  j.kind_ = Kind::Bool;
  j.bool_ = b;
  return j;
}

Json Json::number(std::string text) {
  Json j;
  j.kind_ = Kind::Number;
  j.text_ = std::move(text);
  return j;
}

Json Json::string(std::string text) {
  Json j;
  j.kind_ = Kind::String;
  j.text_ = std::move(text);
  return j;
}

Json Json::array(std::vector<Json> items) {
  Json j;
  j.kind_ = Kind::Array;
  j.items_ = std::move(items);
  return j;
}

Json Json::object(std::vector<std::pair<std::string, Json>> members) {
  Json j;
  j.kind_ = Kind::Object;
  j.members_ = std::move(members);
  return j;
}

bool Json::asBool() const {
  return kind_ == Kind::Bool && bool_;
}

const Json* Json::find(std::string_view name) const {
  for (const auto& [n, v] : members_) {
    if (n == name) return &v;
  }
  return nullptr;
}

std::optional<int64_t> Json::asInteger() const {
  if (kind_ != Kind::Number || text_.find_first_of(".eE") != std::string::npos) {
    return std::nullopt;
  }
  int64_t v = 0;
  auto [end, ec] = std::from_chars(text_.data(), text_.data() + text_.size(), v);
  if (ec != std::errc() || end != text_.data() + text_.size()) return std::nullopt;
  return v;
}

std::optional<double> Json::asDouble() const {
  if (kind_ == Kind::String) {
    if (text_ == "NaN") return std::nan("");
    if (text_ == "Infinity") return HUGE_VAL;
    if (text_ == "-Infinity") return -HUGE_VAL;
    return std::nullopt;
  }
  if (kind_ != Kind::Number) return std::nullopt;
  double v = 0;
  auto [end, ec] = std::from_chars(text_.data(), text_.data() + text_.size(), v);
  if (ec == std::errc::result_out_of_range) return std::nullopt;
  if (ec != std::errc() || end != text_.data() + text_.size()) return std::nullopt;
  return v;
}

Json parseJson(std::string_view text) {
  return Parser(text).document();
}

void writeJsonString(std::ostream& out, std::string_view text) {
  out.put('"');
  size_t plain = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c != '"' && c != '\\') continue;
    out.write(text.data() + plain, std::streamsize(i - plain));
    plain = i + 1;
    switch (c) {
      case '"':
        out << "\\\"";
        break;
      case '\\':
        out << "\\\\";
        break;
      case '\n':
        out << "\\n";
        break;
      case '\r':
        out << "\\r";
        break;
      case '\t':
        out << "\\t";
        break;
      default: {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", c);
        out << buf;
      }
    }
  }
  out.write(text.data() + plain, std::streamsize(text.size() - plain));
  out.put('"');
}

void writeJsonDouble(std::ostream& out, double d) {
  if (std::isnan(d)) {
    out << "\"NaN\"";
    return;
  }
  if (std::isinf(d)) {
    out << (d > 0 ? "\"Infinity\"" : "\"-Infinity\"");
    return;
  }
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d);
  out.write(buf, end - buf);
}

void writeJson(std::ostream& out, const Json& value) {
  switch (value.kind()) {
    case Json::Kind::Null:
      out << "null";
      break;
    case Json::Kind::Bool:
      out << (value.asBool() ? "true" : "false");
      break;
    case Json::Kind::Number:
      out << value.text();
      break;
    case Json::Kind::String:
      writeJsonString(out, value.text());
      break;
    case Json::Kind::Array: {
      out.put('[');
      bool first = true;
      for (const Json& item : value.items()) {
        if (!first) out.put(',');
        first = false;
        writeJson(out, item);
      }
      out.put(']');
      break;
    }
    case Json::Kind::Object: {
      out.put('{');
      bool first = true;
      for (const auto& [name, item] : value.members()) {
        if (!first) out.put(',');
        first = false;
        writeJsonString(out, name);
        out.put(':');
        writeJson(out, item);
      }
      out.put('}');
      break;
    }
  }
}

}  // namespace kvt::formfile
