// Replaying a journal that an interrupted program left in the coordination file: header
// images with and without a slot taken, page images restoring exactly their packed bytes, the
// ends of a journal (end of file, a user area, an entry cut off), codes that fail the replay
// and keep the journal for a later open, and a replay found by a refresh of an open set.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "isam/file_block.h"
#include "isam/isam.h"
#include "isam/test_set_fixture.h"
#include "platform/fault_env.h"

namespace isam {
namespace {

using namespace fixture;

constexpr int32_t kRecLen = 32;
constexpr int kKeyLen = 10;
constexpr size_t kRow = PageSize(kKeyLen);  // one index: the row is its page slot
constexpr char kMarker = '\xEE';
constexpr size_t kUserAreaSize = 3 + 1001;  // one-byte mailboxes

std::string HeaderEntry(uint16_t k, const std::string& image28, int32_t marker) {
  EXPECT_EQ(image28.size(), 28u);
  return LE16(1000) + LE16(k) + image28 + LE32(marker);
}

// The 21-byte data header and 7 bytes that carry no meaning.
std::string DataImage(int32_t first_free, int32_t free_count, int32_t used) {
  return LE32(first_free) + LE32(free_count) + LE32(used) + LE32(kRecLen) + LE32(1) +
         std::string(1, '\0') + std::string(7, '\x5A');
}

std::string IndexImage(int32_t first_free, int32_t free_count, int32_t used) {
  IxHeader h;
  h.first_free = first_free;
  h.free_count = free_count;
  h.pages_used = used;
  h.page_size = PageSize(kKeyLen);
  std::string b = EncodeHeader(h);
  b[21] = '\x77';  // reserved: must come back as 0
  return b;
}

// Items of key length 10 in the packed form.
std::string Items(int n, int first) {
  Page p;
  for (int i = 0; i < n; ++i)
    p.items.push_back(Item{"KEY" + std::to_string(first + i), first + i, 0});
  return EncodePage(p, kKeyLen).substr(6);
}

std::string PageEntry(uint16_t n, uint16_t k, int32_t page, int32_t leftmost, int first = 1) {
  return LE16(n) + LE16(k) + "\xCD\xAB" + Items(n, first) + LE32(page) + LE32(leftmost);
}

class JournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetEngine();
    ASSERT_EQ(StartEngine(2, 16), 16);
    set_.Create(kRecLen, {{kKeyLen, 0}});
    // Eight records of 0xAB, then two pages whose slots hold the marker.
    FileBlock* fb = set_.Open();
    ASSERT_NE(fb, nullptr);
    LockDataFile(fb);
    const std::string rec(kRecLen, '\xAB');
    for (int i = 0; i < 8; ++i) {
      int32_t n = 0;
      AddRecord(fb, n, rec.data());
      ASSERT_TRUE(StatusOk());
    }
    UnlockDataFile(fb);
    CloseDataFile(fb);
    std::string ix = Slurp(set_.ix());
    Patch(ix, 8, LE32(2));  // pages used
    ix += std::string(2 * kRow, kMarker);
    Spill(set_.ix(), ix);
  }
  void TearDown() override {
    StopEngine();
    ResetEngine();
  }

  // The coordination file after a successful replay and open: a fresh user area.
  void ExpectFreshUserArea(const FileBlock* fb) {
    const std::string dia = Slurp(set_.dia());
    ASSERT_EQ(dia.size(), kUserAreaSize);
    EXPECT_EQ(dia[0], '\0');
    EXPECT_EQ(U16(dia, 1), 2000);
    const int own = fb->net->own_slot;
    for (int s = 0; s <= 1000; ++s) {
      ASSERT_EQ(static_cast<uint8_t>(dia[3 + static_cast<size_t>(s)]),
                s == 0 || s == own ? 0x00 : 0xFF)
          << "mailbox " << s;
    }
  }

  ScratchSet set_{"journal"};
};

