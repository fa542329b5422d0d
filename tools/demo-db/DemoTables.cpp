#include "tools/demo-db/DemoTables.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "platform/Cp950.h"
#include "schema/Table.h"

namespace kvt::demo {
namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// Built-in Chinese text as the tables store it.
Value Big5(const char* utf8) {
  return Value(platform::utf8ToCp950(utf8));
}

DemoTable Make(std::string name, const std::string& layout, std::vector<Row> rows = {}) {
  return DemoTable{std::move(name), Layout(layout), std::move(rows)};
}

// A code table laid out as the release's copy of it: the key columns, a code, a description
// and the table's own extra columns.
DemoTable CodeTable(const std::string& name, int codeWidth, const std::string& description,
                    int descriptionWidth) {
  std::string layout;
  if (name == "ECFAUnit") layout += "SEQ I *; ";
  if (name == "X101_16") layout += "Type A4 *; ";
  if (name == "X101_12" || name == "X101_13") layout += "Type A2 *; CName A10 *; ";
  layout += "Code A" + std::to_string(codeWidth) + " *; ";
  if (name == "X101_11") layout += "Type A12; ";
  layout += (description.empty() ? std::string("Description") : description) + " A" +
            std::to_string(descriptionWidth);
  if (name == "X601_15") layout += "; CName A20";
  if (name == "X101_11" || name == "X101_13") layout += "; PrintText A4";
  if (name == "PortCN" || name == "PortTW") layout += "; EName A40; CodeCName A35";
  if (name == "ECFAUnit") layout += "; Note A80";
  DemoTable table = Make(name, layout);
  // One row: every key field "1" (or 1), the description in Chinese.
  Row row;
  for (const FieldDef& f : table.schema.fields) {
    if (f.type == FieldType::Long) {
      row.push_back(Value(1));
    } else if (f.name == "Code") {
      row.push_back(Value(std::string(static_cast<size_t>(f.size), '1')));
    } else if (f.name == "Type" || f.name == "CName") {
      row.push_back(Value("1"));
    } else {
      row.push_back(Big5("代碼說明"));
    }
  }
  table.rows.push_back(std::move(row));
  return table;
}

// Rows that make the installation larger and odder than a fresh one: many rows, texts that
// fill their fields to the last byte, Big5 characters whose second byte is a backslash or a
// quote mark, SQL wildcards, empty and missing values, long memos.
void AddOddRows(std::vector<DemoTable>& t) {
  auto table = [&](const char* name) -> DemoTable& {
    for (auto& d : t)
      if (d.name == name) return d;
    throw std::out_of_range(name);
  };
  // 20 Big5 characters: 40 bytes, the whole width of the field.
  const Value fullWidth = Big5("威摩貿易股份有限公司許功蓋台灣分公司總部");
  const Value odd = Big5("許功蓋 O'Brien \"%_\\ 公司");
  char key[32];
  for (int i = 0; i < 240; ++i) {
    std::snprintf(key, sizeof key, "Q%013d", i);
    Value amount = i % 7 == 0 ? Value() : Value(i % 2 ? -1234567.25 + i : 0.01 * i);
    table("X202Base")
        .rows.push_back(
            {Value(key), Value(i % 3 ? "1" : ""), Value(), i % 2 ? fullWidth : odd, amount});
  }
  for (int i = 0; i < 40; ++i) {
    std::snprintf(key, sizeof key, "BX1029%08d", i);  // 14 characters: the whole old width
    table("X102Base")
        .rows.push_back({Value(key), Value(std::to_string(i % 3 + 1)),
                         i % 4 ? Value("AA" + std::string(12, '9')) : Value(),
                         i % 2 ? fullWidth : odd});
  }
  std::string memo;
  while (memo.size() < 3000) memo += platform::utf8ToCp950("很長的備註內容，許功蓋；");
  table("X202Memo").rows.push_back({Value("Q0000000000001"), Value(1), Value(memo)});
  table("XS02Base")
      .rows.push_back({Value("XS0200000002"), Value("2"), Value("PN9999999999"), Value(memo)});
  for (int i = 3; i < 30; ++i) {
    std::snprintf(key, sizeof key, "X802%08d", i);
    table("X802Base")
        .rows.push_back({Value(key), Value("1"), Value("B" + std::to_string(i)),
                         i % 3 ? Value(i % 2 == 0) : Value()});
  }
  table("X901_2nd").rows.push_back({Value("P9010000000001"), Value("E99"), odd});
}

}  // namespace

