#include "engine/paradox/FamilyTies.h"

namespace kvt::paradox {
namespace {

// A value of the kind the desktop engine leaves there (the samples' .DB files of keyed
// tables hold addresses such as this one).
constexpr uint32_t kKeyWorkspace = 0x6BE040CC;
constexpr uint32_t kNewTableOpenOrder = 3;

uint32_t sortOrderOffset(const FileHeader& data) {
  return data.sortOrder == 0 ? 0 : data.sortOrder + 2;
}

}  // namespace

uint32_t indexCounterFor(const FileHeader& data) {
  return (data.changeCount1 + sortOrderOffset(data)) & 0xFF;
}

void countWrite(FileHeader& data) {
  data.changeCount1 = (data.changeCount1 + 1) & 0xFF;
}

void tieSecondaryData(FileHeader& x, const FileHeader& db, uint32_t primaryCounter) {
  x.changeCount2 = db.changeCount2;
  x.primaryCounter = primaryCounter & 0xFF;
}

void fillNewTable(FileHeader& db, uint32_t now) {
  // Any byte but 0; the first write makes the counter one more, as in a table the desktop
  // engine has just made.
  db.changeCount2 = 1 + now % 254;
  db.changeCount1 = db.changeCount2;
  db.structureStamp = now;
  db.openOrder = kNewTableOpenOrder;
  db.keyWorkspace = db.keyFieldCount > 0 ? kKeyWorkspace : 0;
}

uint32_t newPrimaryIndexOpenOrder(const FileHeader& db) {
  return db.openOrder + 1;
}

}  // namespace kvt::paradox
