#include "datafiles/side_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>

#include "platform/env.h"
#include "platform/fault_env.h"
#include "util/real80.h"

namespace datafiles {
namespace {

namespace fs = std::filesystem;

// A fresh company directory as the current directory for one test.
class SideFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_ = platform::Env::Default();
    ASSERT_EQ(env_->GetCurrentDirectory(&previous_), 0);
    std::random_device rd;
    dir_ = fs::temp_directory_path() / ("side_files_test_" + std::to_string(rd()));
    fs::create_directories(dir_);
    ASSERT_EQ(env_->SetCurrentDirectory(dir_.string()), 0);
  }
  void TearDown() override {
    env_->SetCurrentDirectory(previous_);
    fs::remove_all(dir_);
  }

  static void Put(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
  }
  static std::string Get(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static std::string Records(int count, int length, char first_fill) {
    std::string out;
    for (int i = 0; i < count; ++i) out += std::string(length, static_cast<char>(first_fill + i));
    return out;
  }

  platform::Env* env_ = nullptr;
  std::string previous_;
  fs::path dir_;
  SideFiles side_;
};

std::string Field(const std::string& record, StringField f) {
  return record.substr(f.offset + 1, static_cast<uint8_t>(record[f.offset]));
}

TEST_F(SideFilesTest, MissingFilesAreCreatedWithTheirDefaults) {
  Put(kArInfoFile, "");
  for (auto step :
       {ReadArInfo, ReadArTBuf, ReadArTypes, ReadGlInfo, ReadIcInfo, ReadIcSubw, ReadGlBook}) {
    ASSERT_TRUE(step(env_, side_).ok());
  }
  for (const char* name : {kArInfoFile, kArTBufFile, kGlInfoFile, kIcInfoFile, kGlBookFile}) {
    EXPECT_TRUE(fs::exists(name)) << name;
    EXPECT_EQ(fs::file_size(name), 0u) << name;
  }
  const std::string types = Get(kArTypeFile);
  ASSERT_EQ(types.size(), 3120u);
  EXPECT_EQ(Field(types.substr(0, 52), kTypeName), kTradeDebtorsName);
  EXPECT_EQ(Field(types.substr(52, 52), kTypeName), kOtherDebtorsName);
  EXPECT_EQ(types.substr(104), std::string(3120 - 104, '\0'));
  const std::string warehouses = Get(kIcSubwFile);
  ASSERT_EQ(warehouses.size(), 150u * 141u);
  EXPECT_EQ(Field(warehouses, kWarehouseName), kMainWarehouseName);
  EXPECT_EQ(warehouses.substr(141), std::string(149 * 141, '\0'));

  SetLastCloseDate(side_, "11/12/69");
  ASSERT_TRUE(WriteArInfo(env_, side_).ok());
  ASSERT_TRUE(WriteArTBuf(env_, side_).ok());
  ASSERT_TRUE(WriteGlBook(env_, side_).ok());
  const std::string info = Get(kArInfoFile);
  ASSERT_EQ(info.size(), 1107u);
  EXPECT_EQ(Field(info, kArInfoLastCloseDate), "11/12/69");
  EXPECT_EQ(info[282], 1);
  EXPECT_EQ(info[283], 1);
  EXPECT_EQ(info[603], 1);
  EXPECT_EQ(info.substr(606, 10), std::string("\0\0\0\0\0\0\0\xE0\x01\x40", 10));
  EXPECT_EQ(fs::file_size(kArTBufFile), 0u);
  EXPECT_EQ(Get(kGlBookFile), std::string(6900, '\0'));
}

TEST_F(SideFilesTest, DefaultTypesTakeTheInfoCodesAndEmptyTheSecond) {
  std::string info(1107, '\0');
  info.replace(307, 4, "\x03T01");
  info.replace(318, 4, "\x03T02");
  Put(kArInfoFile, info);
  ASSERT_TRUE(ReadArInfo(env_, side_).ok());
  ASSERT_TRUE(ReadArTypes(env_, side_).ok());
  const std::string types = Get(kArTypeFile);
  ASSERT_EQ(types.size(), 3120u);
  EXPECT_EQ(Field(types.substr(0, 52), kTypeCode), "T01");
  EXPECT_EQ(Field(types.substr(52, 52), kTypeCode), "T02");
  const std::string after = Get(kArInfoFile);
  ASSERT_EQ(after.size(), 1107u);
  EXPECT_EQ(after[318], 0);
  EXPECT_EQ(Field(after, kArInfoTypeCode1), "T01");
}

TEST_F(SideFilesTest, ExistingTypesAreLeftAlone) {
  std::string types = Records(3, 52, '\0');
  types[52] = 1;  // entry 2 has a one-letter name
  types[53] = 'X';
  Put(kArTypeFile, types);
  ASSERT_TRUE(ReadArTypes(env_, side_).ok());
  EXPECT_EQ(Get(kArTypeFile), types);
}

std::string Real80Bytes(double v) {
  uint8_t b[10];
  util::EncodeReal80(v, b);
  return std::string(reinterpret_cast<char*>(b), 10);
}

TEST_F(SideFilesTest, ArInfoOlderFormsAreBroughtUpToDate) {
  const struct {
    int16_t old_whole;
    double value;
    uint8_t old_byte;
    uint8_t new_byte;
    double value_after;
    uint8_t byte_after;
  } cases[] = {
      {7, 0.0, 0, 0, 7.0, 0}, {-3, 0.0, 0, 0, -3.0, 0}, {0, 0.0, 0, 0, 0.0, 0},
      {7, 2.5, 0, 0, 2.5, 0}, {0, 1.0, 4, 0, 1.0, 4},   {0, 1.0, 4, 9, 1.0, 9},
  };
  for (const auto& c : cases) {
    std::string info(1107, '\x55');
    info[601] = static_cast<char>(c.old_whole & 0xFF);
    info[602] = static_cast<char>((c.old_whole >> 8) & 0xFF);
    info.replace(606, 10, Real80Bytes(c.value));
    info[616] = static_cast<char>(c.old_byte);
    info[619] = static_cast<char>(c.new_byte);
    Put(kArInfoFile, info);
    ASSERT_TRUE(ReadArInfo(env_, side_).ok());
    std::string expected = info;
    expected.replace(606, 10, Real80Bytes(c.value_after));
    expected[619] = static_cast<char>(c.byte_after);
    EXPECT_EQ(Get(kArInfoFile), expected) << c.old_whole << " " << c.value;
    EXPECT_EQ(std::string(side_.ar_info.begin(), side_.ar_info.end()), expected);
  }
}

TEST_F(SideFilesTest, IcInfoZeroAt285BecomesTwoOnDisk) {
  std::string info(388, '\x07');
  info[285] = 0;
  Put(kIcInfoFile, info);
  ASSERT_TRUE(ReadIcInfo(env_, side_).ok());
  info[285] = 2;
  EXPECT_EQ(Get(kIcInfoFile), info);

  std::string kept(388, '\x07');  // 285 not zero: the file is not touched
  Put(kIcInfoFile, kept.substr(0, 280));
  ASSERT_TRUE(ReadIcInfo(env_, side_).ok());
  EXPECT_EQ(Get(kIcInfoFile), kept.substr(0, 280));
  EXPECT_EQ(side_.ic_info[288], 1);  // beyond the short file: the default
}

// Files that are short, long, or hold more records than their tables.
TEST_F(SideFilesTest, OddSizesNeverOverrunAndLoseNothingThatIsWrittenBack) {
  // ARTBUF: 12 whole records and a partial one; the table takes 10, the rest is kept.
  const std::string tbuf = Records(12, 301, 'a') + "partial";
  Put(kArTBufFile, tbuf);
  ASSERT_TRUE(ReadArTBuf(env_, side_).ok());
  EXPECT_EQ(side_.ar_tbuf_count, 10);
  ASSERT_TRUE(WriteArTBuf(env_, side_).ok());
  EXPECT_EQ(Get(kArTBufFile), tbuf);

  // ARTBUF with a partial last record: it counts, zero-padded.
  Put(kArTBufFile, Records(2, 301, 'a') + "xy");
  ASSERT_TRUE(ReadArTBuf(env_, side_).ok());
  EXPECT_EQ(side_.ar_tbuf_count, 3);
  ASSERT_TRUE(WriteArTBuf(env_, side_).ok());
  EXPECT_EQ(Get(kArTBufFile), Records(2, 301, 'a') + "xy" + std::string(299, '\0'));

  // ARTYPE: 61 records with the first two blank; the defaults go in, record 61 is kept.
  const std::string types = std::string(2 * 52, '\0') + Records(59, 52, 'A');
  Put(kArTypeFile, types);
  ASSERT_TRUE(ReadArTypes(env_, side_).ok());
  const std::string after = Get(kArTypeFile);
  ASSERT_EQ(after.size(), types.size());
  EXPECT_EQ(after.substr(104), types.substr(104));

  // ICSUBW: 200 records, 150 read, the file untouched.
  const std::string subw = Records(200, 141, '\x01');
  Put(kIcSubwFile, subw);
  ASSERT_TRUE(ReadIcSubw(env_, side_).ok());
  EXPECT_EQ(side_.ic_subw[149][0], 150);
  EXPECT_EQ(Get(kIcSubwFile), subw);

  // GLBOOK: 5 records become 30; 35 records are read as 30 and written as 30.
  Put(kGlBookFile, Records(5, 230, 'k'));
  ASSERT_TRUE(ReadGlBook(env_, side_).ok());
  ASSERT_TRUE(WriteGlBook(env_, side_).ok());
  EXPECT_EQ(Get(kGlBookFile), Records(5, 230, 'k') + std::string(25 * 230, '\0'));
  Put(kGlBookFile, Records(35, 230, 'A'));
  ASSERT_TRUE(ReadGlBook(env_, side_).ok());
  ASSERT_TRUE(WriteGlBook(env_, side_).ok());
  EXPECT_EQ(Get(kGlBookFile), Records(30, 230, 'A'));

  // ARINFO: a short file is read over the defaults, a long one by its first record.
  Put(kArInfoFile, std::string(500, '\x11'));
  ASSERT_TRUE(ReadArInfo(env_, side_).ok());
  EXPECT_EQ(side_.ar_info[499], 0x11);
  EXPECT_EQ(side_.ar_info[500], 0);
  EXPECT_EQ(side_.ar_info[603], 1);
  Put(kArInfoFile, std::string(1107, '\x22') + std::string(900, '\x33'));
  ASSERT_TRUE(ReadArInfo(env_, side_).ok());
  EXPECT_EQ(side_.ar_info[1106], 0x22);
  ASSERT_TRUE(WriteArInfo(env_, side_).ok());
  EXPECT_EQ(Get(kArInfoFile), std::string(1107, '\x22'));
}

TEST_F(SideFilesTest, FailuresAreReportedNotRetriedForeverAndNothingIsEmptied) {
  platform::FaultEnv fault(env_);
  fault.UseVirtualClock(true);

  fault.FailAll(platform::CallKind::kCreate, platform::kErrAccessDenied);
  IoResult res = WriteArInfo(&fault, side_);
  EXPECT_EQ(res.error, platform::kErrAccessDenied);
  EXPECT_STREQ(res.file, kArInfoFile);
  EXPECT_EQ(fault.Calls(platform::CallKind::kCreate), kWriteAttempts);
  // GLBOOK gives up silently when it cannot be created.
  EXPECT_TRUE(WriteGlBook(&fault, side_).ok());
  EXPECT_FALSE(WriteArTBuf(&fault, side_).ok());

  // An existing file that cannot be opened is reported, never emptied by a create.
  fault.Reset();
  Put(kArTBufFile, Records(1, 301, 'q'));
  fault.FailAll(platform::CallKind::kOpen, platform::kErrSharingViolation);
  res = ReadArTBuf(&fault, side_);
  EXPECT_EQ(res.error, platform::kErrSharingViolation);
  EXPECT_EQ(fault.Calls(platform::CallKind::kCreate), 0);
  EXPECT_EQ(Get(kArTBufFile), Records(1, 301, 'q'));

  // A file held busy by another program for longer than the wait is reported, not emptied.
  EXPECT_EQ(Get(kArTBufFile), Records(1, 301, 'q'));

  // A read error is reported.
  fault.Reset();
  fault.FailAll(platform::CallKind::kRead, platform::kErrGeneric);
  EXPECT_EQ(ReadArTBuf(&fault, side_).error, platform::kErrGeneric);
}

// Two programs starting on one company at once: one creates or writes back a side file
// while the other opens it. The second waits for the first instead of failing.
TEST_F(SideFilesTest, AFileHeldBrieflyByAnotherProgramIsWaitedFor) {
  Put(kArTBufFile, Records(2, 301, 'a'));
  for (const bool write : {false, true}) {
    std::unique_ptr<platform::File> held;
    ASSERT_EQ(env_->OpenFile(kArTBufFile, platform::OpenMode::kExclusive, &held), 0);
    std::thread other([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      env_->CloseFile(std::move(held));
    });
    const IoResult res = write ? WriteArTBuf(env_, side_) : ReadArTBuf(env_, side_);
    other.join();
    EXPECT_TRUE(res.ok()) << (write ? "write" : "read") << " error " << res.error;
  }
  EXPECT_EQ(side_.ar_tbuf_count, 2);
  EXPECT_EQ(Get(kArTBufFile), Records(2, 301, 'a'));
}

}  // namespace
}  // namespace datafiles
