// The customer's company as the package records it: the first row of the table Company.
#pragma once

#include <string>

#include "schema/Database.h"

namespace kvt::report {

// UTF-8 texts (the table stores code page 950); empty when the table has no row.
struct CompanyRecord {
  std::string businessId;
  std::string name;
  std::string address;
  std::string telNo;
};

// Reads BusinessID, Name, Address and TelNo of the first row of Company. Throws the engine's
// error when the table or one of the columns is missing.
CompanyRecord ReadCompanyRecord(Database& db);

}  // namespace kvt::report
