// Names of a set's files, and finding the set that a chosen file belongs to.
//
// A set with base path B has the header file B.pec and data pieces B1.pec, B2.pec, ...; the
// number of a piece is read from its head, since B itself may end in digits. A set copied from
// a FAT floppy or a Windows disk may spell its extension in capitals (B.PEC, B1.PEC): all its
// files then share the header's spelling.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace vornalis {

// The paths of one set's files: its base path and the extension as its files spell it.
struct SetPaths {
  std::string base;
  std::string extension = ".pec";

  std::string Header() const { return base + extension; }
  // The lock a set's writer holds (platform/file_system.h, LockFile).
  std::string Lock() const { return Header() + ".lock"; }
  std::string Piece(std::uint32_t number) const;
};

// The set at base_path as it lies on disk: with ".pec" when that header exists, else with the
// spelling of the header whose extension matches ".pec" but for case (".PEC", ".Pec").
SetPaths FindSetPaths(platform::FileSystem& fs, const std::string& base_path);

// Decimal digits without a leading zero, as piece numbers are written; 0 for anything else.
std::uint32_t ParsePieceNumber(std::string_view digits);
// n when file_name (a name in the set's folder, without folder) is the name of the set's piece
// n as this program spells it; 0 otherwise. The header of a neighbouring set can have such a
// name: the head of the file tells whose it is.
std::uint32_t PieceNumberOf(const SetPaths& set, std::string_view file_name);

// Tells the set's own names among names spelt in any case, as recovery files made before the set
// was copied to a FAT disk (BACKUP.PEC) name it (backup.pec). fold folds letter case: the
// engine's is the locale's (platform::FoldCase), the self-assembling stub's FoldAscii.
//
// Exact spelling comes first. Given the names in the set's folder, a name that answers to one of
// the set's only once case is ignored is another set's when that set lies beside it under the
// exact spelling: backup3.pec is the piece of backup.pec, not of Backup.pec, when backup.pec (or
// backup3.pec itself) is in the folder. Case is ignored only where no such set is there.
class SetNameMatcher {
 public:
  using Fold = std::string (*)(std::string_view);
  SetNameMatcher(const SetPaths& paths, Fold fold);
  // folder: the names in the set's folder; folder_ignores_case: whether its file system takes
  // names that differ only in case for one (FileSystem::IgnoresCase), where no other set can be
  // spelt so beside it.
  SetNameMatcher(const SetPaths& paths, Fold fold, const std::vector<platform::DirEntry>& folder,
                 bool folder_ignores_case);
  // 0 for the set's header, n for the name of its piece n; nothing for any other name (one with
  // a folder, too).
  std::optional<std::uint32_t> Of(std::string_view file_name) const;

 private:
  // The number name answers to with case ignored, whoever's it is.
  std::optional<std::uint32_t> FoldedNumber(std::string_view file_name) const;
  std::string ExactName(std::uint32_t number) const;
  // Whether file_name, which answers to number only with case ignored, is another set's.
  bool OtherSetsName(std::string_view file_name, std::uint32_t number) const;

  Fold fold_;
  std::string name_;       // the set's name, folded
  std::string extension_;  // its extension, folded
  std::string exact_name_, exact_extension_;
  bool folder_known_ = false;
  std::set<std::string, std::less<>> listed_;  // names in the folder that answer to the set's
};
// text with the letters A to Z made small; every other byte as it is.
std::string FoldAscii(std::string_view text);

// path less a trailing ".pec" in any case (the base path of the header file it names); path
// itself when it has no such extension, or is nothing else.
std::string BasePathOf(std::string_view path);

// Paths of a set spelt with ".pec", as this program makes them.
std::string HeaderPath(std::string_view base_path);
std::string PiecePath(std::string_view base_path, std::uint32_t number);
// Temporary files of the set at base_path start with this: "Qbtm", the set's name and "~", so
// that the next writer of the set can tell its leftovers from other sets' files.
std::string TempPrefix(std::string_view base_path);
// The file-name part of a base path: "backup" for /data/backup.
std::string SetNameOf(std::string_view base_path);

// Takes the set's lock, as its writer holds it, without waiting. Fails with kInUse and
// SetInUse's message while another program holds it, with kNameTaken when a file that is no
// lock file has its name.
Result<std::unique_ptr<platform::Lock>> LockSet(platform::FileSystem& fs, const SetPaths& paths);

// Identifies path as the header file or any data or overflow piece of a set, and checks that
// the set's header file begins as one should; the set's paths (its base path, and the
// extension as its files spell it), or why path leads to no set. The base path is path less its
// extension (".pec" in any case; a header copied without one is its own base path); a piece's name
// must end with the number its head gives before the extension. Messages: "Can't open " + path,
// "Can't open "
// + header, header + " is an invalid piece!" and path + " is an invalid piece!".
Result<SetPaths> IdentifySetFile(const std::string& path,
                                 platform::FileSystem& fs = platform::RealFileSystem());

}  // namespace vornalis
