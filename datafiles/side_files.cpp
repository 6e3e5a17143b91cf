#include "datafiles/side_files.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "config/environment.h"
#include "platform/env.h"
#include "util/real80.h"

namespace datafiles {

const char kTradeDebtorsName[] = "\xC5\xD9\xA1\xCB\xB9\xD5\xE9\xA1\xD2\xC3\xA4\xE9\xD2";
const char kOtherDebtorsName[] = "\xC5\xD9\xA1\xCB\xB9\xD5\xE9\xCD\xD7\xE8\xB9";
const char kMainWarehouseName[] = "\xA4\xC5\xD1\xA7\xCA\xD4\xB9\xA4\xE9\xD2\xCB\xC5\xD1\xA1";

// The tables are read and written as one run of bytes each.
static_assert(sizeof(SideFiles::ar_tbuf) == kArTBufLength * kArTBufEntries);
static_assert(sizeof(SideFiles::ar_types) == kArTypeLength * kArTypeEntries);
static_assert(sizeof(SideFiles::gl_book) == kGlBookLength * kGlBookEntries);
static_assert(sizeof(SideFiles::ic_subw) == kIcSubwLength * kIcSubwEntries);

namespace {

// Largest run of records kept beyond a table; a file beyond this is refused, not read.
constexpr uint64_t kMaxBeyondBytes = 64ull << 20;

void PutString(uint8_t* record, StringField f, std::string_view text) {
  const size_t len = std::min(text.size(), static_cast<size_t>(f.max_length));
  std::memset(record + f.offset, 0, static_cast<size_t>(f.max_length) + 1);
  record[f.offset] = static_cast<uint8_t>(len);
  if (len > 0) std::memcpy(record + f.offset + 1, text.data(), len);
}

bool IsEmptyString(const uint8_t* record, StringField f) { return record[f.offset] == 0; }

int16_t GetI16(const uint8_t* p) {
  return static_cast<int16_t>(static_cast<uint16_t>(p[0]) | static_cast<uint16_t>(p[1] << 8));
}

IoResult Fail(int error, const char* file) { return IoResult{error, file}; }

// Another program of the suite creating or writing back the same side file holds it
// exclusively for a moment (two programs starting on one company at once do this). Such an
// open is tried again for a while before it counts as a failure.
constexpr uint32_t kBusyRetryMs = 20;
constexpr int kBusyRetries = 250;  // about five seconds

bool FileBusy(int err) {
  return err == platform::kErrSharingViolation || err == platform::kErrLockViolation;
}

int OpenWhileBusy(platform::Env* env, const char* name, platform::OpenMode mode,
                  std::unique_ptr<platform::File>* file) {
  int err = env->OpenFile(name, mode, file);
  for (int attempt = 0; FileBusy(err) && attempt < kBusyRetries; ++attempt) {
    env->SleepMs(kBusyRetryMs);
    err = env->OpenFile(name, mode, file);
  }
  return err;
}

// Opens an existing file for reading and writing, repeating at once (boundedly) while the
// open fails with the open-retry code.
int OpenExisting(platform::Env* env, const char* name, std::unique_ptr<platform::File>* file) {
  int err = 0;
  for (int attempt = 0; attempt < kOpenRetryLimit; ++attempt) {
    err = OpenWhileBusy(env, name, platform::OpenMode::kShared, file);
    if (err != config::kOpenRetryCode) break;
  }
  return err;
}

// Creates (or empties) a file and writes `content`, then closes it.
int CreateWith(platform::Env* env, const char* name, const uint8_t* content, size_t len) {
  std::unique_ptr<platform::File> file;
  int err = OpenWhileBusy(env, name, platform::OpenMode::kCreate, &file);
  if (err != 0) return err;
  if (len > 0) {
    size_t put = 0;
    err = file->Write(0, content, len, &put);
    if (err == 0 && put != len) err = platform::kErrDiskFull;
  }
  const int close_err = env->CloseFile(std::move(file));
  return err != 0 ? err : close_err;
}

int CreateWith(platform::Env* env, const char* name, const std::string& content) {
  return CreateWith(env, name, reinterpret_cast<const uint8_t*>(content.data()), content.size());
}

// Reads up to len bytes at offset; *got is what the file held there.
int ReadAt(platform::File* file, uint64_t offset, uint8_t* buf, size_t len, size_t* got) {
  *got = 0;
  while (*got < len) {
    size_t n = 0;
    const int err = file->Read(offset + *got, buf + *got, len - *got, &n);
    if (err != 0) return err;
    if (n == 0) break;
    *got += n;
  }
  return 0;
}

// What opening a side file gave.
enum class Opened { kOpen, kCreatedEmpty, kFailed };

// Opens `name`; a missing file is created empty (and closed) instead. Any other failure is
// reported, so an existing file that could not be opened is never emptied.
Opened OpenOrCreateEmpty(platform::Env* env, const char* name,
                         std::unique_ptr<platform::File>* file, int* error) {
  *error = OpenExisting(env, name, file);
  if (*error == 0) return Opened::kOpen;
  if (*error != platform::kErrFileNotFound) return Opened::kFailed;
  *error = CreateWith(env, name, nullptr, 0);
  return *error == 0 ? Opened::kCreatedEmpty : Opened::kFailed;
}

// Reads the first record of an open file over `record` (as far as the file goes).
int ReadFirstRecord(platform::File* file, uint8_t* record, size_t len) {
  std::unique_ptr<uint8_t[]> buf(new uint8_t[len]);
  size_t got = 0;
  const int err = ReadAt(file, 0, buf.get(), len, &got);
  if (err != 0) return err;
  if (got > 0) std::memcpy(record, buf.get(), got);
  return 0;
}

// Reads records of `len` bytes into `entries` slots of `table`; a partial last record counts
// (zero-padded). Returns the number of records read in *count. When `beyond` is given the
// bytes after the table are kept there.
int ReadRecords(platform::File* file, uint8_t* table, size_t len, int entries, int* count,
                std::string* beyond) {
  *count = 0;
  const size_t capacity = len * static_cast<size_t>(entries);
  size_t got = 0;
  int err = ReadAt(file, 0, table, capacity, &got);
  if (err != 0) return err;
  *count = static_cast<int>((got + len - 1) / len);
  if (beyond == nullptr || got < capacity) return 0;
  uint64_t size = 0;
  err = file->Size(&size);
  if (err != 0) return err;
  if (size <= capacity) return 0;
  if (size - capacity > kMaxBeyondBytes) return platform::kErrNotEnoughMemory;
  beyond->resize(static_cast<size_t>(size - capacity));
  size_t tail = 0;
  err = ReadAt(file, capacity, reinterpret_cast<uint8_t*>(beyond->data()), beyond->size(), &tail);
  beyond->resize(tail);
  return err;
}

// Reads a whole table file; a missing file is created empty. The table stays zero beyond
// what the file held.
IoResult ReadTableFile(platform::Env* env, const char* name, uint8_t* table, size_t len,
                       int entries, int* count, std::string* beyond, bool* created) {
  std::unique_ptr<platform::File> file;
  int err = 0;
  *count = 0;
  if (beyond != nullptr) beyond->clear();
  const Opened opened = OpenOrCreateEmpty(env, name, &file, &err);
  if (created != nullptr) *created = opened == Opened::kCreatedEmpty;
  if (opened == Opened::kFailed) return Fail(err, name);
  if (opened == Opened::kCreatedEmpty) return IoResult{0, name};
  err = ReadRecords(file.get(), table, len, entries, count, beyond);
  const int close_err = env->CloseFile(std::move(file));
  if (err == 0) err = close_err;
  return IoResult{err, name};
}

// Reads a one-record information file over its defaults; a missing file is created empty.
IoResult ReadInfoFile(platform::Env* env, const char* name, uint8_t* record, size_t len,
                      bool* created) {
  std::unique_ptr<platform::File> file;
  int err = 0;
  const Opened opened = OpenOrCreateEmpty(env, name, &file, &err);
  *created = opened == Opened::kCreatedEmpty;
  if (opened == Opened::kFailed) return Fail(err, name);
  if (opened == Opened::kCreatedEmpty) return IoResult{0, name};
  err = ReadFirstRecord(file.get(), record, len);
  const int close_err = env->CloseFile(std::move(file));
  if (err == 0) err = close_err;
  return IoResult{err, name};
}

template <size_t N, size_t M>
std::string Flatten(const std::array<std::array<uint8_t, N>, M>& table, size_t records,
                    const std::string& beyond = std::string()) {
  std::string out;
  records = std::min(records, M);
  out.reserve(records * N + beyond.size());
  for (size_t i = 0; i < records; ++i) {
    out.append(reinterpret_cast<const char*>(table[i].data()), N);
  }
  out += beyond;
  return out;
}

void SetArInfoDefaults(SideRecord<kArInfoLength>& r) {
  r.fill(0);
  r[282] = 1;
  r[283] = 1;
  r[603] = 1;
  util::EncodeReal80(7.0, r.data() + kArInfoValue);
}

void SetGlInfoDefaults(SideRecord<kGlInfoLength>& r) {
  r.fill(0);
  r[293] = 0;
  r[294] = 1;
  r[295] = 3;
  r[296] = 1;
  r[2205] = 1;
  r[2209] = 1;
  r[2212] = 2;
  r[2214] = 0;
  r[2215] = 1;
}

void SetIcInfoDefaults(SideRecord<kIcInfoLength>& r) {
  r.fill(0);
  r[274] = 1;
  r[275] = 1;
  r[278] = 0;
  r[kIcInfoMigratedByte] = 2;
  r[288] = 1;
}

}  // namespace

IoResult ReadArInfo(platform::Env* env, SideFiles& side) {
  auto& r = side.ar_info;
  SetArInfoDefaults(r);
  bool created = false;
  IoResult res = ReadInfoFile(env, kArInfoFile, r.data(), r.size(), &created);
  if (!res.ok() || created) return res;
  bool migrated = false;
  const int16_t old_value = GetI16(r.data() + kArInfoOldWholeValue);
  if (util::DecodeReal80(r.data() + kArInfoValue) == 0.0 && old_value != 0) {
    util::EncodeReal80(static_cast<double>(old_value), r.data() + kArInfoValue);
    migrated = true;
  }
  if (r[kArInfoByte] == 0 && r[kArInfoOldByte] != 0) {
    r[kArInfoByte] = r[kArInfoOldByte];
    migrated = true;
  }
  if (migrated) return IoResult{CreateWith(env, kArInfoFile, r.data(), r.size()), kArInfoFile};
  return res;
}

IoResult WriteArInfo(platform::Env* env, const SideFiles& side) {
  int err = 0;
  for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
    if (attempt > 0) env->SleepMs(kWriteRetryPauseMs);
    err = CreateWith(env, kArInfoFile, side.ar_info.data(), side.ar_info.size());
    if (err == 0) break;
  }
  return IoResult{err, kArInfoFile};
}

