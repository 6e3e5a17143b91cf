#include "fileaccess/company_files.h"

#include <gtest/gtest.h>

#include <string>

#include "datafiles/file_sets.h"
#include "datafiles/side_files.h"
#include "fileaccess/test_fixture.h"
#include "isam/verify.h"
#include "platform/fault_env.h"
#include "util/clock.h"

namespace fileaccess {
namespace {

using namespace datafiles;

class CompanyFilesTest : public AccessFixture {
 protected:
  void SetUp() override {
    AccessFixture::SetUp();
    util::SetTodayForTest(2026, 12, 11);
    Put(kArInfoFile, "");
  }
  void TearDown() override {
    util::ClearTodayForTest();
    AccessFixture::TearDown();
  }
};

TEST_F(CompanyFilesTest, OnlyAnEmptyArInfoGivesTheWholeCompanySet) {
  ASSERT_TRUE(OpenCompanyFiles());
  EXPECT_TRUE(ends_.empty());
  EXPECT_NE(CustomerFile(), nullptr);
  EXPECT_EQ(isam::KeyCount(CompanyFiles().ar_file02), 6);
  CloseCompanyFiles();
  EXPECT_TRUE(Errors().empty());

  for (const DataFileSetDef* def : kCompanySets) {
    const std::string name(def->name);
    const isam::VerifyResult v = isam::VerifyDataFileSet(nullptr, name);
    EXPECT_TRUE(v.Sound()) << name << (v.defects.empty() ? v.error : v.defects[0]);
    ASSERT_EQ(v.facts.indexes.size(), static_cast<size_t>(def->key_count)) << name;
    for (int k = 0; k < def->key_count; ++k) {
      EXPECT_EQ(v.facts.indexes[k].key_length, def->keys[k].length) << name << k;
      EXPECT_EQ(v.facts.indexes[k].duplicates, def->keys[k].duplicates) << name << k;
    }
  }
  const std::string info = Get(kArInfoFile);
  ASSERT_EQ(info.size(), 1107u);
  EXPECT_EQ(info.substr(246, 9), std::string("\x08"
                                             "11/12/69"));
  EXPECT_EQ(Get(kArTypeFile).size(), 3120u);
  EXPECT_EQ(Get(kArTypeFile).substr(1, 13), kTradeDebtorsName);
  EXPECT_EQ(Get(kIcSubwFile).size(), 150u * 141u);
  EXPECT_EQ(Get(kGlBookFile), std::string(30 * 230, '\0'));
  EXPECT_EQ(Get(kArTBufFile), "");
  EXPECT_EQ(Get(kGlInfoFile), "");
  EXPECT_EQ(Get(kIcInfoFile), "");
}

TEST_F(CompanyFilesTest, ASetThatCannotBeOpenedEndsTheStartAndNothingIsWrittenBack) {
  Put("ARFILE03.DAT", "damaged");
  EXPECT_FALSE(OpenCompanyFiles());
  ASSERT_EQ(ends_.size(), 1u);
  EXPECT_EQ(ends_[0].reason, EndReason::kFatalFileError);
  EXPECT_NE(CompanyFiles().ar_file02, nullptr);
  EXPECT_FALSE(Exists("ARFILE04.DAT"));
  CloseCompanyFiles();
  EXPECT_EQ(Get(kArInfoFile), "");  // no write-back after a failed start
  EXPECT_EQ(CompanyFiles().ar_file01, nullptr);
}

TEST_F(CompanyFilesTest, UnreadableSideFileAtOpenIsReportedAndEndsTheStart) {
  std::filesystem::create_directory(kArTypeFile);  // cannot be opened as a file
  EXPECT_FALSE(OpenCompanyFiles());
  ASSERT_EQ(ends_.size(), 1u);
  EXPECT_EQ(ends_[0].reason, EndReason::kSideFileError);
  const auto errors = Errors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind("ARTYPE.DAT: I/O error ", 0), 0u) << errors[0];
  EXPECT_EQ(CustomerFile(), nullptr);
  EXPECT_FALSE(Exists("ARFILE01.DAT"));
  CloseCompanyFiles();
  EXPECT_EQ(Get(kArInfoFile), "");
}

TEST_F(CompanyFilesTest, UnwritableSideFileAtCloseIsReportedAndTheCloseGoesOn) {
  ASSERT_TRUE(OpenCompanyFiles());
  // Make ARINFO.DAT impossible to create anew: a directory in its place.
  std::filesystem::remove(kArInfoFile);
  std::filesystem::create_directory(kArInfoFile);
  CloseCompanyFiles();
  const auto errors = Errors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind("ARINFO.DAT: I/O error ", 0), 0u) << errors[0];
  EXPECT_EQ(CompanyFiles().bi_file01, nullptr);
  EXPECT_EQ(Get(kGlBookFile).size(), 30u * 230u);
}

}  // namespace
}  // namespace fileaccess
