#include "company/company_list.h"

#include <gtest/gtest.h>

#include "config/settings.h"
#include "config/test_env.h"

namespace company {
namespace {

using config::LineTable;

class CompanyListTest : public config::testing::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    // A decided look and feel, so that loading the configuration writes nothing.
    Write("QXACC.CFG", "LOOKANDFEEL=0\r\n");
  }
  CompanyGrid FullGrid() {
    CompanyGrid g;
    for (int k = 1; k <= kSlotCount; ++k) g.Slot(k) = {"N" + std::to_string(k), "D", ""};
    return g;
  }
  CompanyGrid grid_;
};

TEST(CompanyLine, SplitsAtTheFirstSemicolonAndBar) {
  const struct {
    const char* line;
    bool ok;
    CompanyEntry entry;
  } cases[] = {
      {"A;B;C", true, {"A", "B;C", ""}},
      {"A;B|C|D", true, {"A", "B", "C|D"}},
      {";C:\\ACC\\DATAFILE", true, {"", "C:\\ACC\\DATAFILE", ""}},
      {"Demo;C:\\ACC\\DATADEMO|C:\\ACC\\RPT", true, {"Demo", "C:\\ACC\\DATADEMO", "C:\\ACC\\RPT"}},
      {" a ; b ", true, {" a ", " b ", ""}},
      {"Demo;", true, {"Demo", "", ""}},
      {"no separator", false, {}},
      {"", false, {}},
  };
  for (const auto& c : cases) {
    CompanyEntry e;
    EXPECT_EQ(ParseCompanyLine(c.line, &e), c.ok) << c.line;
    EXPECT_EQ(e, c.entry) << c.line;
    if (c.ok) {
      EXPECT_EQ(FormatCompanyLine(e), c.line);
    }
  }
  EXPECT_EQ(FormatCompanyLine({"", "", "C:\\RPT"}), "");  // an empty slot drops its template
}

TEST_F(CompanyListTest, MissingListIsCreatedWithTheDefaultEntry) {
  ASSERT_TRUE(EnsureCompanyList(&grid_));
  EXPECT_TRUE(grid_.just_created);
  EXPECT_EQ(Read("USERDRV.INI"), ";" + config::StartupDirectory() + "\\DATAFILE\r\n");
  LoadAndStoreToGrid(&grid_);
  EXPECT_EQ(grid_.Slot(1), (CompanyEntry{"", config::StartupDirectory() + "\\DATAFILE", ""}));
  EXPECT_EQ(grid_.count_set_up_entries, 1);
  EXPECT_EQ(grid_.remembered_slot, 0);
}

TEST_F(CompanyListTest, OldListIsConvertedOnceSkippingEmptyLines) {
  Write("USERDRV.DEF", "C:\\A\r\n\r\nC:\\B\r\n");
  ASSERT_TRUE(EnsureCompanyList(&grid_));
  EXPECT_FALSE(grid_.just_created);
  EXPECT_EQ(Lines("USERDRV.INI"), (LineTable{";C:\\A", ";C:\\B"}));
  Write("USERDRV.DEF", "C:\\C\r\n");
  ASSERT_TRUE(EnsureCompanyList(&grid_));
  EXPECT_EQ(Lines("USERDRV.INI"), (LineTable{";C:\\A", ";C:\\B"}));
}

TEST_F(CompanyListTest, SlotsArePositionsAndSavesWriteNinetyLines) {
  std::string content = "A;DA\r\n\r\nC;DC|T\r\n";
  for (int k = 4; k <= 95; ++k) content += "L" + std::to_string(k) + ";D\r\n";
  Write("USERDRV.INI", content);
  grid_.Slot(2) = {"stale", "X", ""};
  LoadAndStoreToGrid(&grid_);
  EXPECT_EQ(grid_.Slot(1), (CompanyEntry{"A", "DA", ""}));
  EXPECT_TRUE(grid_.Slot(2).IsEmpty());
  EXPECT_EQ(grid_.Slot(3), (CompanyEntry{"C", "DC", "T"}));
  EXPECT_EQ(grid_.Slot(90).name, "L90");
  EXPECT_EQ(grid_.count_set_up_entries, 89);
  ASSERT_EQ(SaveCompanyList(grid_), platform::kErrNone);
  const LineTable lines = Lines("USERDRV.INI");
  ASSERT_EQ(lines.size(), 90u);
  EXPECT_EQ(lines[0], "A;DA");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "C;DC|T");
  EXPECT_EQ(lines[89], "L90;D");

  Write("USERDRV.INI", "A;DA\r\n");
  LoadAndStoreToGrid(&grid_);
  ASSERT_EQ(SaveCompanyList(grid_), platform::kErrNone);
  std::string expected = "A;DA\r\n";
  for (int i = 0; i < 89; ++i) expected += "\r\n";
  EXPECT_EQ(Read("USERDRV.INI"), expected);
}

