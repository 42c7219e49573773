// Verify as one operation, and what it found as sentences: the same for the CLI and the desktop
// program, which only show the lines (the CLI on its output, the desktop in its error list).
//
// VerifySetWhole checks the set's bytes against its recovery files when it has usable ones, and
// its structure (pieces' heads and lengths, entries inside the stored bytes) when its header is
// whole. VerificationLines says what was found, in one order:
//   each missing or damaged file of the set, with the stored files it affects;
//   how many blocks are lost against how many recovery blocks exist, and whether a repair can
//   rebuild them; that the recovery files are older than the set, when they are;
//   each structural problem of a piece not named already, with what it affects;
//   why the catalogue could not be read, when it could not.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/recovery_report.h"
#include "engine/set_files.h"
#include "engine/set_recovery.h"
#include "engine/verify.h"
#include "platform/file_system.h"

namespace vornalis {

struct Verification {
  // How it went with recovery files: ok when used, kNotFound when there are none, kRefused when
  // none is usable (the message names each, a line each).
  Status recovery = Status::Ok();
  std::vector<std::string> warnings;  // recovery files damaged or not the set's, each named
  std::optional<SetCheck> check;      // when recovery files were used
  // The structure, when the catalogue was read (never when the header is damaged: its catalogue
  // may say anything); else why not.
  std::optional<VerifyReport> structure;
  std::size_t stored_files = 0;
  Status catalogue = Status::Ok();

  bool header_damaged() const;
  // Nothing is lost, damaged or older than the set, and the recovery files (if any) are usable.
  bool whole() const;
};

// Fails only when the check of the bytes failed (a read, or a stop asked for through
// progress), with the user's message.
Result<Verification> VerifySetWhole(platform::FileSystem& fs, const SetPaths& paths,
                                    const recovery::WorkOptions& work,
                                    recovery::Progress* progress);

// What was found, as lines for the user (names escaped by the front end as it shows them).
std::vector<std::string> VerificationLines(const Verification& verification, const SetPaths& paths);

// What a check that found nothing wrong says: every file matches its recovery files, the
// structure is sound, and what a check without recovery files cannot see.
std::vector<std::string> SoundLines(const Verification& verification);

}  // namespace vornalis
