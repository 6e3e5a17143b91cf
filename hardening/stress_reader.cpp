// stress_reader: a process that watches a company's customer set through the engine's
// read-only operations while imports write into it, and checks every customer it meets.
//
//   stress_reader lookup|watch COMPANY_DIR CODES_FILE STOP_FILE OUT_FILE
//
// CODES_FILE holds one code a line. The reader waits for ARFILE01 to appear, opens it shared,
// and runs until STOP_FILE exists:
//   lookup  looks random codes up under key 1 (and, one time in four, a code it has found
//           before, which must still be there). Every customer found must be the one its code
//           stands for (hardening/stress_support.h) and must be found under key 2 as well: a
//           key 1 without its record or its key 2 is a half-published change.
//   watch   looks the codes up in file order, moving on when one is found; the codes are the
//           rows of one import, which adds them in that order, so the count reached is a
//           number of rows known to be published (a lookup sees a key only after the writer's
//           unlock). Every customer found is checked as above.
// OUT_FILE receives one line "lookups L found F conflicts C reached R faults X". Faults are
// also printed on stderr. Exit 0 without faults, 1 with faults, 2 on bad usage or when the set
// could not be opened.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "datafiles/customer_record.h"
#include "hardening/stress_support.h"
#include "isam/isam.h"
#include "platform/env.h"

namespace {

constexpr char kSet[] = "ARFILE01";
constexpr int32_t kNotFound = 10200;
constexpr int kMaxFaultsShown = 20;

struct Figures {
  long lookups = 0, found = 0, conflicts = 0, reached = 0, faults = 0;
};

class Reader {
 public:
  Reader(platform::Env* env, std::string stop) : env_(env), stop_(std::move(stop)) {}

  bool Stopped() { return env_->FileExists(stop_); }

  // Opens the set once it exists; false when the stop file came first or the open fails for
  // a reason other than another process's lock.
  bool Open() {
    while (!Stopped()) {
      if (!env_->FileExists(std::string(kSet) + ".DAT")) {
        env_->SleepMs(5);
        continue;
      }
      isam::OpenDataFile(fb_, kSet, false);
      if (isam::StatusOk()) return true;
      if (isam::StatusClass() != 2) {
        std::fprintf(stderr, "stress_reader: open failed with %d\n", isam::StatusCode());
        return false;
      }
      ++figures_.conflicts;
    }
    return false;
  }

  void Close() {
    if (fb_ != nullptr) isam::CloseDataFile(fb_);
  }

  // Looks `code` up; true when found (and then checked). A lookup that collides with a
  // writer is counted and reported as not found.
  bool Look(const std::string& code) {
    ++figures_.lookups;
    int32_t n = 0;
    isam::LookupKey(fb_, 1, n, code);
    if (!isam::StatusOk()) {
      if (isam::StatusClass() == 2) {
        ++figures_.conflicts;
      } else if (isam::StatusCode() != kNotFound) {
        Fault("lookup of " + code + " failed with " + std::to_string(isam::StatusCode()));
      }
      return false;
    }
    ++figures_.found;
    datafiles::CustomerRecord record;
    isam::ReadRecord(fb_, n, record.data());
    if (!isam::StatusOk()) {
      // A collision here leaves the record unread, not wrong; anything else is a fault.
      if (isam::StatusClass() == 2) {
        ++figures_.conflicts;
      } else {
        Fault("record " + std::to_string(n) + " of " + code +
              " unreadable: " + std::to_string(isam::StatusCode()));
      }
      return true;
    }
    const std::string mismatch = hardening::RecordMismatch(record.data(), code);
    if (!mismatch.empty()) Fault("record " + std::to_string(n) + ": " + mismatch);
    int32_t by_name = 0;
    isam::LookupKey(fb_, 2, by_name, hardening::NameKeyOf(code));
    if (isam::StatusOk()) {
      if (by_name != n) {
        Fault(code + ": key 2 names record " + std::to_string(by_name) + ", key 1 record " +
              std::to_string(n));
      }
    } else if (isam::StatusClass() == 2) {
      ++figures_.conflicts;
    } else {
      Fault(code + " (record " + std::to_string(n) + ") has no key 2: status " +
            std::to_string(isam::StatusCode()));
    }
    return true;
  }

  void Fault(const std::string& what) {
    if (++figures_.faults <= kMaxFaultsShown)
      std::fprintf(stderr, "stress_reader: %s\n", what.c_str());
  }

  Figures& figures() { return figures_; }

 private:
  platform::Env* env_;
  std::string stop_;
  isam::FileBlock* fb_ = nullptr;
  Figures figures_;
};

void RunLookups(Reader& reader, const std::vector<std::string>& codes) {
  std::mt19937 rng(std::random_device{}());
  std::uniform_int_distribution<size_t> pick(0, codes.size() - 1);
  std::vector<size_t> seen;
  std::unordered_set<size_t> seen_set;
  for (long i = 0;; ++i) {
    if (i % 16 == 0 && reader.Stopped()) return;
    const bool again = !seen.empty() && rng() % 4 == 0;
    const size_t at = again ? seen[rng() % seen.size()] : pick(rng);
    const long conflicts = reader.figures().conflicts, faults = reader.figures().faults;
    const bool found = reader.Look(codes[at]);
    if (found && seen_set.insert(at).second) seen.push_back(at);
    if (!found && again && reader.figures().conflicts == conflicts &&
        reader.figures().faults == faults) {
      reader.Fault(codes[at] + " was found before and is gone");
    }
  }
}

void RunWatch(Reader& reader, const std::vector<std::string>& codes, platform::Env* env) {
  size_t next = 0;
  while (next < codes.size() && !reader.Stopped()) {
    if (reader.Look(codes[next])) {
      ++next;
    } else {
      env->SleepMs(1);
    }
  }
  reader.figures().reached = static_cast<long>(next);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6 || (std::strcmp(argv[1], "lookup") != 0 && std::strcmp(argv[1], "watch") != 0)) {
    std::fprintf(stderr, "usage: %s lookup|watch COMPANY_DIR CODES_FILE STOP_FILE OUT_FILE\n",
                 argv[0]);
    return 2;
  }
  const bool watch = std::strcmp(argv[1], "watch") == 0;
  std::vector<std::string> codes;
  {
    std::ifstream in(argv[3], std::ios::binary);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty()) codes.push_back(line);
    }
  }
  if (codes.empty()) {
    std::fprintf(stderr, "stress_reader: no codes in %s\n", argv[3]);
    return 2;
  }
  platform::Env* env = platform::Env::Default();
  if (env->SetCurrentDirectory(argv[2]) != 0) {
    std::fprintf(stderr, "stress_reader: cannot enter %s\n", argv[2]);
    return 2;
  }
  isam::ResetEngine(env);
  isam::StartEngine(2, 64);
  Reader reader(env, argv[4]);
  const bool opened = reader.Open();
  if (opened) {
    if (watch) {
      RunWatch(reader, codes, env);
    } else {
      RunLookups(reader, codes);
    }
    reader.Close();
  }
  isam::StopEngine();
  const Figures& f = reader.figures();
  if (FILE* out = std::fopen(argv[5], "wb")) {
    std::fprintf(out, "lookups %ld found %ld conflicts %ld reached %ld faults %ld\n", f.lookups,
                 f.found, f.conflicts, f.reached, f.faults);
    std::fclose(out);
  }
  if (!opened) return reader.Stopped() ? 0 : 2;
  return f.faults == 0 ? 0 : 1;
}
