// The plain side files of a company directory: ARINFO.DAT, ARTBUF.DAT, ARTYPE.DAT,
// GLINFO.DAT, GLBOOK.DAT, ICINFO.DAT and ICSUBW.DAT. Each is a headerless sequence of
// fixed-length records. OpenCompanyFiles reads them into the tables of one SideFiles value
// (creating missing files, filling defaults, bringing two older layouts up to date) and
// CloseCompanyFiles writes ARINFO.DAT, ARTBUF.DAT and GLBOOK.DAT back. The bytes this system
// does not understand are kept exactly as read.
//
// Contract that is easy to get wrong:
//  * Every name is relative to the current directory (the company's data directory); every
//    file goes through the given Env. Nothing here shows anything: each step returns an
//    IoResult naming the file and the OS error, and the caller reports it.
//  * Files are untrusted. A file shorter than one record, or ending in a partial record, is
//    read as far as it goes over the zeroed defaults (the partial record counts as a record).
//    A file with more records than its table fills the table and no more: ARTBUF.DAT and
//    ARTYPE.DAT keep the records beyond their table verbatim and write them back after it, so
//    nothing is lost; ICSUBW.DAT and GLBOOK.DAT read at most 150 and 30 records.
//  * A write that keeps failing is retried a bounded number of times, then reported; nothing
//    here loops forever.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "datafiles/customer_record.h"

namespace platform {
class Env;
}

namespace datafiles {

inline constexpr char kArInfoFile[] = "ARINFO.DAT";
inline constexpr char kArTBufFile[] = "ARTBUF.DAT";
inline constexpr char kArTypeFile[] = "ARTYPE.DAT";
inline constexpr char kGlInfoFile[] = "GLINFO.DAT";
inline constexpr char kGlBookFile[] = "GLBOOK.DAT";
inline constexpr char kIcInfoFile[] = "ICINFO.DAT";
inline constexpr char kIcSubwFile[] = "ICSUBW.DAT";

inline constexpr int kArInfoLength = 1107;
inline constexpr int kArTBufLength = 301;
inline constexpr int kArTBufEntries = 10;
inline constexpr int kArTypeLength = 52;
inline constexpr int kArTypeEntries = 60;
inline constexpr int kGlInfoLength = 2406;
inline constexpr int kGlBookLength = 230;
inline constexpr int kGlBookEntries = 30;
inline constexpr int kIcInfoLength = 388;
inline constexpr int kIcSubwLength = 141;
inline constexpr int kIcSubwEntries = 150;

// ARINFO.DAT fields.
inline constexpr StringField kArInfoLastCloseDate{246, 8};
inline constexpr StringField kArInfoTypeCode1{307, 10};
inline constexpr StringField kArInfoTypeCode2{318, 10};
inline constexpr int kArInfoOldWholeValue = 601;  // int16, older form of the real80 at 606
inline constexpr int kArInfoValue = 606;          // real80, default 7.0
inline constexpr int kArInfoOldByte = 616;        // older form of the byte at 619
inline constexpr int kArInfoByte = 619;

// ARTYPE.DAT entry fields.
inline constexpr StringField kTypeName{0, 30};
inline constexpr StringField kTypeCode{31, 10};

// ICINFO.DAT: the byte brought up to date at open.
inline constexpr int kIcInfoMigratedByte = 285;

// ICSUBW.DAT entry: the warehouse name leads the entry.
inline constexpr StringField kWarehouseName{0, 140};

// Default texts (code page 874).
extern const char kTradeDebtorsName[];   // entry 1 of ARTYPE.DAT
extern const char kOtherDebtorsName[];   // entry 2 of ARTYPE.DAT
extern const char kMainWarehouseName[];  // entry 1 of ICSUBW.DAT

template <int Length>
using SideRecord = std::array<uint8_t, Length>;

// Every in-memory record and table, from OpenCompanyFiles to CloseCompanyFiles.
struct SideFiles {
  SideRecord<kArInfoLength> ar_info{};
  std::array<SideRecord<kArTBufLength>, kArTBufEntries> ar_tbuf{};
  int ar_tbuf_count = 0;
  std::string ar_tbuf_beyond;  // bytes after the table's last record, kept verbatim
  std::array<SideRecord<kArTypeLength>, kArTypeEntries> ar_types{};
  std::string ar_types_beyond;
  SideRecord<kGlInfoLength> gl_info{};
  std::array<SideRecord<kGlBookLength>, kGlBookEntries> gl_book{};
  SideRecord<kIcInfoLength> ic_info{};
  std::array<SideRecord<kIcSubwLength>, kIcSubwEntries> ic_subw{};

  // Back to all zero (the release of the tables at close).
  void Clear() { *this = SideFiles(); }
};

// Outcome of one step: the OS error (0: none) and the file it concerns.
struct IoResult {
  int error = 0;
  const char* file = "";
  bool ok() const { return error == 0; }
};

// How often a create-anew is tried before a write step gives up and reports.
inline constexpr int kWriteAttempts = 20;
inline constexpr uint32_t kWriteRetryPauseMs = 50;
// How often an open that fails with the open-retry code is repeated at once.
inline constexpr int kOpenRetryLimit = 1000;

// Read steps (in the order OpenCompanyFiles calls them).
IoResult ReadArInfo(platform::Env* env, SideFiles& side);
IoResult ReadArTBuf(platform::Env* env, SideFiles& side);
IoResult ReadArTypes(platform::Env* env, SideFiles& side);  // may write ARTYPE and ARINFO
IoResult ReadGlInfo(platform::Env* env, SideFiles& side);
IoResult ReadIcInfo(platform::Env* env, SideFiles& side);
IoResult ReadIcSubw(platform::Env* env, SideFiles& side);
IoResult ReadGlBook(platform::Env* env, SideFiles& side);

// Write steps.
IoResult WriteArInfo(platform::Env* env, const SideFiles& side);
IoResult WriteArTBuf(platform::Env* env, const SideFiles& side);
IoResult WriteArTypes(platform::Env* env, const SideFiles& side);
// Gives up silently (ok result) when GLBOOK.DAT cannot be created.
IoResult WriteGlBook(platform::Env* env, const SideFiles& side);

// LastCloseDate := text (dd/mm/yy, Buddhist era), cut to 8 bytes.
void SetLastCloseDate(SideFiles& side, std::string_view text);

}  // namespace datafiles
