#include "tools/isamtool/commands.h"

#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "isam/isam.h"
#include "isam/verify.h"
#include "platform/cp874.h"
#include "platform/env.h"

namespace isamtool {
namespace {

constexpr int kToolPageBuffers = 8;
constexpr uint8_t kNetworkMode = 2;

bool IsThaiByte(unsigned char c) { return (c >= 0xA1 && c <= 0xDA) || (c >= 0xDF && c <= 0xFB); }

void PrintDefects(const isam::VerifyResult& r, std::ostream& out) {
  for (const std::string& d : r.defects) out << "defect: " << d << "\n";
}

nlohmann::json IndexJson(const isam::IndexFacts& ix) {
  nlohmann::json j = {
      {"number", ix.number},
      {"first_free", ix.first_free},
      {"free_count", ix.free_count},
      {"pages_used", ix.pages_used},
      {"page_size", ix.page_size},
      {"root", ix.root},
      {"duplicates", ix.duplicates},
      {"key_count", ix.key_count},
      {"items_per_page_stored", ix.items_per_page_raw},
      {"items_per_page", ix.items_per_page},
      {"key_length", ix.key_length},
      {"row_offset", ix.row_offset},
      {"header_ok", ix.header_ok},
  };
  if (ix.walked) {
    j["tree"] = {{"depth", ix.depth},
                 {"pages", ix.tree_pages},
                 {"free_pages", ix.free_pages},
                 {"keys", ix.keys_found}};
  }
  return j;
}

nlohmann::json InfoJson(const isam::VerifyResult& r) {
  const isam::SetFacts& f = r.facts;
  nlohmann::json j;
  j["readable"] = r.readable;
  if (!r.readable) j["error"] = r.error;
  j["data"] = {{"path", f.data_path},
               {"size", f.data_size},
               {"first_free", f.first_free},
               {"free_count", f.free_count},
               {"records_used", f.records_used},
               {"record_length", f.record_length},
               {"key_count", f.key_count},
               {"key_count_stored", f.key_count_raw},
               {"in_use", f.in_use},
               {"free_chain_length", f.free_found}};
  j["index"] = {{"path", f.index_path},
                {"present", f.index_present},
                {"size", f.index_size},
                {"row_size", f.row_size},
                {"row_count", f.row_count}};
  j["indexes"] = nlohmann::json::array();
  for (const auto& ix : f.indexes) j["indexes"].push_back(IndexJson(ix));
  j["coordination"] = {{"path", f.coord_path},
                       {"state", isam::CoordStateName(f.coord_state)},
                       {"size", f.coord_size},
                       {"slot_size", f.slot_size},
                       {"mailboxes", f.area_positions},
                       {"pending_mailboxes", f.pending_mailboxes},
                       {"journal_entries", f.journal_entries}};
  j["defects"] = r.defects;
  return j;
}

void InfoText(const isam::VerifyResult& r, std::ostream& out) {
  const isam::SetFacts& f = r.facts;
  out << "data file " << f.data_path << " (" << f.data_size << " bytes)\n";
  out << "  record length  " << f.record_length << "\n"
      << "  records used   " << f.records_used << "\n"
      << "  first free     " << f.first_free << "\n"
      << "  free records   " << f.free_count << " (chain holds " << f.free_found << ")\n"
      << "  indexes        " << f.key_count << "\n"
      << "  in use         " << static_cast<int>(f.in_use) << "\n";
  if (f.index_present) {
    out << "index file " << f.index_path << " (" << f.index_size << " bytes, row size "
        << f.row_size << ", " << f.row_count << " page rows)\n";
  }
  for (const auto& ix : f.indexes) {
    out << "index " << ix.number << ": ";
    if (ix.header_ok) {
      out << "key length " << ix.key_length << ", " << (ix.duplicates ? "duplicates" : "unique")
          << ", " << ix.items_per_page << " items per page, page size " << ix.page_size
          << ", row offset " << ix.row_offset << "\n";
    } else {
      out << "damaged header (page size " << ix.page_size << ", items per page "
          << ix.items_per_page_raw << ")\n";
    }
    out << "  keys " << ix.key_count << ", root " << ix.root << ", pages used " << ix.pages_used
        << ", first free " << ix.first_free << ", free pages " << ix.free_count << "\n";
    if (ix.walked) {
      out << "  tree: depth " << ix.depth << ", " << ix.tree_pages << " pages, " << ix.keys_found
          << " keys; free chain " << ix.free_pages << " pages\n";
    }
  }
  out << "coordination file " << f.coord_path << ": " << isam::CoordStateName(f.coord_state);
  switch (f.coord_state) {
    case isam::CoordState::kMissing:
      break;
    case isam::CoordState::kUserArea:
      out << ", " << f.area_positions << " mailboxes of " << f.slot_size << " byte(s), "
          << f.pending_mailboxes << " with pending changes";
      break;
    case isam::CoordState::kJournal:
      out << ", " << f.journal_entries << " complete entries";
      [[fallthrough]];
    default:
      out << " (" << f.coord_size << " bytes)";
  }
  out << "\n";
  if (!r.defects.empty()) out << r.defects.size() << " defect(s); run check for the list\n";
}

bool ParseIndexSpec(const std::string& def, uint8_t* length, uint8_t* dup) {
  size_t colon = def.find(':');
  if (colon == std::string::npos || colon == 0 || colon + 2 != def.size()) return false;
  const char d = def[colon + 1];
  if (d != '0' && d != '1') return false;
  int value = 0;
  for (size_t i = 0; i < colon; ++i) {
    if (def[i] < '0' || def[i] > '9') return false;
    value = value * 10 + (def[i] - '0');
    if (value > 255) return false;
  }
  *length = static_cast<uint8_t>(value);
  *dup = static_cast<uint8_t>(d - '0');
  return true;
}

void EngineError(const char* what, std::ostream& err) {
  const int32_t code = isam::StatusCode();
  err << "isamtool: " << what << " failed with engine status " << code << ": "
      << StatusSentence(code) << "\n";
}

}  // namespace

std::string EscapeKey(const std::string& key) {
  std::string out;
  size_t i = 0;
  while (i < key.size()) {
    const unsigned char c = static_cast<unsigned char>(key[i]);
    if (IsThaiByte(c)) {
      size_t end = i;
      while (end < key.size() && IsThaiByte(static_cast<unsigned char>(key[end]))) ++end;
      out += platform::Cp874ToUtf8(std::string_view(key).substr(i, end - i));
      i = end;
      continue;
    }
    if (c == '\\') {
      out += "\\\\";
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buf[5];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
    ++i;
  }
  return out;
}

std::string StatusSentence(int32_t code) {
  static const struct {
    int32_t code;
    const char* text;
  } kTexts[] = {
      {0, "no error"},
      {9900, "the path or the network path was not found"},
      {9901, "too many files are open"},
      {9903, "the file was not found"},
      {9904, "the file handle is invalid"},
      {9908, "the access mode is invalid"},
      {10000, "fewer than 8 page buffers could be allocated"},
      {10010, "the data file was left with incomplete changes, or the index file cannot be opened"},
      {10020, "the record length is below 21"},
      {10030, "there is no memory for the header states"},
      {10050, "more than 100 indexes were given"},
      {10055, "a key length is 0 or above 100"},
      {10060, "the data header claims more than 100 indexes"},
      {10070, "a read went past the end of a file"},
      {10075, "a write was incomplete (disk full)"},
      {10080, "the data file set to close is not open"},
      {10090, "there is no memory for a new data file set"},
      {10100, "there is no memory to open the data file set"},
      {10120, "an index header's page size does not match its items per page"},
      {10121, "an index header gives a key length outside 1..100"},
      {10122, "an index header holds more than 62 items per page"},
      {10125, "the key is longer than the index's key length"},
      {10135, "the record number is out of range"},
      {10140, "a file operation failed"},
      {10150, "flushing a network file failed: too many open files"},
      {10160, "the close did not complete cleanly"},
      {10164, "the key number is out of range"},
      {10170, "a free chain is damaged"},
      {10180, "a journal in the coordination file cannot be replayed"},
      {10200, "the key was not found"},
      {10220, "the key to remove was not found"},
      {10230, "the key is already present"},
      {10250, "there is no further key"},
      {10306, "no user slot is free"},
      {10310, "the engine mode is not supported"},
      {10322, "the close failed to release the write lock"},
      {10330, "another user holds the write lock"},
      {10340, "releasing a lock failed"},
      {10341, "releasing a read lock or the user slot failed"},
      {10342, "the open failed to release the open lock"},
      {10355, "another user holds the open lock, or a file error occurred during the open"},
      {10356, "there is no memory for the network state"},
      {10360, "the coordination file needs recovery while other users are active"},
      {10397, "a file operation on a network file failed"},
      {10398, "a change was attempted without the write lock"},
      {10399, "the read lock was not obtained"},
      {10445, "the data file set is not open"},
      {10450, "the engine is already started"},
      {10451, "fewer than 8 page buffers were requested"},
      {10455, "the engine is not started"},
  };
  for (const auto& t : kTexts) {
    if (t.code == code) return t.text;
  }
  return "unknown engine status";
}

int RunInfo(const std::string& base, bool json, std::ostream& out, std::ostream& err) {
  isam::VerifyResult r = isam::VerifyDataFileSet(platform::Env::Default(), base);
  if (json) {
    out << InfoJson(r).dump(2) << "\n";
  } else if (r.readable) {
    InfoText(r, out);
  }
  if (!r.readable) {
    err << "isamtool: " << r.error << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

int RunCheck(const std::string& base, bool ignore_in_use, std::ostream& out, std::ostream& err) {
  isam::VerifyOptions options;
  options.ignore_in_use = ignore_in_use;
  options.check_record_refs = true;
  isam::VerifyResult r = isam::VerifyDataFileSet(platform::Env::Default(), base, options);
  if (!r.readable) {
    err << "isamtool: " << r.error << "\n";
    return kExitFailure;
  }
  PrintDefects(r, out);
  if (!r.defects.empty()) {
    out << r.facts.data_path << ": " << r.defects.size() << " defect(s)\n";
    return kExitDefects;
  }
  out << r.facts.data_path << ": sound\n";
  return kExitOk;
}

int RunKeys(const std::string& base, int index, std::ostream& out, std::ostream& err) {
  isam::VerifyResult r = isam::ListIndexKeys(platform::Env::Default(), base, index,
                                             [&](const std::string& key, int32_t record) {
                                               out << EscapeKey(key) << "\t" << record << "\n";
                                             });
  if (!r.readable) {
    err << "isamtool: " << r.error << "\n";
    return kExitFailure;
  }
  if (!r.defects.empty()) {
    PrintDefects(r, err);
    return kExitDefects;
  }
  return kExitOk;
}

int RunCreate(const std::string& base, int32_t record_length,
              const std::vector<std::string>& indexes, std::ostream& out, std::ostream& err) {
  uint8_t descriptors[isam::kKeyDescriptorBytes] = {};
  if (indexes.size() > static_cast<size_t>(isam::kMaxIndexes)) {
    err << "isamtool: at most " << isam::kMaxIndexes << " indexes\n";
    return kExitFailure;
  }
  for (size_t i = 0; i < indexes.size(); ++i) {
    if (!ParseIndexSpec(indexes[i], &descriptors[2 * i], &descriptors[2 * i + 1])) {
      err << "isamtool: index " << i + 1 << " \"" << indexes[i]
          << "\" is not LEN:DUP (a key length and 0 for unique or 1 for duplicates)\n";
      return kExitFailure;
    }
  }
  if (isam::StartEngine(kNetworkMode, kToolPageBuffers) == 0) {
    EngineError("starting the engine", err);
    return kExitFailure;
  }
  isam::CreateDataFile(base, record_length, static_cast<int32_t>(indexes.size()), descriptors);
  const bool ok = isam::StatusOk();
  if (!ok) EngineError("creating the data file set", err);
  isam::StopEngine();
  if (!ok) return kExitFailure;
  out << "created " << isam::NamesOfSet(base).data << " with " << indexes.size() << " index(es)\n";
  return kExitOk;
}

}  // namespace isamtool
