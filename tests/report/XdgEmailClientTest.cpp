// The xdg-email client: the real xdg-email on a bare desktop carrying the report to a stand-in
// mail program unchanged, a stand-in xdg-email for the exit codes, the mailto address itself,
// and the fitting of a long body into one program argument.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "BareMailDesktop.h"
#include "ReportDoubles.h"
#include "report/ReportMail.h"
#include "report/XdgEmailClient.h"

namespace kvt::report::testing {
namespace {
namespace fs = std::filesystem;

// A temporary directory put first on PATH for the test, holding a shell script named
// xdg-email that writes its arguments, each ended by a NUL byte, to args.bin.
class FakeXdgEmail : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kvt-report-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    const char* path = std::getenv("PATH");
    savedPath_ = path ? path : "";
    ::setenv("PATH", (dir_.string() + ":" + savedPath_).c_str(), 1);
  }
  void TearDown() override {
    ::setenv("PATH", savedPath_.c_str(), 1);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // `action` runs after the arguments are recorded ("exit 0", "kill -9 $$", ...).
  void InstallScript(const std::string& action) {
    const fs::path script = dir_ / "xdg-email";
    std::ofstream out(script, std::ios::trunc);
    out << "#!/bin/sh\n"
        << "for a in \"$@\"; do printf '%s\\000' \"$a\"; done > '" << (dir_ / "args.bin").string()
        << "'\n"
        << action << "\n";
    out.close();
    ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
  }

  bool Called() const { return fs::exists(dir_ / "args.bin"); }
  static MailMessage Mail(std::string body) {
    return {"霧川貿易 KVT 更新情形", std::move(body), "Velmor 客服", "SMTP:service@velmor.example"};
  }

  fs::path dir_;
  std::string savedPath_;
  RecordingUi ui_;
};

// The body as the mail program shows it: LF line ends.
std::string LfLines(std::string text) {
  for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
  return text;
}

TEST(MailtoAddress, EveryByteButTheUnreservedIsEncodedAndLinesEndInLf) {
  using namespace std::string_literals;
  const MailMessage mail{"A b", "c:\\v\r\n\0~-._%&?\xE4\xB8\xAD"s, "名",
                         "SMTP:service@velmor.example"};
  EXPECT_EQ(MailtoAddress(mail),
            "mailto:service@velmor.example?subject=A%20b"
            "&body=c%3A%5Cv%0A~-._%25%26%3F%E4%B8%AD");
}

TEST(RealXdgEmail, TheLogArrivesByteForByte) {
  BareMailDesktop desktop;
  RecordingUi ui;
  // Windows paths hold "\v" and "\c"; echo would read them as escapes.
  const std::string body =
      "公司名稱：霧川貿易\r\n\r\n檔案 [c:\\velmor\\kvt\\dtx\\ABC.DTX] 已經是新的。\r\n"
      "\\cut here? \\\\server\\share\\KVT\\ 100% & a=b; #1 + \"引號\" $HOME `date` \\n\r\n"
      "\t最後一行 !\r\n";
  const MailMessage mail{"霧川貿易 KVT 更新情形", body, "Velmor 客服",
                         "SMTP:service@velmor.example"};

  ASSERT_EQ(XdgEmailClient().send(mail, ui), mail_result::kSuccess);

  ASSERT_TRUE(desktop.called());
  EXPECT_EQ(desktop.recipient(), "service@velmor.example");
  EXPECT_EQ(desktop.field("subject"), mail.subject);
  EXPECT_EQ(desktop.field("body"), LfLines(body));
}

TEST(RealXdgEmail, AMailProgramThatFailsCountsAsCancelled) {
  BareMailDesktop desktop(1);
  RecordingUi ui;
  EXPECT_EQ(XdgEmailClient().send({"s", "b", "n", "SMTP:a@b.example"}, ui),
            mail_result::kUserAbort);
  EXPECT_TRUE(desktop.called());
}

TEST_F(FakeXdgEmail, EveryFailureOfTheClientCountsAsCancelled) {
  // 1: the operator cancelled or the arguments were refused; 3: no mail program; 4: it failed.
  for (const char* action : {"exit 1", "exit 2", "exit 3", "exit 4", "exit 77", "kill -9 $$"}) {
    SCOPED_TRACE(action);
    InstallScript(action);
    EXPECT_EQ(XdgEmailClient().send(Mail("x"), ui_), mail_result::kUserAbort);
    EXPECT_TRUE(Called());
  }
}

TEST_F(FakeXdgEmail, MissingProgramCountsAsCancelled) {
  // Only the empty scratch directory is searched.
  ::setenv("PATH", dir_.c_str(), 1);
  EXPECT_EQ(XdgEmailClient().send(Mail("x"), ui_), mail_result::kUserAbort);
  EXPECT_EQ(XdgEmailClient("kvt-no-such-mail-program").send(Mail("x"), ui_),
            mail_result::kUserAbort);
}

TEST(RealXdgEmail, CancelledComposeShowsTheConnectionBox) {
  BareMailDesktop desktop(1);
  ReportSetup setup;
  setup.CreateCompanyTable();
  setup.AddCompany({"12345678", "霧川貿易", "台北市", "02-1234"});

  SendReport(setup.ctx(), *DefaultMailClient(), "第一行\r\n");

  EXPECT_EQ(desktop.field("subject"), "霧川貿易 KVT 更新情形");
  EXPECT_EQ(
      desktop.field("body"),
      "公司名稱：霧川貿易\n統一編號：12345678\n電話號碼：02-1234\n公司地址：台北市\n\n第一行\n");
  ASSERT_EQ(setup.ui().boxes.size(), 1u);
  EXPECT_EQ(setup.ui().boxes[0].kind, platform::BoxKind::Error);
  EXPECT_EQ(setup.ui().boxes[0].text, "連結 OutLook Express 沒有成功 !");
}

// A body of `lines` log lines after four company lines, each line numbered.
std::string LongBody(int lines) {
  std::string body =
      "公司名稱：霧川貿易\r\n統一編號：12345678\r\n電話號碼：02\r\n公司地址：台北\r\n\r\n";
  for (int i = 1; i <= lines; ++i)
    body += "第 " + std::to_string(i) + " 行：檔案 [C:\\Velmor\\KVT\\KVT.EXE] 已經是新的。\r\n";
  return body;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  lines.push_back(text.substr(start));
  return lines;
}

TEST(FitBody, BodyThatFitsIsUntouched) {
  const std::string body = LongBody(20);
  EXPECT_EQ(FitBodyForArgument(body, MailtoEncodedSize(body)), body);
}

TEST(FitBody, LongBodyKeepsWholeLinesFromStartAndEndAroundANote) {
  const std::string body = LongBody(5000);
  const size_t limit = 20000;
  ASSERT_GT(MailtoEncodedSize(body), limit);

  const std::string fitted = FitBodyForArgument(body, limit);

  EXPECT_LE(MailtoEncodedSize(fitted), limit);
  const std::vector<std::string> all = Lines(body), kept = Lines(fitted);
  // Exactly one line is not from the body: the note, between a prefix and a suffix of it.
  size_t note = 0;
  while (note < kept.size() && note < all.size() && kept[note] == all[note]) ++note;
  ASSERT_LT(note, kept.size());
  ASSERT_GE(note, 5u) << "the company lines are kept";
  const size_t tail = kept.size() - note - 1;
  ASSERT_GE(tail, 2u) << "the end of the log is kept";
  for (size_t i = 0; i < tail; ++i)
    EXPECT_EQ(kept[note + 1 + i], all[all.size() - tail + i]) << "tail line " << i;
  const size_t omitted = all.size() - note - tail;
  EXPECT_EQ(kept[note], "……（報告太長，中間省略了 " + std::to_string(omitted) + " 行。）……");
  EXPECT_TRUE(fitted.ends_with("\r\n")) << "the body's last line break stays";
}

TEST(RealXdgEmail, LongLogArrivesFittedIntoOneArgument) {
  BareMailDesktop desktop;
  RecordingUi ui;
  // About 400 KiB of encoded text: more than one program argument may hold.
  const std::string body = LongBody(6000);
  ASSERT_GT(MailtoEncodedSize(body), 131072u);

  ASSERT_EQ(XdgEmailClient().send({"s", body, "n", "SMTP:a@b.example"}, ui), 0);

  EXPECT_LE(desktop.received().size(), kMaxEncodedBody + 100);
  const std::string sent = desktop.field("body").value_or("");
  EXPECT_TRUE(sent.starts_with("公司名稱：霧川貿易\n統一編號：12345678\n")) << sent.substr(0, 80);
  EXPECT_NE(sent.find("第 6000 行"), std::string::npos);
  EXPECT_NE(sent.find("中間省略了"), std::string::npos);
}

}  // namespace
}  // namespace kvt::report::testing
