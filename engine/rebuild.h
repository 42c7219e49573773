// Rebuilding stored files from a set's pieces into a target folder, byte for byte.
//
// Work is done on catalogue entries, never on names looked up again, so two stored files whose
// names differ only in case or Unicode form each come back with their own bytes. What it
// promises for every entry it is given:
// - an entry that points outside the stored bytes, or whose folder or name would lead outside
//   the target, is refused before anything is written;
// - folders are entered from the target's open folder without following links, so nothing is
//   written outside the target through a link planted there, before or during the run;
// - a file is written under a temporary name beside its final name and renamed over that name
//   only once it is whole: a file that could not be rebuilt is never left under its name, and an
//   existing file or link at that name is replaced, never written through;
// - an existing file is never replaced when it is a file of the set being read (its header or
//   a piece, by device and inode), nor when this run rebuilt it from another entry of the same
//   name: that entry fails, named, and the others go on;
// - entries whose bytes overlap another entry's (a damaged catalogue) are refused;
// - each piece's head is checked before its bytes are used, and a piece is read only while the
//   header the catalogue came from still describes it (opened_header.h).
// - on Windows (PieceSource::windows_names), a file whose stored name or folder Windows does not
//   keep (windows_names.h: "aux.c", "CON", "name.") is rebuilt under a name it accepts, never
//   one another file of the run is rebuilt under, and the entry's status says so (kRenamed):
//   "aux.c was rebuilt as _aux.c: Windows reserves that name".
// Files are rebuilt in the order their bytes lie in the pieces, so each piece is opened once
// and read front to back, or in the order the caller gives them, when that order is what a user
// sees (the desktop program's list).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/byte_progress.h"
#include "engine/opened_header.h"
#include "engine/piece_layout.h"
#include "engine/set_files.h"
#include "engine/status.h"
#include "engine/stored_file.h"
#include "engine/windows_names.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace vornalis {

// Asked when a data piece is not where the set's files lie, before the files in it fail: a
// program that can ask its user (the self-assembling program at a terminal) has the piece looked
// for on another disk or in another folder. It may not throw.
class PieceLocator {
 public:
  virtual ~PieceLocator() = default;
  // Where to look for piece n next, after path was missing (refusal empty) or held a file that is
  // not piece n (refusal says why, naming it): a path to try, or "" to give the piece up, after
  // which its files fail as they would have without a locator and it is not asked again.
  virtual std::string Locate(std::uint32_t n, const std::string& path,
                             const std::string& refusal) noexcept = 0;
};

// Proves that a file is the set's piece before its bytes are used, where the program has more to
// go on than the piece's head (the set's recovery files, which record each piece's MD5): the
// format itself has no set identity, and another set's piece of the same number looks the same.
// It may not throw.
class PieceProof {
 public:
  virtual ~PieceProof() = default;
  // Ok when file, opened at path as piece n, is that piece; else kFormat with a message naming
  // path. file's position is not relied on afterwards.
  virtual Status Prove(std::uint32_t n, platform::File& file, const std::string& path) noexcept = 0;
};

// Where the bytes of a set's data pieces lie.
struct PieceSource {
  platform::FileSystem& fs;
  SetPaths paths;
  SetShape shape;
  // The piece whose payload lies only in the header file, as the tail of a closed set that was
  // opened without laying it out again (0 when every piece has its own file).
  std::uint32_t tail_piece = 0;
  // The header the catalogue was read from, kept open: pieces are opened through it and the
  // tail is read from it. Needed when tail_piece is set; without it pieces are opened by name.
  OpenedHeader* header = nullptr;
  // Entries of the catalogue whose bytes overlap another's, refused (none when null).
  const OverlapIndex* overlaps = nullptr;
  // Asked for pieces that are missing (none when null).
  PieceLocator* locator = nullptr;
  // Asked to prove each piece before it is used (none when null).
  PieceProof* proof = nullptr;
  // Names Windows does not keep are rebuilt under names it accepts: on Windows, and in tests.
  bool windows_names = platform::kWindows;
};

// Told about each entry as it is done; returning false stops before the next one. It may not
// throw (the engine promises that nothing passes through it): a failure inside it is kept by
// its owner, which stops the engine and reports the failure once the engine has returned.
class RebuildObserver {
 public:
  virtual ~RebuildObserver() = default;
  virtual bool Rebuilt(const StoredFile& entry, const Status& status) noexcept = 0;
};

class Rebuilder {
 public:
  // buffer (1 MiB) is borrowed for the Rebuilder's lifetime; bytes, when given, hears how far
  // each large file has come.
  Rebuilder(const PieceSource& source, std::span<char> buffer, ByteProgress* bytes = nullptr);
  ~Rebuilder();
  Rebuilder(const Rebuilder&) = delete;
  Rebuilder& operator=(const Rebuilder&) = delete;

  // Opens the target folder, making it (and missing parents) first. Links in the target's own
  // path are followed: that path is the user's choice.
  Status OpenTarget(const std::string& target_folder);
  // Rebuilds entry as target + Folder + Name (stored folders use "\"). Needs OpenTarget first.
  // twin_rebuilt says that an entry of the same folder and name (but for letter case) was
  // rebuilt already in this run: a file found under the name is then that one, not replaced.
  // rebuilt_as, when given, is the stored path (folder and name) to rebuild it under instead,
  // for the reason given; the result is then kRenamed once the file is whole.
  struct Renaming {
    std::string folder;
    std::string name;
    WindowsName reason = WindowsName::kKept;
  };
  Status Rebuild(const StoredFile& entry, bool twin_rebuilt = false,
                 const Renaming* rebuilt_as = nullptr);

 private:
  class PieceReader;
  Status EnterFolder(const std::string& stored_folder, platform::Directory** directory);
  // Gives the whole file its name; refuses to replace a file of the set or one rebuilt already.
  Status Publish(platform::Directory& directory, std::unique_ptr<platform::File> file,
                 const std::string& name, const std::string& path, bool twin_rebuilt);
  bool IsSetFile(const platform::FileInfo& info);

  PieceSource source_;
  std::span<char> buffer_;
  ByteProgress* bytes_;
  std::unique_ptr<PieceReader> pieces_;
  std::unique_ptr<platform::Directory> target_;
  // Folders entered so far, by stored folder ("a\b\"), so each is made and opened once.
  std::vector<std::pair<std::string, std::unique_ptr<platform::Directory>>> folders_;
};

enum class RebuildOrder {
  kByPosition,  // as the bytes lie: each piece opened once, the fastest
  kAsGiven,     // as the entries are listed
};

// Rebuilds entries below target_folder in order, telling observer (when given) after each.
// Returns the failure to open the target, when that is what failed; per-entry failures go to the
// observer only. Nothing is touched for an empty list.
Status RebuildFiles(const PieceSource& source, const std::string& target_folder,
                    const std::vector<const StoredFile*>& entries, std::span<char> buffer,
                    RebuildObserver* observer, ByteProgress* bytes = nullptr,
                    RebuildOrder order = RebuildOrder::kByPosition);

}  // namespace vornalis