TEST_F(JournalTest, EntriesAreReplayedAndTheJournalMakesWayForAUserArea) {
  const std::string image_a = DataImage(-1, 0, 5);
  const std::string page_2 = PageEntry(2, 1, 1, 7);
  ASSERT_EQ(page_2.size(), 52u);
  const std::string full_page = PageEntry(62, 1, 2, 3);
  ASSERT_GT(full_page.size() + 1, kUserAreaSize);  // the journal is longer than a user area
  const struct {
    const char* what;
    std::string journal;
    std::string dat_header;  // the 21 bytes expected at the start of the data file ("" = kept)
    std::string page1;       // expected first bytes of page 1's slot ("" = marker throughout)
    std::string page2;       // the same for page 2
    int32_t slot3_link;      // expected first 4 bytes of record slot 3 (0xABABABAB = kept)
  } cases[] = {
      {"data header, no slot taken", HeaderEntry(0, image_a, -2), image_a.substr(0, 21), "", "",
       static_cast<int32_t>(0xABABABAB)},
      {"data header, a slot taken: the marker goes back into the slot",
       HeaderEntry(0, DataImage(3, 2, 8), 6), DataImage(3, 2, 8).substr(0, 21), "", "", 6},
      {"index header, a slot taken: the page slot gets the link",
       HeaderEntry(1, IndexImage(2, 1, 2), -1), "", "", LE32(-1), static_cast<int32_t>(0xABABABAB)},
      {"a 52-byte page entry restores 44 bytes, then the next entry is read",
       page_2 + HeaderEntry(0, image_a, -2), image_a.substr(0, 21), LE16(2) + LE32(7) + Items(2, 1),
       "", static_cast<int32_t>(0xABABABAB)},
      {"a full page entry, longer than a user area", full_page, "", "",
       LE16(62) + LE32(3) + Items(62, 1), static_cast<int32_t>(0xABABABAB)},
      {"the value 2000 ends the journal", HeaderEntry(0, image_a, -2) + LE16(2000) + LE16(0),
       image_a.substr(0, 21), "", "", static_cast<int32_t>(0xABABABAB)},
      {"cut inside a header entry", HeaderEntry(0, image_a, -2) + LE16(1000) + LE16(0) + "abc",
       image_a.substr(0, 21), "", "", static_cast<int32_t>(0xABABABAB)},
      {"cut inside a page entry", HeaderEntry(0, image_a, -2) + page_2.substr(0, 30),
       image_a.substr(0, 21), "", "", static_cast<int32_t>(0xABABABAB)},
      {"cut inside a code", HeaderEntry(0, image_a, -2) + "\x01", image_a.substr(0, 21), "", "",
       static_cast<int32_t>(0xABABABAB)},
  };
  const std::string dat0 = Slurp(set_.dat());
  const std::string ix0 = Slurp(set_.ix());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Spill(set_.dat(), dat0);
    Spill(set_.ix(), ix0);
    Spill(set_.dia(), std::string(1, '\x42') + c.journal);
    FileBlock* fb = set_.Open();
    ASSERT_NE(fb, nullptr);
    ExpectFreshUserArea(fb);
    CloseDataFile(fb);

    const std::string dat = Slurp(set_.dat());
    ASSERT_EQ(dat.size(), dat0.size());
    const std::string want_header = c.dat_header.empty() ? dat0.substr(0, 21) : c.dat_header;
    EXPECT_EQ(dat.substr(0, 21), want_header);
    EXPECT_EQ(dat.substr(21, kRecLen - 21), dat0.substr(21, kRecLen - 21));
    EXPECT_EQ(I32(dat, 3 * kRecLen), c.slot3_link);
    EXPECT_EQ(dat.substr(3 * kRecLen + 4), dat0.substr(3 * kRecLen + 4));

    const std::string ix = Slurp(set_.ix());
    ASSERT_EQ(ix.size(), ix0.size());
    if (c.journal.substr(0, 4) == LE16(1000) + LE16(1)) {
      std::string header = IndexImage(2, 1, 2);
      header[21] = '\0';
      EXPECT_EQ(ix.substr(0, 28), header);
    } else {
      EXPECT_EQ(ix.substr(0, 28), ix0.substr(0, 28));
    }
    for (const auto& [n, want] : {std::pair{1, c.page1}, std::pair{2, c.page2}}) {
      const std::string slot = ix.substr(static_cast<size_t>(n) * kRow, kRow);
      EXPECT_EQ(slot.substr(0, want.size()), want) << "page " << n;
      EXPECT_EQ(slot.substr(want.size()), std::string(kRow - want.size(), kMarker))
          << "page " << n << " beyond the restored bytes";
    }
  }
}

