#include "files/DtxFiles.h"

#include "files/CopyRule.h"

namespace kvt::files {

void CopyDtxFile(RunContext& ctx, const std::string& name) {
  if (ctx.DtxDir.empty()) {
    ctx.ui.messageBox(platform::BoxKind::Warning, "沒有定義貿易便捷化 DTX 目錄 !");
    return;
  }
  if (!ctx.fs.directoryExists(ctx.DtxDir)) {
    ctx.ui.messageBox(platform::BoxKind::Warning,
                      "貿易便捷化 DTX 目錄 [" + ctx.DtxDir + "] 不存在 !");
    return;
  }
  const std::string source = ctx.ReleaseDir + name;
  const std::string dottedExt = platform::extractFileExt(name);
  const std::string ext = dottedExt.empty() ? std::string() : dottedExt.substr(1);
  std::string targetName = name;
  if (ext != "DTX") {
    const std::string subdir = ctx.DtxDir + ext;
    if (!ctx.fs.directoryExists(subdir) && !ctx.fs.forceDirectories(subdir))
      ctx.ui.messageBox(platform::BoxKind::Warning, "無法建立目錄 [" + subdir + "]");
    // The copy is still tried; into a missing directory it fails without a log line.
    targetName = ext + "\\" + name.substr(0, name.size() - dottedExt.size());
  }
  CopyIfNewer(ctx, source, ctx.DtxDir + targetName, false, true);
}

}  // namespace kvt::files