IoResult ReadArTBuf(platform::Env* env, SideFiles& side) {
  for (auto& e : side.ar_tbuf) e.fill(0);
  return ReadTableFile(env, kArTBufFile, side.ar_tbuf[0].data(), kArTBufLength, kArTBufEntries,
                       &side.ar_tbuf_count, &side.ar_tbuf_beyond, nullptr);
}

IoResult WriteArTBuf(platform::Env* env, const SideFiles& side) {
  const std::string content = Flatten(
      side.ar_tbuf, static_cast<size_t>(std::max(side.ar_tbuf_count, 0)), side.ar_tbuf_beyond);
  return IoResult{CreateWith(env, kArTBufFile, content), kArTBufFile};
}

IoResult ReadArTypes(platform::Env* env, SideFiles& side) {
  for (auto& e : side.ar_types) e.fill(0);
  int count = 0;
  IoResult res = ReadTableFile(env, kArTypeFile, side.ar_types[0].data(), kArTypeLength,
                               kArTypeEntries, &count, &side.ar_types_beyond, nullptr);
  if (!res.ok()) return res;
  uint8_t* first = side.ar_types[0].data();
  uint8_t* second = side.ar_types[1].data();
  if (!IsEmptyString(first, kTypeName) || !IsEmptyString(first, kTypeCode) ||
      !IsEmptyString(second, kTypeName) || !IsEmptyString(second, kTypeCode)) {
    return res;
  }
  const uint8_t* info = side.ar_info.data();
  PutString(first, kTypeName, kTradeDebtorsName);
  PutString(first, kTypeCode, ReadStringField(info, kArInfoTypeCode1));
  PutString(second, kTypeName, kOtherDebtorsName);
  PutString(second, kTypeCode, ReadStringField(info, kArInfoTypeCode2));
  res = WriteArTypes(env, side);
  if (!res.ok()) return res;
  if (!IsEmptyString(info, kArInfoTypeCode2)) {
    PutString(side.ar_info.data(), kArInfoTypeCode2, "");
    return WriteArInfo(env, side);
  }
  return res;
}

