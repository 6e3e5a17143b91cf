// Fuzz target: QXACC.CFG and QXACC.INI (the two parts of the input). The configuration is
// loaded and saved; loading and saving the saved file again (with the same QXACC.INI) must
// come to rest, and every line of the original file that this program does not own
// must survive the save.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/configuration.h"
#include "config/lines.h"
#include "fuzz/fuzz_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::MemEnv* env = fuzz::FreshConfigEnv();
  const auto parts = fuzz::SplitParts(data, size, 2);
  env->Put(config::kConfigFileName, parts[0]);
  env->Put(config::kIniFileName, parts[1]);

  config::LoadConfiguration();
  fuzz::Check(config::SaveConfiguration() == 0, "save failed in memory");
  fuzz::Check(config::SaveCompanySettings() == 0, "company settings save failed in memory");
  std::string saved;
  fuzz::Check(env->Get(config::kConfigFileName, &saved), "QXACC.CFG vanished");

  // Lines that carry no '=' belong to no key: a save keeps every one of them.
  const config::LineTable before = config::SplitLines(parts[0]);
  const config::LineTable after = config::SplitLines(saved);
  size_t at = 0;
  for (const std::string& line : before) {
    if (line.empty() || line.find('=') != std::string::npos) continue;
    while (at < after.size() && after[at] != line) ++at;
    fuzz::Check(at < after.size(), "a foreign line was lost or moved by the save");
    ++at;
  }

  // A fresh start over the saved file may settle a value once (a colour scheme whose pictures
  // are missing falls back and its colours are computed on the next start); after that, load
  // and save must leave the file as it is.
  std::string again = saved;
  std::string settled;
  for (int round = 0; round < 2; ++round) {
    settled = again;
    config::ResetSettings();
    config::LoadConfiguration();
    fuzz::Check(config::SaveConfiguration() == 0, "a later save failed in memory");
    fuzz::Check(config::SaveCompanySettings() == 0, "a later company settings save failed");
    env->Get(config::kConfigFileName, &again);
  }
  fuzz::Check(again == settled, "load and save of a saved file keep changing it");
  return 0;
}