TableSchema Layout(const std::string& text) {
  TableSchema schema;
  IndexDef primary;
  primary.primary = true;
  primary.unique = true;
  std::stringstream parts(text);
  std::string part;
  while (std::getline(parts, part, ';')) {
    std::istringstream words(Trim(part));
    std::string name, type, star;
    if (!(words >> name >> type) || type.empty())
      throw std::invalid_argument("layout part \"" + part + "\"");
    words >> star;
    auto kind = typeFromLetter(type[0]);
    if (!kind) throw std::invalid_argument("layout type \"" + type + "\"");
    FieldDef field{name, *kind, type.size() > 1 ? std::stoi(type.substr(1)) : 0};
    schema.fields.push_back(field);
    if (star == "*") primary.fields.push_back(name);
  }
  if (!primary.fields.empty()) schema.indexes.push_back(primary);
  return schema;
}

std::vector<DemoTable> InstallationTables() {
  std::vector<DemoTable> t;
  t.push_back(Make("X102Base", "MsgID A14 *; SNo A10 *; AppNo A14; Remark A40",
                   {{Value("BX10200000001"), Value("1"), Value("AA00000001"), Big5("已放行")},
                    {Value("BX10200000002"), Value("1"), Value("AA00000002"), Big5("待審")}}));
  t.push_back(
      Make("X202Base",
           "ProcessingNo A14 *; ApplicantType A1; AgentType A1; ApplicantName A40; "
           "Amount N",
           {{Value("P0000000000001"), Value("1"), Value("2"), Big5("威摩貿易股份有限公司"),
             Value(1234.5)},
            {Value("P0000000000002"), Value("1"), Value("1"), Big5("台灣測試公司"), Value(99.0)}}));
  t.push_back(
      Make("X202Memo", "ProcessingNo A14 *; SEQ I *; Memo M10",
           {{Value("P0000000000001"), Value(1), Big5("第一段說明文字，內容較長以便存入備註檔。")},
            {Value("P0000000000001"), Value(2), Big5("第二段")}}));
  t.push_back(Make("XS02Base", "MsgID A20 *; SNo A10 *; PremiumNo A12; ResponseRemark M10",
                   {{Value("XS0200000001"), Value("1"), Value("PN0000000001"), Big5("保費已繳")}}));
  t.push_back(Make("X402Base", "ProcessingNo A14 *; TransitCountry A2; Consignee A40",
                   {{Value("P4000000000001"), Value("JP"), Big5("收貨人甲")}}));
  t.push_back(Make("X802Base", "MsgID A20 *; SNo A10 *; BoxNumber A10; Checked L",
                   {{Value("X80200000001"), Value("1"), Value("B01"), Value(true)},
                    {Value("X80200000002"), Value("1"), Value("B02"), Value(false)}}));
  t.push_back(Make("X802_3rd", "MsgID A20 *; SNo A10 *; ItemNo I *; VerifiedQuantity N; Remark A40",
                   {{Value("X80200000001"), Value("1"), Value(1), Value(12.0), Big5("數量相符")}}));
  t.push_back(
      Make("X901Base", "ProcessingNo A14 *; Status A2", {{Value("P9010000000001"), Value("01")}}));
  t.push_back(Make("X901_2nd", "ProcessingNo A18 *; ErrorCode A3 *; Note A40",
                   {{Value("P9010000000001"), Value("E01"), Big5("錯誤說明")}}));
  t.push_back(
      Make("X902Base", "ProcessingNo A14 *; Status A2", {{Value("P9020000000001"), Value("02")}}));
  t.push_back(Make("X202_4", "Code A3 *; Description A100", {{Value("001"), Big5("說明")}}));
  t.push_back(Make("X101_12", "Type A2 *; CName A10 *; Code A2 *; Description A200",
                   {{Value("01"), Big5("甲"), Value("01"), Big5("舊代碼")}}));
  t.push_back(Make("XMLApp", "Mode A10 *; SEQ I *; Tag A40; Note A40",
                   {{Value("X102"), Value(1), Value("OldTag"), Big5("舊的")},
                    {Value("X102"), Value(99), Value("Local"), Big5("自訂列")},
                    {Value("X201"), Value(1), Value("Other"), Big5("其他模式")}}));
  t.push_back(Make("XNoMap2", "Mode A10 *; KVTNo I *; FNo A10; Name A40",
                   {{Value("X101"), Value(230), Value("E00230"), Big5("目的國家")},
                    {Value("X201"), Value(5), Value("E00005"), Big5("不動")}}));
  t.push_back(Make("DS43Port", "Code A5 *; SEQ A1 *; Name A30; Type A1; CountryCode A2",
                   {{Value("TWKEL"), Value("1"), Big5("舊名稱"), Value("L"), Value("TW")}}));
  // Old layouts of two SourceDB tables: on MySQL their columns are repaired before the refill.
  t.push_back(Make("X101_6", "Code A3 *; Description A40", {{Value("001"), Big5("舊說明")}}));
  t.push_back(Make("X201_6", "Code A3 *; Description A40", {{Value("001"), Big5("舊說明")}}));
  t.push_back(Make("EMailFTP",
                   "Code A8 *; Type A1 *; Mode A1 *; Address A40; UserID A40; Password A40; "
                   "Note A40",
                   {{Value("HOME"), Value("F"), Value("1"), Value("ftp.example.com"), Value("demo"),
                     Value("secret"), Big5("客戶自己的設定")}}));
  AddOddRows(t);
  return t;
}

