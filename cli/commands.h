// The commands of vornalis-cli. Each takes its parsed arguments, writes results to standard
// output and one line per error to standard error, and returns the process's exit status.
#pragma once

#include <string>
#include <vector>

#include "engine/set_files.h"

namespace vornalis::cli {

// After Ctrl-C, SIGTERM or SIGHUP the status is 128 + the signal
// (platform::InterruptGuard::ExitStatus).
enum ExitStatus { kOk = 0, kFailed = 1, kUsage = 2 };

struct CommonOptions {
  bool quiet = false;      // no progress line
  unsigned memory_mb = 0;  // for recovery data held at once; 0: the default, 128 MB
  unsigned threads = 0;    // for recovery work and extract; 0: one per processor core
  bool protect = false;    // create and add: protect the set once the files are stored
};

// The threads options asks for: one per processor core unless told otherwise.
unsigned ThreadCount(const CommonOptions& options);

int CreateCommand(const std::string& set, const std::string& size, bool force,
                  const std::vector<std::string>& paths, const CommonOptions& options);
int AddCommand(const std::string& set, const std::vector<std::string>& paths,
               const CommonOptions& options);
int ListCommand(const std::string& set, bool long_format, bool json);
int ExtractCommand(const std::string& set, const std::string& target,
                   const std::vector<std::string>& files, const CommonOptions& options);
int InfoCommand(const std::string& set);
// Checks the structure and, where recovery files are there, every byte of the set.
int VerifyCommand(const std::string& set, const CommonOptions& options);
// redundancy 0: the default (ProtectRequest).
int ProtectCommand(const std::string& set, unsigned redundancy, unsigned files,
                   const CommonOptions& options);
// put_back_header: put the protected header back over one that reads as a sound set.
int RepairCommand(const std::string& set, bool put_back_header, const CommonOptions& options);
// Protects the set at paths, as protect does, once the caller has taken over Ctrl-C (protect,
// and create and add with --protect).
int ProtectSetAt(const SetPaths& paths, unsigned redundancy, unsigned files,
                 const CommonOptions& options);
int MakeExeCommand(const std::string& set, bool native);

}  // namespace vornalis::cli
