#include "report/CompanyRecord.h"

#include "platform/Cp950.h"
#include "schema/Table.h"

namespace kvt::report {

CompanyRecord ReadCompanyRecord(Database& db) {
  Table company(db, "Company");
  company.open(OpenMode::ReadOnly);
  // The columns are looked up before the first row is, so a missing column is an error even
  // when the table is empty.
  const int businessId = company.fieldIndex("BusinessID");
  const int name = company.fieldIndex("Name");
  const int address = company.fieldIndex("Address");
  const int telNo = company.fieldIndex("TelNo");
  company.first();
  // Without a row every value reads as null, that is as an empty text.
  auto text = [&](int field) { return platform::cp950ToUtf8(company.get(field).asString()); };
  CompanyRecord record{text(businessId), text(name), text(address), text(telNo)};
  company.close();
  return record;
}

}  // namespace kvt::report
