// The report mail through SendReport: the company record and the release's date in the body,
// the subject and the recipient, the box of each mail result, and what happens without the
// Company table.
#include <gtest/gtest.h>

#include "ReportDoubles.h"
#include "report/ReportMail.h"
#include "schema/EngineError.h"

namespace kvt::report::testing {
namespace {

const CompanyRow kMistRiver{"12345678", "霧川貿易股份有限公司", "台北市中山區民生東路一段 1 號",
                            "02-2345-6789"};

const std::string kLog =
    "資料庫別名 KVT 是 Paradox 資料庫。\r\n"
    "X102Base 已經是新的。\r\n"
    "\r\n"
    "使用者中止 !\r\n";

class SendReportTest : public ::testing::Test {
 protected:
  ReportSetup setup;
  ScriptedMailClient client;

  const MailMessage& OnlyMail() {
    EXPECT_EQ(client.sent.size(), 1u);
    return client.sent.front();
  }
};

TEST_F(SendReportTest, BodyCarriesCompanyReleaseDateAndWholeLog) {
  setup.CreateCompanyTable();
  setup.AddCompany(kMistRiver);
  setup.PutReleaseProgram(2013, 9, 5, 23, 40);

  SendReport(setup.ctx(), client, kLog);

  const MailMessage& mail = OnlyMail();
  EXPECT_EQ(mail.subject, "霧川貿易股份有限公司 KVT 更新情形");
  EXPECT_EQ(mail.body,
            "公司名稱：霧川貿易股份有限公司\r\n"
            "統一編號：12345678\r\n"
            "電話號碼：02-2345-6789\r\n"
            "公司地址：台北市中山區民生東路一段 1 號\r\n"
            "使用版本：2013/09/05\r\n"
            "\r\n" +
                kLog);
  EXPECT_EQ(mail.toName, "Velmor 客服");
  EXPECT_EQ(mail.toAddress, "SMTP:service@velmor.example");
  EXPECT_TRUE(setup.ui().boxes.empty());
  EXPECT_TRUE(setup.window().lines.empty()) << "the report writes nothing to the log";
}

TEST_F(SendReportTest, WithoutReleaseProgramThereIsNoVersionLine) {
  setup.CreateCompanyTable();
  setup.AddCompany(kMistRiver);
  // A directory of that name is not the program.
  ASSERT_TRUE(setup.ctx().fs.createDirectory(std::string(ReportSetup::kReleaseDir) + "KVT.EXE"));

  SendReport(setup.ctx(), client, kLog);

  EXPECT_EQ(OnlyMail().body,
            "公司名稱：霧川貿易股份有限公司\r\n"
            "統一編號：12345678\r\n"
            "電話號碼：02-2345-6789\r\n"
            "公司地址：台北市中山區民生東路一段 1 號\r\n"
            "\r\n" +
                kLog);
}

TEST_F(SendReportTest, EmptyCompanyTableGivesEmptyValues) {
  setup.CreateCompanyTable();
  setup.PutReleaseProgram(2005, 7, 15, 0, 5);

  SendReport(setup.ctx(), client, kLog);

  const MailMessage& mail = OnlyMail();
  EXPECT_EQ(mail.subject, " KVT 更新情形");
  EXPECT_EQ(mail.body,
            "公司名稱：\r\n"
            "統一編號：\r\n"
            "電話號碼：\r\n"
            "公司地址：\r\n"
            "使用版本：2005/07/15\r\n"
            "\r\n" +
                kLog);
}

TEST_F(SendReportTest, OnlyTheFirstCompanyRowCounts) {
  setup.CreateCompanyTable();
  setup.AddCompany(kMistRiver);
  setup.AddCompany({"87654321", "第二公司", "高雄市", "07-1234567"});

  SendReport(setup.ctx(), client, kLog);

  EXPECT_EQ(OnlyMail().subject, "霧川貿易股份有限公司 KVT 更新情形");
  EXPECT_EQ(OnlyMail().body.find("第二公司"), std::string::npos);
}

TEST_F(SendReportTest, LogLinesEndWithCrLfWhateverBreakTheyCameWith) {
  setup.CreateCompanyTable();

  SendReport(setup.ctx(), client, "第一行\n第二行\r第三行\r\n第四行");

  const std::string& body = OnlyMail().body;
  EXPECT_TRUE(body.ends_with("\r\n\r\n第一行\r\n第二行\r\n第三行\r\n第四行")) << body;
}

TEST_F(SendReportTest, MissingCompanyTableReachesCallerAndSendsNothing) {
  try {
    SendReport(setup.ctx(), client, kLog);
    FAIL() << "no error";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::MissingTable);
  }
  EXPECT_TRUE(client.sent.empty());
  EXPECT_TRUE(setup.ui().boxes.empty());
}

TEST_F(SendReportTest, MissingColumnReachesCallerEvenOnAnEmptyTable) {
  setup.CreateCompanyTable({"BusinessID", "Name", "Address"});

  try {
    SendReport(setup.ctx(), client, kLog);
    FAIL() << "no error";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::MissingField);
    EXPECT_NE(std::string(e.what()).find("TelNo"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(client.sent.empty());
}

TEST_F(SendReportTest, NoPackageDatabaseIsAnEngineErrorNotACrash) {
  setup.ctx().packageDb.reset();

  EXPECT_THROW(SendReport(setup.ctx(), client, kLog), EngineError);
  EXPECT_TRUE(client.sent.empty());
}

struct ResultCase {
  int result;
  const char* message;
};

class MailResultBoxTest : public ::testing::TestWithParam<ResultCase> {};

TEST_P(MailResultBoxTest, FailureShowsItsErrorBoxOnce) {
  ReportSetup setup;
  setup.CreateCompanyTable();
  ScriptedMailClient client(GetParam().result);

  SendReport(setup.ctx(), client, kLog);

  ASSERT_EQ(client.sent.size(), 1u);
  ASSERT_EQ(setup.ui().boxes.size(), 1u);
  EXPECT_EQ(setup.ui().boxes[0].kind, platform::BoxKind::Error);
  EXPECT_EQ(setup.ui().boxes[0].text, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Results, MailResultBoxTest,
                         ::testing::Values(ResultCase{3, "沒有預設帳號 !"},
                                           ResultCase{5, "沒有足夠的記憶體 !"},
                                           ResultCase{11, "找不到某個附檔 !"},
                                           ResultCase{12, "開啟某個附檔時失敗 !"},
                                           ResultCase{1, "連結 OutLook Express 沒有成功 !"},
                                           ResultCase{2, "連結 OutLook Express 沒有成功 !"},
                                           ResultCase{26, "連結 OutLook Express 沒有成功 !"},
                                           ResultCase{-1, "連結 OutLook Express 沒有成功 !"}),
                         [](const ::testing::TestParamInfo<ResultCase>& info) {
                           const int r = info.param.result;
                           return r < 0 ? "Minus" + std::to_string(-r) : "Code" + std::to_string(r);
                         });

TEST(MailResultBox, SuccessShowsNothing) {
  ReportSetup setup;
  setup.CreateCompanyTable();
  ScriptedMailClient client(0);

  SendReport(setup.ctx(), client, kLog);

  EXPECT_EQ(client.sent.size(), 1u);
  EXPECT_TRUE(setup.ui().boxes.empty());
  EXPECT_EQ(MailResultMessage(0), std::nullopt);
}

}  // namespace
}  // namespace kvt::report::testing