IoResult WriteArTypes(platform::Env* env, const SideFiles& side) {
  const std::string content = Flatten(side.ar_types, kArTypeEntries, side.ar_types_beyond);
  return IoResult{CreateWith(env, kArTypeFile, content), kArTypeFile};
}

IoResult ReadGlInfo(platform::Env* env, SideFiles& side) {
  SetGlInfoDefaults(side.gl_info);
  bool created = false;
  return ReadInfoFile(env, kGlInfoFile, side.gl_info.data(), side.gl_info.size(), &created);
}

IoResult ReadIcInfo(platform::Env* env, SideFiles& side) {
  auto& r = side.ic_info;
  SetIcInfoDefaults(r);
  bool created = false;
  IoResult res = ReadInfoFile(env, kIcInfoFile, r.data(), r.size(), &created);
  if (!res.ok()) return res;
  if (r[kIcInfoMigratedByte] == 0) {
    r[kIcInfoMigratedByte] = 2;
    return IoResult{CreateWith(env, kIcInfoFile, r.data(), r.size()), kIcInfoFile};
  }
  return res;
}

IoResult ReadIcSubw(platform::Env* env, SideFiles& side) {
  for (auto& e : side.ic_subw) e.fill(0);
  PutString(side.ic_subw[0].data(), kWarehouseName, kMainWarehouseName);
  int count = 0;
  bool created = false;
  IoResult res = ReadTableFile(env, kIcSubwFile, side.ic_subw[0].data(), kIcSubwLength,
                               kIcSubwEntries, &count, nullptr, &created);
  if (!res.ok() || !created) return res;
  PutString(side.ic_subw[0].data(), kWarehouseName, kMainWarehouseName);
  return IoResult{CreateWith(env, kIcSubwFile, Flatten(side.ic_subw, kIcSubwEntries)), kIcSubwFile};
}

IoResult ReadGlBook(platform::Env* env, SideFiles& side) {
  for (auto& e : side.gl_book) e.fill(0);
  int count = 0;
  return ReadTableFile(env, kGlBookFile, side.gl_book[0].data(), kGlBookLength, kGlBookEntries,
                       &count, nullptr, nullptr);
}

IoResult WriteGlBook(platform::Env* env, const SideFiles& side) {
  std::unique_ptr<platform::File> file;
  if (OpenWhileBusy(env, kGlBookFile, platform::OpenMode::kCreate, &file) != 0) {
    return IoResult{0, kGlBookFile};
  }
  const std::string content = Flatten(side.gl_book, kGlBookEntries);
  size_t put = 0;
  int err = file->Write(0, content.data(), content.size(), &put);
  if (err == 0 && put != content.size()) err = platform::kErrDiskFull;
  const int close_err = env->CloseFile(std::move(file));
  return IoResult{err != 0 ? err : close_err, kGlBookFile};
}

void SetLastCloseDate(SideFiles& side, std::string_view text) {
  PutString(side.ar_info.data(), kArInfoLastCloseDate, text);
}

}  // namespace datafiles
