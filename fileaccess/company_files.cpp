#include "fileaccess/company_files.h"

#include <string>

#include "datafiles/file_sets.h"
#include "dialogs/dialogs.h"
#include "fileaccess/access.h"
#include "fileaccess/end_program.h"
#include "util/dates.h"

namespace fileaccess {

namespace {

constexpr char kIoErrorText[] = ": I/O error ";

struct CompanyState {
  CompanyFileHandles handles;
  datafiles::SideFiles side;
  bool opened = false;  // OpenCompanyFiles went all the way
};

CompanyState& State() {
  static CompanyState state;
  return state;
}

void ShowSideFileError(const datafiles::IoResult& res) {
  dialogs::ShowError(std::string(res.file) + kIoErrorText + std::to_string(res.error));
}

// A side file step at open: a failure is reported and ends the program.
bool SideStep(datafiles::IoResult res) {
  if (res.ok()) return true;
  ShowSideFileError(res);
  RequestEndProgram(EndRequest{EndReason::kSideFileError, res.error});
  return false;
}

bool OpenSet(isam::FileBlock*& fb, const datafiles::DataFileSetDef& def) {
  const auto block = datafiles::KeyDescriptorBlock(def);
  OpenOrCreate(fb, std::string(def.name), def.record_length, block.data(), def.key_count);
  if (AccessOk()) return true;
  RequestEndProgram(EndRequest{EndReason::kOpenFailed, 0});
  return false;
}

}  // namespace

CompanyFileHandles& CompanyFiles() { return State().handles; }
isam::FileBlock* CustomerFile() { return State().handles.ar_file01; }
datafiles::SideFiles& CompanySideFiles() { return State().side; }

bool OpenCompanyFiles() {
  CompanyState& s = State();
  s.opened = false;
  s.side.Clear();
  platform::Env* env = AccessEnv();
  CompanyFileHandles& h = s.handles;
  using namespace datafiles;
  if (!SideStep(ReadArInfo(env, s.side)) || !SideStep(ReadArTBuf(env, s.side)) ||
      !SideStep(ReadArTypes(env, s.side))) {
    return false;
  }
  if (!OpenSet(h.ar_file01, kArFile01) || !OpenSet(h.ar_file02, kArFile02) ||
      !OpenSet(h.ar_file03, kArFile03) || !OpenSet(h.ar_file04, kArFile04) ||
      !OpenSet(h.ar_file05, kArFile05)) {
    return false;
  }
  if (!SideStep(ReadGlInfo(env, s.side)) || !SideStep(ReadIcInfo(env, s.side)) ||
      !SideStep(ReadIcSubw(env, s.side))) {
    return false;
  }
  if (!OpenSet(h.gl_file01, kGlFile01)) return false;
  if (!SideStep(ReadGlBook(env, s.side))) return false;
  if (!OpenSet(h.bi_file01, kBiFile01)) return false;
  s.opened = true;
  return true;
}

void CloseCompanyFiles() {
  CompanyState& s = State();
  CompanyFileHandles& h = s.handles;
  platform::Env* env = AccessEnv();
  // Side files are written back only after a complete open: after a failed start-up they
  // may hold defaults in place of what could not be read.
  const bool write_back = s.opened;
  s.opened = false;
  auto write = [&](datafiles::IoResult res) {
    if (!res.ok()) ShowSideFileError(res);
  };

  for (isam::FileBlock** fb :
       {&h.ar_file01, &h.ar_file02, &h.ar_file03, &h.ar_file04, &h.ar_file05}) {
    CloseChecked(*fb);
  }
  if (write_back) {
    datafiles::SetLastCloseDate(s.side, util::TodayThaiShort());
    write(datafiles::WriteArInfo(env, s.side));
    write(datafiles::WriteArTBuf(env, s.side));
  }
  CloseChecked(h.ic_file);
  CloseChecked(h.gl_file01);
  if (write_back) write(datafiles::WriteGlBook(env, s.side));
  for (auto& e : s.side.ar_types) e.fill(0);
  for (auto& e : s.side.ic_subw) e.fill(0);
  for (auto& e : s.side.ar_tbuf) e.fill(0);
  s.side.ar_tbuf_count = 0;
  CloseChecked(h.bi_file01);
}

}  // namespace fileaccess
