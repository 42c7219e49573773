#include "cli/cli_app.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <thread>

#include "cli/commands.h"
#include "platform/console.h"
#include "vornalis/version.h"

namespace vornalis::cli {

unsigned ThreadCount(const CommonOptions& options) {
  return options.threads > 0 ? options.threads : std::max(1u, std::thread::hardware_concurrency());
}

int Run(int argc, char** argv) {
  platform::PrepareConsole();
  // The arguments in UTF-8, as every path in the program is.
  std::vector<std::string> arguments = platform::Arguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());

  CLI::App app{
      "Packs files and folders into a numbered set of piece files, lists and rebuilds them.",
      "vornalis-cli"};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("vornalis-cli ") + kVersion);

  std::string set, size = "200KB", target;
  std::vector<std::string> paths, files;
  bool force = false, long_format = false, json = false, native = false, put_back_header = false;
  CommonOptions options;
  const char* set_help = "the set: its header file or any of its pieces";

  CLI::App* create = app.add_subcommand("create", "Make a new set of the files and folders given");
  create->add_option("SET", set, "the set's header file (.pec is added when missing)")->required();
  create->add_option("PATH", paths, "files and folders to store")->required();
  create->add_option(
      "--size", size,
      "piece size: a number with bytes, KB or MB, or 1.44MB or 720KB (default 200KB)");
  create->add_flag("--force", force, "replace an existing set of that name");
  create->add_flag("-q,--quiet", options.quiet, "show no progress");
  create->add_flag("--protect", options.protect, "then write recovery files beside the set");

  CLI::App* add = app.add_subcommand("add", "Store more files and folders in an existing set");
  add->add_option("SET", set, set_help)->required();
  add->add_option("PATH", paths, "files and folders to store")->required();
  add->add_flag("-q,--quiet", options.quiet, "show no progress");
  add->add_flag("--protect", options.protect,
                "then write recovery files beside the set, replacing the older ones");

  CLI::App* list = app.add_subcommand("list", "List the stored files");
  list->add_option("SET", set, set_help)->required();
  list->add_flag("--long", long_format, "also show each file's piece and offset");
  list->add_flag("--json", json, "print one JSON document");

  // Extracting the whole set and the recovery work run on every core unless told otherwise.
  const auto add_threads = [&options](CLI::App* command) {
    command->add_option("--threads", options.threads, "threads to work on (one per core)")
        ->check(CLI::Range(1, 256));
  };
  CLI::App* extract = app.add_subcommand("extract", "Rebuild all stored files, or those named");
  extract->add_option("SET", set, set_help)->required();
  extract->add_option("TARGET", target, "folder to rebuild into (made when missing)")->required();
  extract->add_option("FILE", files, "stored files to rebuild, as folder\\name or folder/name");
  extract->add_flag("-q,--quiet", options.quiet, "show no progress");
  add_threads(extract);

  CLI::App* info =
      app.add_subcommand("info", "Show the set's piece size, pieces, catalogue and form");
  info->add_option("SET", set, set_help)->required();

  CLI::App* verify = app.add_subcommand(
      "verify",
      "Check that every piece the catalogue needs is there and sound; with recovery files "
      "beside the set, every byte of every piece too");
  verify->add_option("SET", set, set_help)->required();
  verify->add_flag("-q,--quiet", options.quiet, "show no progress");
  add_threads(verify);

  unsigned redundancy = 0, recovery_files = 0;
  CLI::App* protect = app.add_subcommand(
      "protect",
      "Write recovery files (PAR 2.0) beside the set, from which a lost or damaged piece can be "
      "rebuilt; they replace older ones");
  protect->add_option("SET", set, set_help)->required();
  protect
      ->add_option("--redundancy", redundancy,
                   "recovery data, in percent of the set (by default 10, and never less than one "
                   "whole piece)")
      ->check(CLI::Range(1, 100));
  protect
      ->add_option("--recovery-files", recovery_files,
                   "how many recovery files (by default as many as keep to the piece size)")
      ->check(CLI::Range(1, 1000));
  protect->add_option("--memory", options.memory_mb, "MB of recovery data held at once (128)")
      ->check(CLI::Range(1, 65536));
  protect->add_flag("-q,--quiet", options.quiet, "show no progress");
  add_threads(protect);

  CLI::App* repair = app.add_subcommand(
      "repair", "Rebuild missing and damaged pieces (and the header) from the recovery files");
  repair->add_option("SET", set, "the set: its header file (also when it is lost) or a piece")
      ->required();
  repair->add_option("--memory", options.memory_mb, "MB of rebuilt data held at once (128)")
      ->check(CLI::Range(1, 65536));
  repair->add_flag("-q,--quiet", options.quiet, "show no progress");
  repair->add_flag("--header", put_back_header,
                   "put back the header the recovery files protect even when the header in "
                   "place reads as a sound set (undoing every change made to it since)");
  add_threads(repair);

  CLI::App* make_exe = app.add_subcommand(
      "make-exe",
      "Make a self-assembling program for the set, beside its header: SET.exe, which rebuilds "
      "the set on Windows (send it with the pieces to Windows users)");
  make_exe->add_option("SET", set, set_help)->required();
  make_exe->add_flag("--native", native,
                     "make SET.run instead, which rebuilds the set on the system this tool runs "
                     "on (for users of that system)");

  try {
    app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e);
    return status == 0 ? kOk : kUsage;
  }

  if (create->parsed()) return CreateCommand(set, size, force, paths, options);
  if (add->parsed()) return AddCommand(set, paths, options);
  if (list->parsed()) return ListCommand(set, long_format, json);
  if (extract->parsed()) return ExtractCommand(set, target, files, options);
  if (info->parsed()) return InfoCommand(set);
  if (make_exe->parsed()) return MakeExeCommand(set, native);
  if (protect->parsed()) return ProtectCommand(set, redundancy, recovery_files, options);
  if (repair->parsed()) return RepairCommand(set, put_back_header, options);
  return VerifyCommand(set, options);
}

}  // namespace vornalis::cli