std::vector<DemoTable> ReleaseTables() {
  std::vector<DemoTable> t;
  // New layouts of the upgraded tables (no rows: the package's rows are carried over).
  t.push_back(Make("X102Base", "MsgID A20 *; SNo A10 *; AppNo A14; Remark A40; ValidationCode A8"));
  t.push_back(Make("X202Base", "ProcessingNo A18 *; ApplicantName A40; Amount N"));
  t.push_back(Make("X202Memo", "ProcessingNo A18 *; SEQ I *; Memo M10"));
  t.push_back(Make("XS02Base",
                   "MsgID A20 *; SNo A10 *; MessageDate D; MessageTime T; PremiumNo A14; "
                   "PremiumAmount N; CurrencyCode A3; ExchangeRate N; IssureDate D; "
                   "ResponseRemark M10"));
  t.push_back(Make("X402Base", "ProcessingNo A18 *; Consignee A40"));
  t.push_back(Make("X802Base", "MsgID A20 *; SNo A10 *; Checked L"));
  t.push_back(Make("X802_3rd",
                   "MsgID A20 *; SNo A10 *; ItemNo I *; VerifiedQuantity N; "
                   "ErrorCodeDescription A150; Remark A40"));
  t.push_back(Make("X901Base", "ProcessingNo A18 *; Status A2"));
  t.push_back(Make("X901_2nd", "ProcessingNo A18 *; ErrorCode A4 *; Note A40"));
  t.push_back(Make("X902Base", "ProcessingNo A18 *; Status A2"));

  // Code tables.
  const struct {
    const char* name;
    int code;
    const char* description;
    int width;
  } codes[] = {
      {"X101_9", 2, "", 20},       {"X101_10", 2, "", 200},      {"X101_11", 1, "", 60},
      {"X101_12", 3, "", 200},     {"X101_13", 2, "", 200},      {"X101_14", 2, "", 200},
      {"X101_15", 3, "", 100},     {"X101_16", 2, "", 140},      {"X101_17", 2, "", 100},
      {"ECFAUnit", 3, "Unit", 20}, {"PortCN", 5, "CName", 30},   {"PortTW", 5, "CName", 30},
      {"CargoDOC", 3, "", 50},     {"CargoSex", 1, "CName", 10}, {"CargoBM", 1, "CName", 10},
      {"CargoCY", 1, "CName", 20}, {"CNCode", 8, "", 200},       {"X601_1", 1, "", 10},
      {"X601_2", 1, "", 10},       {"X601_3", 1, "", 10},        {"X601_4", 1, "", 40},
      {"X601_5", 10, "", 20},      {"X601_6", 3, "", 40},        {"X601_7", 3, "", 20},
      {"X601_8", 2, "", 60},       {"X601_9", 2, "", 40},        {"X601_10", 1, "", 10},
      {"X601_11", 2, "", 20},      {"X601_12", 2, "", 20},       {"X601_13", 2, "", 20},
      {"X601_14", 2, "", 100},     {"X601_15", 5, "", 40},       {"X602_1", 1, "", 10},
      {"X602_2", 1, "", 20},       {"X602_3", 4, "", 100}};
  for (const auto& c : codes) t.push_back(CodeTable(c.name, c.code, c.description, c.width));

  // Message tables.
  t.push_back(Make("X901_5th", "MsgID A20 *; SNo A10 *; AppNo A14 *"));
  t.push_back(Make(
      "XIDPSW", "XID A10 *; CName A40; URL A240; ID A20; PSW A20",
      {{Value("X101"), Big5("通關網路"), Value("https://example.com/x101"), Value("user"),
        Value("pass")},
       {Value("X601"), Big5("檢驗局"), Value("https://example.com/x601"), Value(""), Value("")}}));
  t.push_back(Make("EMailFTP",
                   "Code A8 *; Type A1 *; Mode A1 *; Address A40; UserID A40; Password A40; "
                   "Note A40"));
  t.push_back(Make("EMailLog",
                   "Type A1 *; SendDateTime @ *; Code A8; Address A40; Sender A40; FileName A64; "
                   "Note A40"));
  t.push_back(Make("X903Base",
                   "MsgID A20 *; SNo A10 *; SenderMsgID A20; MsgCreateTime A20; OrgMsgType A10; "
                   "OrgMsgUUID A40; FromParty A10; GoodsAppNo A14; XMLFile A128"));
  t.push_back(Make("X903_2nd", "MsgID A20 *; SNo A10 *; SEQ I *; ErrorType A20; Description M10"));
  t.push_back(Make("XS01Base",
                   "MsgID A20 *; SNo A10 *; SenderID A10; ReceiverID A10; MessageDate D; "
                   "MessageTime T; Ack A1; Remark A200"));
  t.push_back(Make("X602Base",
                   "MsgID A20 *; SNo A10 *; AppNo A14; CertificateNo A15; SendingDate D; "
                   "SendingTime T; MessageFunction A1; SamplingDate D; SamplingPeriod A1; "
                   "PaymentFee N; Result A1; Remarks A255"));
  t.push_back(Make("X602_2nd", "MsgID A20 *; SNo A10 *; ErrorCode A4 *"));
  t.push_back(Make("X602_3rd", "MsgID A20 *; SNo A10 *; ItemNo I *"));

  // Reference rows.
  t.push_back(Make("XMLApp", "Mode A10 *; SEQ I *; Tag A40; Note A40",
                   {{Value("X102"), Value(1), Value("NewTag"), Big5("新的")},
                    {Value("X102"), Value(2), Value("Added"), Big5("新增")},
                    {Value("X602"), Value(1), Value("Cert"), Big5("證明")},
                    {Value("X602No"), Value(1), Value("CertNo"), Big5("證明號碼")},
                    {Value("X903"), Value(1), Value("Reply"), Big5("回覆")},
                    {Value("X903No"), Value(1), Value("ReplyNo"), Big5("回覆號碼")},
                    {Value("XS01"), Value(1), Value("Ship"), Big5("艙單")},
                    {Value("XS02"), Value(1), Value("Premium"), Big5("保費")},
                    {Value("X201"), Value(1), Value("Ignored"), Big5("不該複製")}}));
  t.push_back(Make("XNoMap2", "Mode A10 *; KVTNo I *; FNo A10; Name A40",
                   {{Value("X101"), Value(230), Value("E15730"), Big5("目的國家")},
                    {Value("X101"), Value(232), Value("E15732"), Big5("目的國家二")},
                    {Value("X101"), Value(1), Value("E00001"), Big5("報單號碼")},
                    {Value("X201"), Value(5), Value("E20005"), Big5("新值")},
                    {Value("X301"), Value(1), Value("E30001"), Big5("三")},
                    {Value("X401"), Value(1), Value("E40001"), Big5("四")},
                    {Value("X601"), Value(1), Value("E60001"), Big5("六")},
                    {Value("XSEA"), Value(1), Value("ES0001"), Big5("海運")}}));
  t.push_back(Make("KVT43", "Code A5 *; CName A30",
                   {{Value("TWKEL"), Big5("基隆")},
                    {Value("TWKHH"), Big5("高雄")},
                    {Value("TWTPE"), Big5("台北")}}));

  // Whole tables of the SourceDB list.
  t.push_back(Make("X101_6", "Code A3 *; Type A12; Description A200",
                   {{Value("001"), Value("A"), Big5("第一類")}}));
  t.push_back(Make("X201_6", "Code A3 *; Description A40; Note A20",
                   {{Value("001"), Big5("說明"), Big5("附註")}}));
  t.push_back(Make("DS43Port", "Code A5 *; SEQ A1 *; Name A30; Type A1; CountryCode A2",
                   {{Value("TWKEL"), Value("1"), Big5("基隆港"), Value("L"), Value("TW")},
                    {Value("TWKEL"), Value("2"), Big5("基隆港二"), Value("L"), Value("TW")}}));
  return t;
}

