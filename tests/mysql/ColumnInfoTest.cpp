#include "engine/mysql/ColumnInfo.h"

#include <gtest/gtest.h>

namespace kvt::mysql {
namespace {

ColumnInfo column(const std::string& type, const std::string& collation = "",
                  const std::string& extra = "") {
  return describeColumn("c", type, collation, "YES", extra);
}

TEST(ColumnInfo, CharacterColumnsHaveTheirDeclaredWidth) {
  const ColumnInfo c = column("char(18)", "big5_chinese_ci");
  EXPECT_EQ(c.def.type, FieldType::Alpha);
  EXPECT_EQ(c.def.size, 18);
  EXPECT_TRUE(c.fixedChar);
  EXPECT_FALSE(c.caseSensitive);

  const ColumnInfo v = column("varchar(200)", "big5_bin");
  EXPECT_EQ(v.def.type, FieldType::Alpha);
  EXPECT_EQ(v.def.size, 200);
  EXPECT_FALSE(v.fixedChar);
  EXPECT_TRUE(v.caseSensitive);

  EXPECT_EQ(column("enum('A','BCD','')").def.size, 3);
}

TEST(ColumnInfo, BooleansAreToldApartFromNumbers) {
  EXPECT_EQ(column("tinyint(1)").def.type, FieldType::Logical);
  EXPECT_EQ(column("tinyint(1)").readAs, ReadAs::Bool);
  EXPECT_EQ(column("bit(1)").def.type, FieldType::Logical);
  EXPECT_EQ(column("bit(1)").readAs, ReadAs::BitBool);
  EXPECT_EQ(column("tinyint(4)").def.type, FieldType::Short);
  EXPECT_EQ(column("bit(16)").def.type, FieldType::Bytes);
}

TEST(ColumnInfo, OtherTypesMapOntoTheNearestFieldType) {
  struct Case {
    const char* type;
    FieldType ft;
    int size;
    ReadAs how;
  } cases[] = {
      {"smallint(6)", FieldType::Short, 0, ReadAs::Int},
      {"int(11)", FieldType::Long, 0, ReadAs::Int},
      {"int(10) unsigned", FieldType::Long, 0, ReadAs::Int},
      {"bigint(20)", FieldType::Long, 0, ReadAs::Int},
      {"double", FieldType::Number, 0, ReadAs::Float},
      {"double(16,4)", FieldType::Number, 0, ReadAs::Float},
      {"decimal(10,2)", FieldType::Bcd, 2, ReadAs::Decimal},
      {"text", FieldType::Memo, 0, ReadAs::Text},
      {"mediumtext", FieldType::Memo, 0, ReadAs::Text},
      {"blob", FieldType::Blob, 0, ReadAs::Bytes},
      {"varbinary(8)", FieldType::Bytes, 8, ReadAs::Bytes},
      {"date", FieldType::Date, 0, ReadAs::Date},
      {"time", FieldType::Time, 0, ReadAs::Time},
      {"datetime", FieldType::Timestamp, 0, ReadAs::Timestamp},
      {"timestamp", FieldType::Timestamp, 0, ReadAs::Timestamp},
  };
  for (const Case& c : cases) {
    const ColumnInfo info = column(c.type);
    EXPECT_EQ(info.def.type, c.ft) << c.type;
    EXPECT_EQ(info.def.size, c.size) << c.type;
    EXPECT_EQ(info.readAs, c.how) << c.type;
  }
  EXPECT_EQ(column("double(16,4)").decimals, 4);
  EXPECT_EQ(column("double").decimals, -1);
  EXPECT_TRUE(column("float").singlePrecision);
  EXPECT_EQ(column("int(11)", "", "auto_increment").def.type, FieldType::AutoInc);
  EXPECT_TRUE(describeColumn("c", "int(11)", "", "NO", "").notNull);
}

}  // namespace
}  // namespace kvt::mysql
