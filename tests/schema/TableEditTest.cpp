// Changing rows through table handles: the record buffer, posts that fail and are mended,
// read-only and exclusive handles, and values converted on the way in.
#include <gtest/gtest.h>

#include "TestTables.h"

namespace kvt::testing {
namespace {

using Keys = std::vector<std::string>;

ErrorKind errorOf(auto&& f) {
  try {
    f();
  } catch (const EngineError& e) {
    return e.kind();
  }
  ADD_FAILURE() << "no error raised";
  return ErrorKind::State;
}

class TableEdit : public ::testing::Test {
 protected:
  void SetUp() override {
    db_.createTable("XMLApp", xmlAppSchema());
    t_.open();
    addApp(t_, "X102", 1, "a");
    addApp(t_, "X102", 2, "b");
    addApp(t_, "X602", 1, "c");
  }
  MemoryDatabase db_;
  Table t_{db_, "XMLApp"};
};

TEST_F(TableEdit, ADuplicateKeyKeepsTheInsertUntilTheKeyIsMended) {
  t_.append();
  t_.set("Mode", Value("X102"));
  t_.set("SEQ", Value(1));
  t_.set("Name", Value("again"));
  EXPECT_EQ(errorOf([&] { t_.post(); }), ErrorKind::DuplicateKey);
  EXPECT_EQ(t_.state(), Table::State::Insert);
  EXPECT_EQ(t_.getString("Name"), "again");  // the buffer is kept
  t_.set("SEQ", Value(3));
  t_.post();
  EXPECT_EQ(t_.state(), Table::State::Browse);
  // The cursor stands on the posted row.
  EXPECT_EQ(t_.getString("Name"), "again");
  t_.next();
  EXPECT_EQ(t_.getString("Mode"), "X602");
  EXPECT_EQ(walkKeys(t_), (Keys{"X102/1", "X102/2", "X102/3", "X602/1"}));
}

TEST_F(TableEdit, AFailedPostCanBeCancelled) {
  ASSERT_TRUE(t_.locate("Mode;SEQ", {Value("X602"), Value(1)}));
  t_.edit();
  t_.set("Mode", Value("X102"));
  EXPECT_EQ(errorOf([&] { t_.post(); }), ErrorKind::DuplicateKey);
  EXPECT_EQ(t_.state(), Table::State::Edit);
  t_.cancel();
  EXPECT_EQ(t_.state(), Table::State::Browse);
  EXPECT_EQ(t_.getString("Mode"), "X602");
  EXPECT_EQ(walkKeys(t_), (Keys{"X102/1", "X102/2", "X602/1"}));

  // A new row cancelled leaves the cursor where it was and nothing stored.
  ASSERT_TRUE(t_.locate("Mode;SEQ", {Value("X102"), Value(2)}));
  t_.append();
  t_.set("Mode", Value("X999"));
  t_.cancel();
  EXPECT_EQ(t_.getString("Name"), "b");
  EXPECT_EQ(t_.recordCount(), 3);
}

TEST_F(TableEdit, AnEditedKeyMovesTheRowAndTheCursorWithIt) {
  t_.first();
  t_.edit();
  t_.set("Mode", Value("X700"));
  t_.post();
  EXPECT_EQ(t_.getString("Name"), "a");
  t_.next();
  EXPECT_TRUE(t_.eof());
  EXPECT_EQ(walkKeys(t_), (Keys{"X102/2", "X602/1", "X700/1"}));
}

TEST_F(TableEdit, MovingOnPostsAPendingChange) {
  t_.first();
  t_.edit();
  t_.set("Name", Value("A!"));
  t_.next();  // posts first, as a data-aware table does
  EXPECT_EQ(t_.state(), Table::State::Browse);
  EXPECT_EQ(t_.getString("Name"), "b");
  // An insert without assignments is dropped, not stored blank.
  t_.append();
  t_.first();
  EXPECT_EQ(t_.recordCount(), 3);
  EXPECT_EQ(t_.getString("Name"), "A!");
  // A pending change that cannot be posted stops the move.
  t_.append();
  t_.set("Mode", Value("X102"));
  t_.set("SEQ", Value(2));
  EXPECT_EQ(errorOf([&] { t_.next(); }), ErrorKind::DuplicateKey);
  EXPECT_EQ(t_.state(), Table::State::Insert);
  t_.cancel();
}

TEST_F(TableEdit, AnEditWithoutAssignmentsChangesNothing) {
  // The store's change count tells whether a table has anything to write back.
  const auto store = db_.openTable("XMLApp", OpenMode::ReadOnly);
  const uint64_t before = store->changeCount();
  t_.first();
  t_.edit();
  t_.post();
  t_.edit();
  t_.next();
  EXPECT_EQ(store->changeCount(), before);
  EXPECT_EQ(t_.getString("Name"), "b");
  db_.closeTable(store, OpenMode::ReadOnly);
}

TEST_F(TableEdit, ClosingDropsAPendingChange) {
  t_.first();
  t_.edit();
  t_.set("Name", Value("lost"));
  t_.close();
  t_.open();
  EXPECT_EQ(t_.getString("Name"), "a");
}

TEST_F(TableEdit, WritingNeedsAnEditState) {
  t_.first();
  EXPECT_EQ(errorOf([&] { t_.set("Name", Value("x")); }), ErrorKind::State);
  EXPECT_EQ(errorOf([&] { t_.post(); }), ErrorKind::State);
  EXPECT_EQ(errorOf([&] { t_.setTableName("Other"); }), ErrorKind::State);
  t_.close();
  EXPECT_EQ(errorOf([&] { t_.append(); }), ErrorKind::State);
}

TEST_F(TableEdit, EditingAnEmptyTableStartsANewRow) {
  db_.createTable("Log", logSchema());
  Table log(db_, "Log");
  log.open();
  EXPECT_TRUE(log.eof());
  log.edit();
  EXPECT_EQ(log.state(), Table::State::Insert);
  log.set("Line", Value(1));
  log.post();
  EXPECT_EQ(log.recordCount(), 1);
}

TEST_F(TableEdit, ReadOnlyHandlesRefuseEveryChange) {
  Table r(db_, "XMLApp");
  r.open(OpenMode::ReadOnly);
  EXPECT_EQ(errorOf([&] { r.append(); }), ErrorKind::Locked);
  EXPECT_EQ(errorOf([&] { r.insert(); }), ErrorKind::Locked);
  EXPECT_EQ(errorOf([&] { r.edit(); }), ErrorKind::Locked);
  EXPECT_EQ(errorOf([&] { r.deleteRow(); }), ErrorKind::Locked);
  EXPECT_EQ(r.state(), Table::State::Browse);
  EXPECT_EQ(r.recordCount(), 3);
  EXPECT_EQ(r.getString("Name"), "a");
}

TEST_F(TableEdit, AnExclusiveHandleHasTheTableToItself) {
  Table x(db_, "XMLApp");
  // t_ is open, so the table cannot be had exclusively.
  EXPECT_EQ(errorOf([&] { x.open(OpenMode::Exclusive); }), ErrorKind::Locked);
  EXPECT_FALSE(x.isOpen());
  t_.close();
  x.open(OpenMode::Exclusive);
  Table other(db_, "xmlapp.DB");
  EXPECT_EQ(errorOf([&] { other.open(OpenMode::ReadOnly); }), ErrorKind::Locked);
  x.close();
  other.open(OpenMode::ReadOnly);
  EXPECT_EQ(other.recordCount(), 3);
}

TEST_F(TableEdit, ValuesAreConvertedToTheFieldsTypes) {
  t_.append();
  t_.set("Mode", Value(15100));   // an integer into text
  t_.set("SEQ", Value(" 7 "));    // text into an integer
  t_.set("Name", Value(""));      // empty text is blank
  t_.set("Flag", Value("True"));  // a Boolean word
  EXPECT_EQ(errorOf([&] { t_.set("SEQ", Value("seven")); }), ErrorKind::Conversion);
  EXPECT_EQ(t_.getInt("SEQ"), 7);  // a refused value leaves the field as it was
  t_.post();
  EXPECT_EQ(t_.get("Mode"), Value("15100"));
  EXPECT_EQ(t_.get("SEQ"), Value(7));
  EXPECT_TRUE(t_.isNull("Name"));
  EXPECT_TRUE(t_.getBool("Flag"));
  EXPECT_EQ(t_.getString("Flag"), "T");

  // Text wider than the field is cut to its width in bytes, never inside a character.
  t_.edit();
  const std::string big5 = "\xA5\x5C\xA4\xA4";  // two characters, the first ends in '\'
  t_.set("Mode", Value("ABCDEFGHI" + big5));    // 9 + 4 bytes into 10
  t_.set("Name", Value(std::string(17, 'x') + big5));
  t_.post();
  EXPECT_EQ(t_.getString("Mode"), "ABCDEFGHI");
  EXPECT_EQ(t_.getString("Name"), std::string(17, 'x'));
  t_.edit();
  t_.set("Flag", Value(false));
  t_.setNull("Mode");
  EXPECT_TRUE(t_.isNull("Mode"));
  t_.cancel();
}

TEST_F(TableEdit, DestroyingAnOpenHandleReleasesTheTable) {
  {
    Table inner(db_, "XMLApp");
    inner.open();
    inner.edit();
    inner.set("Name", Value("never posted"));
    EXPECT_EQ(db_.openHandles("XMLApp"), 2);
  }
  EXPECT_EQ(db_.openHandles("XMLApp"), 1);
  t_.first();
  EXPECT_EQ(t_.getString("Name"), "a");
}

}  // namespace
}  // namespace kvt::testing
