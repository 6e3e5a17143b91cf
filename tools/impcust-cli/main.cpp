// impcust-cli: batch import of customers into a company, and export of its customers as an
// import file. See commands.h for the exit codes.
#include <CLI/CLI.hpp>

#include "tools/impcust-cli/commands.h"

int main(int argc, char** argv) {
  using namespace impcust_cli;
  CLI::App app{"Batch import and export of customers of a company's customer master file."};
  app.require_subcommand(1);

  ImportOptions import;
  CLI::App* import_cmd = app.add_subcommand("import", "Import the customers of a CSV file.");
  import_cmd->add_option("--company", import.company, "The company's data directory")->required();
  import_cmd->add_option("--startup-dir", import.startup_dir,
                         "Folder of the configuration, company list and error catalogue "
                         "(default: the current directory)");
  import_cmd->add_option("--report", import.report, "Write a JSON report of every row");
  import_cmd->add_option("--rejects", import.rejects,
                         "Write every row that was not added, with its reason, as a CSV file");
  import_cmd->add_flag("--dry-run", import.dry_run,
                       "Predict the outcome of every row; write nothing anywhere");
  auto* yes = import_cmd->add_flag("--assume-yes", import.assume_yes,
                                   "Answer Yes to questions when there is no terminal");
  auto* no = import_cmd->add_flag("--assume-no", import.assume_no,
                                  "Answer No to questions when there is no terminal");
  yes->excludes(no);
  import_cmd->add_flag("--no-progress", import.no_progress, "No progress bar");
  import_cmd->add_option("CSV", import.csv, "The CSV file to import")->required();

  ExportOptions exp;
  CLI::App* export_cmd =
      app.add_subcommand("export", "Write every customer as a CSV file in the import's layout.");
  export_cmd->add_option("--company", exp.company, "The company's data directory")->required();
  export_cmd->add_option("--startup-dir", exp.startup_dir,
                         "Folder of the configuration, company list and error catalogue "
                         "(default: the current directory)");
  export_cmd->add_option("OUT", exp.out, "The CSV file to write")->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kExitOk : kExitUsage;
  }
  if (import_cmd->parsed()) return RunImport(import);
  return RunExport(exp);
}
