#include "tools/tableinfo/CodePageText.h"

#include <iconv.h>

#include <cerrno>
#include <string>

namespace kvt::tableinfo {
namespace {

bool isAscii(std::string_view bytes) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// One converter for the life of a call; iconv keeps state between calls.
class Converter {
 public:
  explicit Converter(int codePage) {
    const std::string name = "CP" + std::to_string(codePage == 0 ? 437 : codePage);
    cd_ = iconv_open("UTF-8", name.c_str());
  }
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  std::string convert(std::string_view bytes) {
    std::string out;
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char buffer[256];
    while (inLeft > 0) {
      char* outPtr = buffer;
      size_t outLeft = sizeof buffer;
      const size_t r = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
      out.append(buffer, outPtr - buffer);
      if (r == static_cast<size_t>(-1)) {
        if (errno == E2BIG) continue;
        // An invalid or cut-off sequence: one replacement character, skip one byte.
        out += "\xEF\xBF\xBD";
        ++in;
        --inLeft;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
    return out;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::string toUtf8(std::string_view bytes, int codePage) {
  if (isAscii(bytes)) return std::string(bytes);
  Converter converter(codePage);
  if (converter.ok()) return converter.convert(bytes);
  std::string out;
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) < 0x80) {
      out += c;
    } else {
      out += "\xEF\xBF\xBD";
    }
  }
  return out;
}

}  // namespace kvt::tableinfo
