// Writes the seed corpora of the engine's fuzz targets: sets of a few sizes written by the
// engine (with and without deleted records, so that free chains occur), and for the journal
// target the coordination file of a set after a write in save mode, when there is one, and the
// clean and user-area forms. Usage: engine_seeds CORPUS_DIR (fuzz/make_corpus.py runs it).
#include <cstdio>
#include <string>

#include "fuzz/engine_sets.h"
#include "fuzz/mem_env.h"
#include "isam/isam.h"

namespace {

bool WriteFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  const std::string mark = "\n--8<--\n";
  fuzz::MemEnv env;
  const struct {
    const char* name;
    int records, deleted;
    uint8_t flags;
  } sets[] = {{"empty", 0, 0, 0x00},
              {"small", 5, 1, 0x2e},
              {"pages", 120, 10, 0x4a},
              {"freed", 30, 30, 0x06},
              {"no_dia", 12, 2, 0x01}};
  int written = 0;
  for (const auto& s : sets) {
    env.Reset();
    isam::ResetEngine(&env);
    isam::StartEngine(2, 8);
    const fuzz::SetBytes set = fuzz::WriteSet(&env, s.records, s.deleted);
    isam::StopEngine();
    if (set.dat.empty()) {
      std::fprintf(stderr, "engine_seeds: the engine could not write set %s\n", s.name);
      return 1;
    }
    const std::string seed = std::string(1, static_cast<char>(s.flags)) + set.dat + mark + set.ix +
                             mark + set.dia + mark + fuzz::SetKey1(2);
    written += WriteFile(dir + "/engine_set_fuzz/" + s.name, seed);
    written += WriteFile(dir + "/journal_fuzz/" + std::string(s.name) + "_dia", set.dia);
  }
  // Journals: one page entry and one header entry in the documented shapes, over the set.
  std::string journal(1, '\0');
  auto put16 = [&](uint16_t v) {
    journal.push_back(char(v & 0xFF)), journal.push_back(char(v >> 8));
  };
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) journal.push_back(char((v >> (8 * i)) & 0xFF));
  };
  put16(1000);  // a header entry of 36 bytes
  for (int i = 0; i < 34; ++i) journal.push_back('\0');
  put16(1);  // a page entry of index 1 with one item
  put32(1);
  put32(1);
  put32(1);
  journal.append(8 + 9, 'A');
  written += WriteFile(dir + "/journal_fuzz/header_and_page", journal);
  std::string area(1, '\0');
  area.push_back(char(2000 & 0xFF));
  area.push_back(char(2000 >> 8));
  written += WriteFile(dir + "/journal_fuzz/user_area", area + std::string(64, '\0'));
  std::printf("engine_seeds: %d seeds\n", written);
  return 0;
}
