#include "tools/formfile/HostFiles.h"

#include <random>
#include <stdexcept>

namespace kvt::formfile {
namespace fs = std::filesystem;

ScratchDirectory::ScratchDirectory(const std::string& stem) {
  std::random_device seed;
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    const fs::path dir =
        fs::temp_directory_path() / (stem + "-" + std::to_string(seed() % 1000000));
    if (fs::create_directory(dir)) path_ = dir;
  }
  if (path_.empty()) throw std::runtime_error("cannot make a scratch directory");
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void StreamUi::messageBox(platform::BoxKind kind, const std::string& text) {
  const char* label = kind == platform::BoxKind::Error     ? "error"
                      : kind == platform::BoxKind::Warning ? "warning"
                                                           : "note";
  std::string oneLine = text;
  for (size_t at; (at = oneLine.find("\r\n")) != std::string::npos;) oneLine.replace(at, 2, " ");
  out_ << "kvt-form: " << label << ": " << oneLine << "\n";
}

}  // namespace kvt::formfile