TEST_F(CompanyListTest, LastMatchingRememberedSlotWinsAndIsScrolledToTheTop) {
  Write("QXACC.CFG",
        "LOOKANDFEEL=0\r\nOPENCOMPANY_COMPANY=demo\r\nOPENCOMPANY_DIR=c:\\acc\\x\r\n"
        "OPENCOMPANY_SELECT=1\r\n");
  std::string content;
  for (int k = 1; k <= 90; ++k) {
    content += (k == 2 || k == 60) ? "Demo;C:\\ACC\\X\r\n" : "Other;C:\\ACC\\Y\r\n";
  }
  Write("USERDRV.INI", content);
  LoadAndStoreToGrid(&grid_);
  EXPECT_EQ(grid_.remembered_slot, 60);
  EXPECT_EQ(grid_.current_row, 60);
  EXPECT_EQ(grid_.top_row, 60);
  EXPECT_TRUE(grid_.auto_select_checked);

  config::Settings().open_company_select = false;
  Write("QXACC.CFG", "LOOKANDFEEL=0\r\nOPENCOMPANY_SELECT=0\r\n");
  LoadAndStoreToGrid(&grid_);
  EXPECT_FALSE(grid_.auto_select_checked);
}

TEST_F(CompanyListTest, EditsAtTheEndsOfTheTable) {
  CompanyGrid g = FullGrid();
  g.current_row = 1;
  DeleteSlot(&g);
  EXPECT_EQ(g.Slot(1).name, "N2");
  EXPECT_EQ(g.Slot(89).name, "N90");
  EXPECT_TRUE(g.Slot(90).IsEmpty());
  EXPECT_TRUE(g.list_modified);

  g = FullGrid();
  g.current_row = 1;
  g.remembered_slot = 5;
  InsertSlot(&g);
  EXPECT_TRUE(g.Slot(1).IsEmpty());
  EXPECT_EQ(g.Slot(2).name, "N1");
  EXPECT_EQ(g.Slot(90).name, "N89");
  EXPECT_EQ(g.remembered_slot, 5);

  g = FullGrid();
  const CompanyGrid before = g;
  g.current_row = 90;
  MoveSlotDown(&g);
  g.current_row = 1;
  MoveSlotUp(&g);
  EXPECT_EQ(g.slots, before.slots);
  EXPECT_TRUE(g.list_modified);
  EXPECT_EQ(g.current_row, 1);

  g.current_row = 3;
  g.remembered_slot = 3;
  MoveSlotUp(&g);
  EXPECT_EQ(g.Slot(2).name, "N3");
  EXPECT_EQ(g.current_row, 2);
  EXPECT_EQ(g.remembered_slot, 2);
  MoveSlotDown(&g);
  MoveSlotDown(&g);
  EXPECT_EQ(g.Slot(4).name, "N3");
  EXPECT_EQ(g.remembered_slot, 4);
  g.remembered_slot = 5;
  MoveSlotDown(&g);  // the remembered slot 5 moves up to 4
  EXPECT_EQ(g.remembered_slot, 4);
  EXPECT_EQ(g.current_row, 5);
}

TEST(IsNoCompanyOrDemoOnly, CountsSetUpEntries) {
  const struct {
    std::vector<std::string> dirs;
    bool out;
  } cases[] = {
      {{}, true},
      {{"C:\\ACC\\DATADEMO"}, true},
      {{"C:\\ACC\\datademo"}, false},
      {{"C:\\ACC\\DATA"}, false},
      {{"C:\\ACC\\DATADEMO", "C:\\B"}, false},
  };
  for (const auto& c : cases) {
    CompanyGrid g;
    g.Slot(1).name = "named but not set up";
    for (size_t i = 0; i < c.dirs.size(); ++i) g.Slot(static_cast<int>(i) + 3).data_dir = c.dirs[i];
    EXPECT_EQ(IsNoCompanyOrDemoOnly(g), c.out) << c.dirs.size();
  }
}

}  // namespace
}  // namespace company