const DemoTable& Find(const std::vector<DemoTable>& tables, const std::string& name) {
  for (const auto& t : tables)
    if (t.name == name) return t;
  throw std::out_of_range("no demo table " + name);
}

void BuildTable(Database& db, const DemoTable& table) {
  db.createTable(table.name, table.schema);
  if (table.rows.empty()) return;
  Table handle(db, table.name);
  handle.open(OpenMode::ReadWrite);
  for (const Row& row : table.rows) {
    handle.append();
    for (size_t i = 0; i < row.size(); ++i) handle.set(static_cast<int>(i), row[i]);
    handle.post();
  }
  handle.close();
}

void BuildTables(Database& db, const std::vector<DemoTable>& tables) {
  for (const auto& t : tables) BuildTable(db, t);
}

std::string DemoSwitchText() {
  std::string text = "[System]\r\nShowUpgradeOnly=NO\r\n";
  for (const char* key :
       {"DoUpgradeX102Base", "DoUpgradeX202Base", "DoUpgradeX202Memo", "DoUpgradeXS02Base",
        "DoUpgradeX402Base", "DoUpgradeX802Base", "DoUpgradeX802_3rd", "DoUpgradeX901Base",
        "DoUpgradeX901_2nd", "DoUpgradeX902Base", "DoUpgradeX202_4",   "DoUpgradeX101_12",
        "DoAddX101_9",       "DoAddX101_10",      "DoAddX101_11",      "DoAddX101_13",
        "DoAddX101_14",      "DoAddX101_15",      "DoAddX101_16",      "DoAddX101_17",
        "DoAddECFAUnit",     "DoAddPortCN",       "DoAddPortTW",       "DoAddX901_5th",
        "DoAddXIDPSW",       "DoAddEMailFTP",     "DoAddX903Base",     "DoAddX903_2nd",
        "DoAddXS01Base",     "DoAddXS02Base",     "DoAddCargoDOC",     "DoAddCargoSex",
        "DoAddCargoBM",      "DoAddCargoCY",      "DoAddCNCode",       "DoAddX602Base",
        "DoAddX602_2nd",     "DoAddX602_3rd",     "DoAddX602_01",      "DoAddX602_02",
        "DoAddX602_03",      "ChangeDS43Port",    "ChangeXMLAppX102",  "ChangeXMLAppX602",
        "ChangeXMLAppX903",  "ChangeXMLAppXS01",  "ChangeXMLAppXS02",  "ChangeXNoMap2X101",
        "ChangeXNoMap2X201", "ChangeXNoMap2X301", "ChangeXNoMap2X401", "ChangeXNoMap2X601",
        "ChangeXNoMap2XSEA"})
    text += std::string(key) + "=YES\r\n";
  for (int i = 1; i <= 15; ++i) {
    char key[32];
    std::snprintf(key, sizeof key, "DoAddX601_%02d=YES\r\n", i);
    text += key;
  }
  text += "X101目的國家用15766及15768=YES\r\n";
  text += "SourceDB001=X101_6\r\nSourceDB002=X201_6\r\nSourceDB003=DS43Port\r\n";
  return text;
}

}  // namespace kvt::demo