TEST_F(JournalTest, UnknownCodeFailsAndTheJournalStaysForTheNextOpen) {
  const std::string applied = HeaderEntry(0, DataImage(-1, 0, 5), -2);
  const std::string after = HeaderEntry(0, DataImage(-1, 0, 6), -2);
  for (uint16_t code : {0, 63, 999, 1001, 1999, 2001, 3000, 0xFFFF}) {
    SCOPED_TRACE(code);
    const std::string dia = std::string(1, '\0') + applied + LE16(code) + after;
    Spill(set_.dia(), dia);
    FileBlock* fb = nullptr;
    OpenDataFile(fb, set_.base(), false);
    EXPECT_EQ(StatusCode(), 10180);
    EXPECT_EQ(StatusClass(), 4);
    EXPECT_EQ(fb, nullptr);
    EXPECT_EQ(Slurp(set_.dia()), dia);
    // Entries before the bad one were applied in order; none after it.
    EXPECT_EQ(I32(Slurp(set_.dat()), 8), 5);
  }
  // Once the entry is mended, the next open replays the whole journal.
  Spill(set_.dia(), std::string(1, '\0') + applied + after);
  FileBlock* fb = set_.Open();
  ASSERT_NE(fb, nullptr);
  EXPECT_EQ(RecordsUsed(fb), 6);
  ExpectFreshUserArea(fb);
  CloseDataFile(fb);
}

TEST_F(JournalTest, AFailedReadWriteOrCutDuringTheReplayFailsAndKeepsTheJournal) {
  using platform::CallKind;
  platform::FaultEnv fault(platform::Env::Default());
  StopEngine();
  ResetEngine(&fault);
  ASSERT_EQ(StartEngine(2, 16), 16);
  const std::string dia = std::string(1, '\0') + HeaderEntry(0, DataImage(-1, 0, 5), -2);
  const struct {
    const char* what;
    std::function<void()> plan;
    uint16_t call;
  } cases[] = {
      // The open reads the data header, the index header and the mark before the journal.
      {"reading the first code", [&] { fault.FailNth(CallKind::kRead, 4, 5); }, 0x3F00},
      {"writing the placeholder", [&] { fault.FailNth(CallKind::kWrite, 1, 112); }, 0x4000},
      {"writing the restored header", [&] { fault.FailNth(CallKind::kWrite, 2, 112); }, 0x4000},
      {"cutting the journal", [&] { fault.FailAll(CallKind::kTruncate, 5); }, 0x4000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Spill(set_.dia(), dia);
    fault.Reset();
    c.plan();
    FileBlock* fb = nullptr;
    OpenDataFile(fb, set_.base(), false);
    EXPECT_EQ(StatusCode(), 10180);
    EXPECT_EQ(FailedCallCode(), c.call);
    EXPECT_EQ(fb, nullptr);
    EXPECT_EQ(Slurp(set_.dia()), dia);
    fault.Reset();
    fb = set_.Open();
    ASSERT_NE(fb, nullptr);
    EXPECT_EQ(RecordsUsed(fb), 5);
    CloseDataFile(fb);
    // Back to eight records.
    Spill(set_.dat(), Slurp(set_.dat()).replace(8, 4, LE32(8)));
  }
  StopEngine();
  ResetEngine();
  ASSERT_EQ(StartEngine(2, 16), 16);
}

TEST_F(JournalTest, ARefreshOfAnOpenSetReplaysAJournalFoundInPlaceOfTheUserArea) {
  const struct {
    const char* what;
    bool write_lock;
  } cases[] = {{"a lookup", false}, {"taking the write lock", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FileBlock* fb = set_.Open();
    ASSERT_NE(fb, nullptr);
    EXPECT_EQ(RecordsUsed(fb), 8);
    RewriteShared(set_.dia(), std::string(1, '\0') + HeaderEntry(0, DataImage(4, 1, 5), -2));
    int32_t n = 0;
    if (c.write_lock) {
      LockDataFile(fb);
      EXPECT_TRUE(StatusOk()) << StatusCode();
    } else {
      LookupKey(fb, 1, n, "ABSENT");
      EXPECT_EQ(StatusCode(), 10200);
    }
    // The replayed header is the set's header now, in the file and in memory.
    EXPECT_EQ(RecordsUsed(fb), 5);
    EXPECT_EQ(Slurp(set_.dat()).substr(0, 21), DataImage(4, 1, 5).substr(0, 21));
    ExpectFreshUserArea(fb);
    UnlockDataFile(fb);
    CloseDataFile(fb);
    EXPECT_TRUE(StatusOk()) << StatusCode();
    // Back to the eight records for the next case.
    Spill(set_.dia(), std::string(1, '\0') + HeaderEntry(0, DataImage(-1, 0, 8), -2));
  }
}

}  // namespace
}  // namespace isam
