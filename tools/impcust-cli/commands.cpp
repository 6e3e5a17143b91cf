#include "tools/impcust-cli/commands.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "app/company_chooser.h"
#include "app/csv_table.h"
#include "app/customer_export.h"
#include "app/dry_run_env.h"
#include "app/header_check.h"
#include "app/import.h"
#include "app/main_window.h"
#include "config/environment.h"
#include "dialogs/console_presenter.h"
#include "dialogs/dialogs.h"
#include "dialogs/recording_presenter.h"
#include "fileaccess/access.h"
#include "fileaccess/end_program.h"
#include "isam/isam.h"
#include "platform/env.h"
#include "platform/system.h"
#include "util/display_text.h"

namespace impcust_cli {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char kProgram[] = "impcust-cli";
constexpr int kRejectReasonColumn = 20;  // columns 20 and beyond are ignored by the import
constexpr size_t kWriteChunk = 1 << 20;

void PrintError(const std::string& cp874_text) {
  std::fprintf(stderr, "%s: %s\n", kProgram, util::ToDisplay(cp874_text).c_str());
}

// A command-line path (in the system's own encoding, relative to the directory the command was
// started in) as an absolute Env name.
std::optional<std::string> EnvName(const std::string& arg) {
  std::error_code ec;
  std::filesystem::path path = std::filesystem::absolute(arg.empty() ? "." : arg, ec);
  if (ec) return std::nullopt;
  std::string text = path.lexically_normal().string();
  if (text.size() > 1 && (text.back() == '/' || text.back() == '\\')) text.pop_back();
#ifdef _WIN32
  return text;
#else
  bool lossless = true;
  std::string name = util::FromDisplay(text, &lossless);
  if (!lossless) return std::nullopt;
  return name;
#endif
}

// The controller's window, for a run without one.
class BatchView : public app::MainWindowView {
 public:
  void Attach(app::TForm1* form) { form_ = form; }
  bool RunOpenDialog(std::string*) override { return false; }
  void CloseWindow() override {
    if (form_ != nullptr) form_->FormClose();
  }
  void ShowGeneralError(const std::string& text) override { PrintError(text); }

 private:
  app::TForm1* form_ = nullptr;
};

// Collects each row's outcome (for the report and the rejects) and draws the progress bar.
class BatchObserver : public app::ImportObserver {
 public:
  BatchObserver(bool keep_rows, bool progress) : keep_rows_(keep_rows), progress_(progress) {}

  void OnImportStart(int data_rows) override {
    total_ = data_rows;
    started_ = Clock::now();
    last_draw_ = started_;
  }

  void OnRow(const app::RowReport& report) override {
    ++done_;
    if (keep_rows_) rows_.push_back(report);
    if (!progress_) return;
    const auto now = Clock::now();
    if (now - last_draw_ < std::chrono::milliseconds(100) && done_ != total_) return;
    last_draw_ = now;
    Draw(now);
  }

  void EndProgress() {
    if (progress_ && drawn_) std::fprintf(stdout, "\r%*s\r", 79, "");
    std::fflush(stdout);
  }

  const std::vector<app::RowReport>& rows() const { return rows_; }

 private:
  void Draw(Clock::time_point now) {
    const double seconds = std::chrono::duration<double>(now - started_).count();
    const double rate = seconds > 0 ? done_ / seconds : 0;
    const double left = rate > 0 ? (total_ - done_) / rate : 0;
    const int width = 30;
    const int filled =
        total_ > 0 ? static_cast<int>(static_cast<int64_t>(width) * done_ / total_) : width;
    const int left_s = static_cast<int>(left + 0.5);
    std::fprintf(stdout, "\r[%s%s] %d/%d rows  %.0f rows/s  %d:%02d left ",
                 std::string(filled, '#').c_str(), std::string(width - filled, '.').c_str(), done_,
                 total_, rate, left_s / 60, left_s % 60);
    std::fflush(stdout);
    drawn_ = true;
  }

