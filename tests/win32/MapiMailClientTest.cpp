// The Simple MAPI client against the stand-in MAPI32.DLL beside this program: the texts reach
// the mail library in code page 950 whatever the ANSI code page, the tool's window is the
// compose window's parent, and the library's result comes back.
#include <gtest/gtest.h>
#include <windows.h>
// mapi.h needs the types of windows.h.
#include <mapi.h>

#include "StandInMapi.h"
#include "platform/win32/LoadedLibrary.h"
#include "report/MailClient.h"

namespace kvt::report {
namespace {

struct QuietUi : platform::Ui {
  void messageBox(platform::BoxKind, const std::string&) override {}
  void setBusyCursor(bool) override {}
  void processEvents() override {}
};

TEST(MapiMailClient, HandsTheMailOverInCodePage950WithTheToolsWindowAsParent) {
  // The same search as the client's: the stand-in must be the library it finds.
  platform::win32::Library mapi(::LoadLibraryA("MAPI32.DLL"));
  ASSERT_TRUE(mapi);
  const auto lastMail = platform::win32::exportOf<StandInMailFn>(mapi.get(), "StandInLastMail");
  const auto answer = platform::win32::exportOf<StandInAnswerFn>(mapi.get(), "StandInAnswer");
  ASSERT_TRUE(lastMail && answer) << "the system's MAPI32.DLL was loaded, not the stand-in";

  const MailMessage mail{"台灣公司 KVT 更新情形", "第一行\r\n\r\n", "維爾摩客服",
                         "SMTP:report@example.com"};
  QuietUi ui;
  answer(SUCCESS_SUCCESS);
  EXPECT_EQ(DefaultMailClient(ParentWindow(0x5A5A))->send(mail, ui), mail_result::kSuccess);
  const StandInMail& got = *lastMail();
  EXPECT_EQ(got.calls, 1);
  EXPECT_EQ(std::string(got.subject),
            "\xA5\x78\xC6\x57\xA4\xBD\xA5\x71 KVT \xA7\xF3\xB7\x73\xB1\xA1\xA7\xCE");
  EXPECT_EQ(std::string(got.body), "\xB2\xC4\xA4\x40\xA6\xE6\r\n\r\n");
  EXPECT_EQ(std::string(got.name), "\xBA\xFB\xBA\xB8\xBC\xAF\xAB\xC8\xAA\x41");
  EXPECT_EQ(std::string(got.address), "SMTP:report@example.com");
  EXPECT_EQ(got.parent, ULONG_PTR(0x5A5A));
  EXPECT_EQ(got.session, 0u);
  EXPECT_EQ(got.flags, ULONG(MAPI_LOGON_UI | MAPI_DIALOG));
  EXPECT_EQ(got.reserved, 0u);
  EXPECT_EQ(got.recipients, 1u);
  EXPECT_EQ(got.recipientClass, ULONG(MAPI_TO));
  EXPECT_EQ(got.files, 0u);
  EXPECT_FALSE(got.hasOriginator);

  // The library's own result is the client's, a cancel and a missing account alike.
  answer(MAPI_E_USER_ABORT);
  EXPECT_EQ(DefaultMailClient(ParentWindow(0x5A5A))->send(mail, ui), mail_result::kUserAbort);
  answer(MAPI_E_LOGIN_FAILURE);
  EXPECT_EQ(DefaultMailClient()->send(mail, ui), mail_result::kLoginFailure);
  EXPECT_EQ(lastMail()->calls, 1);
}

}  // namespace
}  // namespace kvt::report
