// isamtool: looks into and creates data file sets. BASE is the set's path without extension.
//   isamtool info BASE [--json]
//   isamtool check BASE [--ignore-in-use]
//   isamtool keys BASE K
//   isamtool create BASE RECLEN LEN:DUP ...
#include <CLI/CLI.hpp>
#include <iostream>

#include "tools/isamtool/commands.h"

int main(int argc, char** argv) {
  CLI::App app{"Looks into and creates data file sets (BASE is a path without extension)."};
  app.require_subcommand(1);

  std::string base;
  bool json = false;
  bool ignore_in_use = false;
  int index = 0;
  int32_t record_length = 0;
  std::vector<std::string> indexes;

  CLI::App* info = app.add_subcommand("info", "Show the headers, counts and coordination state");
  info->add_option("BASE", base, "data file set")->required();
  info->add_flag("--json", json, "print as JSON");

  CLI::App* check = app.add_subcommand(
      "check", "Verify the whole structure, read-only (exit 0 sound, 1 defects, 2 unreadable)");
  check->add_option("BASE", base, "data file set")->required();
  check->add_flag("--ignore-in-use", ignore_in_use,
                  "accept a set with unpublished changes of a running writer");

  CLI::App* keys = app.add_subcommand("keys", "List the keys of index K in order");
  keys->add_option("BASE", base, "data file set")->required();
  keys->add_option("K", index, "index number, from 1")->required();

  CLI::App* create = app.add_subcommand("create", "Create an empty data file set");
  create->add_option("BASE", base, "data file set")->required();
  create->add_option("RECLEN", record_length, "record length in bytes")->required();
  create->add_option("LEN:DUP", indexes, "key length and 0 (unique) or 1 (duplicates)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {  // --help
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return isamtool::kExitFailure;
  }

  if (info->parsed()) return isamtool::RunInfo(base, json, std::cout, std::cerr);
  if (check->parsed()) return isamtool::RunCheck(base, ignore_in_use, std::cout, std::cerr);
  if (keys->parsed()) return isamtool::RunKeys(base, index, std::cout, std::cerr);
  return isamtool::RunCreate(base, record_length, indexes, std::cout, std::cerr);
}
