#include "isam/engine.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "platform/env.h"

namespace isam {
namespace {

std::unique_ptr<Engine>& Holder() {
  static std::unique_ptr<Engine> engine;
  return engine;
}

void DiscardOpenBlocks(Engine& e) {
  for (FileBlock* fb : e.open) delete fb;
  e.open.clear();
}

// When the program ends with the engine still started on the default platform, the open
// sets are closed (and their write-locked changes published) as StopEngine would.
void CloseAtExit() {
  std::unique_ptr<Engine>& h = Holder();
  if (h && h->started && h->env == platform::Env::Default()) StopEngine();
}

}  // namespace

Engine& Eng() {
  std::unique_ptr<Engine>& h = Holder();
  if (!h) {
    h = std::make_unique<Engine>();
    h->env = platform::Env::Default();
    static bool registered = false;
    if (!registered) {
      registered = true;
      std::atexit(CloseAtExit);
    }
  }
  return *h;
}

bool IsOpenBlock(const FileBlock* fb) {
  if (fb == nullptr) return false;
  const std::vector<FileBlock*>& open = Eng().open;
  return std::find(open.begin(), open.end(), fb) != open.end();
}

void ResetEngine(platform::Env* env) {
  std::unique_ptr<Engine>& h = Holder();
  if (h) {
    DiscardOpenBlocks(*h);
    h.reset();
  }
  Eng().env = env != nullptr ? env : platform::Env::Default();
}

platform::Env* EngineEnv() { return Eng().env; }

}  // namespace isam
