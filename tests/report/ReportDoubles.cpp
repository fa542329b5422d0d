#include "ReportDoubles.h"

#include <chrono>
#include <memory>
#include <stdexcept>

#include "platform/Cp950.h"
#include "platform/LocalDate.h"
#include "schema/Table.h"

namespace kvt::report::testing {

ReportSetup::ReportSetup() : ctx_(window_, ui_, prefix_.fs()) {
  auto db = std::make_unique<MemoryDatabase>("C:\\Velmor\\KVT\\Database\\");
  db_ = db.get();
  ctx_.packageDb = std::move(db);
  ctx_.ReleaseDir = kReleaseDir;
  prefix_.fs().forceDirectories(kReleaseDir);
}

void ReportSetup::CreateCompanyTable(const std::vector<std::string>& columns) {
  TableSchema schema;
  for (const std::string& column : columns) schema.fields.push_back({column, FieldType::Alpha, 80});
  db_->createTable("Company", schema);
}

void ReportSetup::AddCompany(const CompanyRow& row) {
  Table company(*db_, "Company");
  company.open();
  company.append();
  company.set("BusinessID", platform::utf8ToCp950(row.businessId));
  company.set("Name", platform::utf8ToCp950(row.name));
  company.set("Address", platform::utf8ToCp950(row.address));
  company.set("TelNo", platform::utf8ToCp950(row.telNo));
  company.post();
  company.close();
}

void ReportSetup::PutReleaseProgram(int year, int month, int day, int hour, int minute) {
  const std::string program = std::string(kReleaseDir) + "KVT.EXE";
  if (!prefix_.fs().writeFile(program, "MZ program")) throw std::runtime_error("cannot write");
  const auto when = platform::localDate(year, month, day) + std::chrono::hours(hour) +
                    std::chrono::minutes(minute);
  if (!prefix_.fs().setModificationTime(program, when)) throw std::runtime_error("cannot date");
}

}  // namespace kvt::report::testing