  bool keep_rows_;
  bool progress_;
  int total_ = 0;
  int done_ = 0;
  bool drawn_ = false;
  Clock::time_point started_;
  Clock::time_point last_draw_;
  std::vector<app::RowReport> rows_;
};

nlohmann::json OptionalNumber(const std::optional<int32_t>& value) {
  return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

std::string Report(const ImportOptions& options, const app::ImportSummary& s, double seconds,
                   const std::vector<app::RowReport>& rows) {
  nlohmann::json outcomes = nlohmann::json::array();
  for (const app::RowReport& r : rows) {
    outcomes.push_back({{"row", r.row},
                        {"code", util::ToDisplay(r.code)},
                        {"outcome", app::OutcomeName(r.outcome)},
                        {"record", OptionalNumber(r.record)},
                        {"status", OptionalNumber(r.status)}});
  }
  nlohmann::json report = {
      {"csv", options.csv},
      {"company", options.company},
      {"rows", s.rows},
      {"added", s.added},
      {"skipped_empty_code", s.skipped_empty_code},
      {"skipped_long_code", s.skipped_long_code},
      {"skipped_exists", s.skipped_exists},
      {"refused", s.refused},
      {"not_reached", s.not_reached},
      {"stopped_at_row",
       s.stopped_at_row != 0 ? nlohmann::json(s.stopped_at_row) : nlohmann::json(nullptr)},
      {"seconds", seconds},
      {"outcomes", std::move(outcomes)},
  };
  return report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

// The row's own bytes, widened with empty fields so that the reason lands in a column the
// import ignores, then the reason.
std::string RejectLine(const app::CsvTable& table, int row, const std::string& reason) {
  std::string line(table.RawRow(row));
  const int fields = std::max(table.FieldCount(row), 1);
  const int delimiters = std::max(fields, kRejectReasonColumn) - fields + 1;
  line.append(static_cast<size_t>(delimiters), table.Delimiter());
  return line + reason + "\r\n";
}

std::string Rejects(const app::CsvTable& table, const std::vector<app::RowReport>& rows) {
  std::string out = table.RowCount() > 0 ? RejectLine(table, 0, "reason") : std::string();
  for (const app::RowReport& r : rows) {
    if (r.outcome != app::RowOutcome::kAdded) {
      out += RejectLine(table, r.row, app::OutcomeName(r.outcome));
    }
  }
  return out;
}

std::string SummaryLine(const app::ImportSummary& s, double seconds, bool dry_run) {
  char text[512];
  std::snprintf(text, sizeof text,
                "%d rows: %d added, %d skipped (empty code), %d skipped (code too long), %d "
                "skipped (exists), %d refused, %d not reached",
                s.rows, s.added, s.skipped_empty_code, s.skipped_long_code, s.skipped_exists,
                s.refused, s.not_reached);
  std::string line = text;
  if (s.stopped_at_row != 0) line += "; stopped at row " + std::to_string(s.stopped_at_row);
  std::snprintf(text, sizeof text, "; %.2f s", seconds);
  line += text;
  if (dry_run) line += " (dry run: nothing was written)";
  return line;
}

dialogs::NoTerminalPolicy PolicyOf(bool yes, bool no) {
  if (yes) return dialogs::NoTerminalPolicy::kAnswerYes;
  if (no) return dialogs::NoTerminalPolicy::kAnswerNo;
  return dialogs::NoTerminalPolicy::kTreatAsNo;
}

// Makes `env` the one every layer uses, with the layers' process-wide states back at their
// start values.
void UseEnv(platform::Env* env) {
  isam::ResetEngine(env);
  config::SetCurrentEnv(env);
  fileaccess::ResetAccessLayer();
  fileaccess::ClearEndRequest();
}

bool EnterStartupDirectory(platform::Env* env, const std::string& startup) {
  if (env->SetCurrentDirectory(startup) != 0) {
    PrintError("Cannot use the start-up directory " + startup);
    return false;
  }
  return true;
}

}  // namespace

int RunImport(const ImportOptions& options) {
  const auto started = Clock::now();
  const auto company = EnvName(options.company);
  const auto startup = EnvName(options.startup_dir);
  const auto csv = EnvName(options.csv);
  const auto report_name = EnvName(options.report);
  const auto rejects_name = EnvName(options.rejects);
  if (!company || !startup || !csv || !report_name || !rejects_name) {
    PrintError("A path cannot be represented in the code page of the company's files.");
    return kExitUsage;
  }

  dialogs::ConsolePresenter presenter(PolicyOf(options.assume_yes, options.assume_no));
  dialogs::ScopedPresenter scoped(&presenter);
  platform::Env* disk = platform::Env::Default();

  // The file is read and checked before the company is touched, so bad input changes nothing.
  {
    app::CsvTable probe;
    const app::CsvTable::LoadResult loaded = probe.LoadFromFile(disk, *csv);
    if (!loaded.ok) {
      PrintError(loaded.error);
      return kExitUsage;
    }
    if (!app::HeaderPasses(probe)) {
      dialogs::ShowError(app::kCannotLoadFile);
      return kExitUsage;
    }
  }

  std::unique_ptr<app::DryRunEnv> dry;
  if (options.dry_run) dry = std::make_unique<app::DryRunEnv>(disk);
  platform::Env* env = dry ? dry.get() : disk;
  UseEnv(env);
  std::string initial_dir;
  disk->GetCurrentDirectory(&initial_dir);
  if (!EnterStartupDirectory(env, *startup)) return kExitUsage;
  std::string fatal;
  if (!config::InitEnvironment(&fatal)) {
    PrintError(fatal);
    return kExitFatal;
  }
  config::CreateReportWorkFolder();

  const bool keep_rows = !options.report.empty() || !options.rejects.empty();
  const bool progress =
      !options.no_progress && platform::StdoutIsTerminal() && platform::StdinIsTerminal();
  BatchObserver observer(keep_rows, progress);
  BatchView view;
  app::FixedCompanyChooser chooser(*company);
  app::TForm1 form(&view, &chooser, env);
  view.Attach(&form);
  form.SetImportObserver(&observer);

  int exit_code = kExitOk;
  bool imported = false;
  if (!form.FormCreate()) {
    exit_code = kExitFatal;
  } else if (!form.LoadChosenFile(*csv)) {
    form.FormClose();
    exit_code = form.Failed() ? kExitFatal : kExitUsage;
  } else {
    imported = true;
    form.cxButton1Click();
    observer.EndProgress();
    form.FormClose();  // after a stop the window would stay open; the batch ends here
    if (form.Failed()) {
      exit_code = kExitFatal;
    } else if (form.LastImport().stopped_at_row != 0) {
      exit_code = kExitStopped;
    }
  }
  disk->SetCurrentDirectory(initial_dir);
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();

  const app::ImportSummary& summary = form.LastImport();
  if (!options.report.empty()) {
    if (platform::WriteWholeFile(disk, *report_name,
                                 Report(options, summary, seconds, observer.rows())) != 0) {
      PrintError("Cannot write the report " + *report_name);
      if (exit_code == kExitOk) exit_code = kExitUsage;
    }
  }
  if (!options.rejects.empty()) {
    if (platform::WriteWholeFile(disk, *rejects_name, Rejects(form.Table(), observer.rows())) !=
        0) {
      PrintError("Cannot write the rejects file " + *rejects_name);
      if (exit_code == kExitOk) exit_code = kExitUsage;
    }
  }
  if (imported) {
    std::fprintf(stdout, "%s\n", SummaryLine(summary, seconds, options.dry_run).c_str());
  }
  std::fflush(stdout);
  return exit_code;
}

int RunExport(const ExportOptions& options) {
  const auto company = EnvName(options.company);
  const auto startup = EnvName(options.startup_dir);
  const auto out = EnvName(options.out);
  if (!company || !startup || !out) {
    PrintError("A path cannot be represented in the code page of the company's files.");
    return kExitUsage;
  }
  dialogs::ConsolePresenter presenter(dialogs::NoTerminalPolicy::kTreatAsNo);
  dialogs::ScopedPresenter scoped(&presenter);
  platform::Env* disk = platform::Env::Default();
  UseEnv(disk);
  std::string initial_dir;
  disk->GetCurrentDirectory(&initial_dir);
  if (!EnterStartupDirectory(disk, *startup)) return kExitUsage;
  std::string fatal;
  if (!config::InitEnvironment(&fatal)) {
    PrintError(fatal);
    return kExitFatal;
  }

  // The output is written from the directory the command started in.
  std::unique_ptr<platform::File> file;
  if (disk->OpenFile(*out, platform::OpenMode::kCreate, &file) != 0) {
    PrintError("Cannot create file " + *out);
    return kExitUsage;
  }

  int exit_code = kExitOk;
  int64_t records = 0;
  bool engine_started = false;
  isam::FileBlock* customers = nullptr;
  if (disk->SetCurrentDirectory(*company) != 0 || !disk->FileExists(app::kArInfoFileName)) {
    dialogs::ShowError(app::kArInfoMissingMessage);
    exit_code = kExitFatal;
  } else {
    isam::StartEngine(app::kEngineMode, app::kPageBuffers);
    engine_started = isam::StatusOk();
    if (engine_started) isam::OpenDataFile(customers, "ARFILE01", false);
    if (!isam::StatusOk()) {
      const int32_t code = isam::StatusCode();
      dialogs::ShowError(std::to_string(code) + ": " + fileaccess::EngineMessage(code));
      exit_code = kExitFatal;
    } else {
      std::string buffer;
      uint64_t offset = 0;
      bool write_failed = false;
      auto flush = [&]() {
        size_t put = 0;
        if (!buffer.empty() && (file->Write(offset, buffer.data(), buffer.size(), &put) != 0 ||
                                put != buffer.size())) {
          write_failed = true;
        }
        offset += buffer.size();
        buffer.clear();
        return !write_failed;
      };
      const app::ExportResult result =
          app::ExportCustomers(customers, [&](const std::string& text) {
            buffer += text;
            return buffer.size() < kWriteChunk || flush();
          });
      flush();
      records = result.records;
      if (write_failed) {
        PrintError("Cannot write file " + *out);
        exit_code = kExitUsage;
      } else if (!result.ok) {
        if (result.status != 0) {
          dialogs::ShowError(std::to_string(result.status) + ": " +
                             fileaccess::EngineMessage(result.status));
        }
        exit_code = kExitFatal;
      }
      isam::CloseDataFile(customers);
    }
  }
  if (engine_started) isam::StopEngine();
  disk->CloseFile(std::move(file));
  disk->SetCurrentDirectory(initial_dir);
  if (exit_code != kExitOk) {
    disk->DeleteFile(*out);
    return exit_code;
  }
  std::fprintf(stdout, "%lld customers exported to %s\n", static_cast<long long>(records),
               util::ToDisplay(*out).c_str());
  return kExitOk;
}

}  // namespace impcust_cli
