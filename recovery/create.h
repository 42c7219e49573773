// Making PAR 2.0 recovery files for a group of files in one folder.
//
// The files are read once (or, when the recovery data does not fit in the memory allowed, once
// per share of it); every slice is hashed while it is in cache and added into each recovery
// slice. The recovery files are written under temporary names and take their names only when
// all are complete: a failure, or a stop asked for through progress, leaves no recovery file
// behind and the earlier ones as they were. Names: <base>.par2 holds the packets that describe
// the files, <base>.volA+B.par2 the recovery slices with exponents A to A+B-1 as well.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "recovery/plan.h"

namespace vornalis::recovery {

struct InputFile {
  std::string path;
  std::string name;  // as the recovery files name it: relative to their folder, "/" between folders
};

// Told how far the work has come; returning false stops it. It may not throw.
class Progress {
 public:
  virtual ~Progress() = default;
  virtual bool Step(std::uint64_t done, std::uint64_t total) noexcept = 0;
};

// How the work fails when progress stopped it: kStopped, for no file.
inline Status Stopped() { return Status::Error(Status::Code::kStopped, "", ""); }

struct WorkOptions {
  std::uint64_t memory = std::uint64_t{128} << 20;  // for recovery data held at once
  unsigned threads = 1;                             // 1: no thread is started
  // New files are written under this prefix and six letters or digits, beside the name they
  // are to take; with none, under that name, a dot and six letters or digits.
  std::string temp_prefix;
};

struct CreateOutcome {
  std::vector<std::string> written;   // paths of the recovery files, the index first
  unsigned passes = 0;                // times the files were read
  std::uint64_t recovery_memory = 0;  // bytes of recovery data held at once
};

// Makes the recovery files of plan for inputs, in folder (ending with a separator) under
// base_name; state, when not empty, is written as this program's state packet (its length a
// multiple of 4, as planned). Every file holds the packets that describe the files twice, at its
// start and at its end, so that one damaged copy leaves the other; a new file begins with a
// packet magic from its first moment, so that one left by a program that died is known for
// what it is. A failure names the file that failed: an input read, or (Status::writing) the
// recovery file that could not be made.
Result<CreateOutcome> CreateRecoveryFiles(platform::FileSystem& fs, const std::string& folder,
                                          const std::string& base_name,
                                          const std::vector<InputFile>& inputs, const Plan& plan,
                                          std::string_view state, const WorkOptions& options,
                                          Progress* progress);

// The recovery files' names that CreateRecoveryFiles gives for plan: index first.
std::vector<std::string> RecoveryFileNames(const std::string& base_name, const Plan& plan);

}  // namespace vornalis::recovery
