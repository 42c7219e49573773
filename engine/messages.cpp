#include "engine/messages.h"

#include <cerrno>

#include "engine/format.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace vornalis::messages {

std::string JoinedNames(const std::vector<std::string>& names, std::size_t most) {
  std::string text;
  for (std::size_t i = 0; i < names.size() && i < most; ++i) text += (i ? ", " : "") + names[i];
  if (names.size() > most) text += " and " + std::to_string(names.size() - most) + " more";
  return text;
}

std::string CantOpen(std::string_view path) { return std::string("Can't open ").append(path); }
std::string CantCreate(std::string_view path) { return std::string("Can't create ").append(path); }

namespace {

std::string Join(std::string_view a, std::string_view b) {
  std::string text(a);
  text += b;
  return text;
}

// "Can't open " + path, then the system's reason unless the file is simply missing.
std::string OpenText(std::string_view path, int error) {
  // A missing file is said plainly, as "Can't open " + path always has; any other cause (no
  // permission, a link loop, a name too long, not a regular file) is named.
  return error == 0 || error == ENOENT ? CantOpen(path)
                                       : CantOpen(path) + ": " + platform::ErrorText(error);
}

std::string CreateText(std::string_view path, int error) {
  return error == 0 ? CantCreate(path) : CantCreate(path) + ": " + platform::ErrorText(error);
}

// A read that failed, or a file that ended before the bytes the catalogue promised.
std::string ReadText(std::string_view path, int error) {
  return Join("Can't read ", path) + (error != 0 && error != platform::kEndedEarly
                                          ? ": " + platform::ErrorText(error)
                                          : std::string(": the file is shorter than the set says"));
}

// A write that failed, or a disk that filled up.
std::string WriteText(std::string_view path, int error) {
  return Join("Can't write ", path) + ": " + platform::ErrorText(error);
}

}  // namespace

Status Said(Status status, std::string message) {
  status.message = std::move(message);
  return status;
}
Status InTheWay(std::string path) {
  std::string message = NameInTheWay(path);
  return Status::Error(Status::Code::kNameTaken, std::move(path), std::move(message));
}
Status OpenFailed(const Status& status) {
  return Said(status, OpenText(status.path, status.error));
}
Status CreateFailed(const Status& status) {
  return Said(status, CreateText(status.path, status.error));
}
Status ReadFailed(const Status& status) {
  return Said(status, ReadText(status.path, status.error));
}
Status WriteFailed(const Status& status) {
  return Said(status, WriteText(status.path, status.error));
}
Status RenameFailed(const Status& status, std::string_view from, std::string_view to) {
  std::string text = Join("Can't rename ", from) + " to " + std::string(to) + ": " +
                     platform::ErrorText(status.error);
  // Windows before 10 refuses to replace a file that another program holds open.
  if (platform::kWindows && status.error == EACCES)
    text += " (another program may be reading it; try again when it is done)";
  return Said(status, text);
}
Status CopyFailed(const Status& status, const std::string& target_path) {
  return status.path == target_path ? WriteFailed(status) : ReadFailed(status);
}
Status FormatNotCorrect(std::string path) {
  return Status::Error(Status::Code::kFormat, std::move(path), std::string(kFormatNotCorrect));
}

std::string Explained(const Status& status) {
  const bool names_path =
      status.path.empty() || status.message.find(status.path) != std::string::npos;
  // The platform's own codes (below 0) are said in the texts formed from them.
  if (status.error <= 0) return names_path ? status.message : status.path + ": " + status.message;
  const std::string reason = platform::ErrorText(status.error);
  if (status.message.find(reason) != std::string::npos) return status.message;
  if (names_path) return status.message + ": " + reason;
  return status.message + " (" + status.path + ": " + reason + ")";
}

std::string PieceSizeTooSmall(std::uint32_t size) {
  return "Piece size of " + std::to_string(size) +
         " bytes is too small: a piece must be at least 20 bytes, to hold the set's header";
}

std::string PieceSizeTooLarge(std::string_view size) {
  return "Piece size " + std::string(size) + " is too large: a piece must be below 4 GB";
}

std::string InvalidPieceSize(std::string_view text, std::string_view why) {
  return "Invalid piece size '" + std::string(text) + "': " + std::string(why) +
         "give a number with bytes, KB or MB, or 1.44MB or 720KB";
}

std::string FileTooLarge(std::string_view path, std::uint64_t size) {
  return Join("Can't store ", path) + ": it has " + std::to_string(size) +
         " bytes, and a set holds files of up to " + std::to_string(format::kMaxFileSize) +
         " bytes only";
}

std::string TooManyPieces(std::string_view path, std::uint64_t last_piece) {
  return Join("Can't store ", path) + ": its bytes would reach piece " +
         std::to_string(last_piece) + ", and a set's pieces are numbered up to " +
         std::to_string(format::kMaxPieceNumber) + " only; choose a larger piece size";
}

std::string CatalogueTooManyPieces(std::string_view header_path, std::uint64_t last_piece) {
  return Join("Can't write ", header_path) + ": its catalogue would reach piece " +
         std::to_string(last_piece) + ", and a set's pieces are numbered up to " +
         std::to_string(format::kMaxPieceNumber) + " only";
}

std::string RebuiltUnderWindowsName(std::string_view stored_path, std::string_view rebuilt_path,
                                    bool device) {
  return std::string(stored_path) + " was rebuilt as " + std::string(rebuilt_path) +
         (device ? ": Windows reserves that name"
                 : ": Windows does not keep a dot or a space at the end of a name");
}

std::string SetBecameLarge(std::string_view header_path) {
  return Join("The set ", header_path) +
         " now holds a file of 4 GB or more, so it is written in the large form: earlier "
         "versions of Vornalis, the .exe and .run programs made from it before, and other "
         "programs that read piece files can no longer read it (they say \"" +
         std::string(kFormatNotCorrect) +
         "\"). Make its .exe or .run again for the people you send it to.";
}

std::string UnsafeStoredPath(std::string_view folder, std::string_view name) {
  return Join("Refused stored name ", std::string(folder) + std::string(name)) +
         ": it would be written outside the target folder";
}

std::string ReadOnlySet(std::string_view header_path) {
  return Join("The set ", header_path) + " is open for reading only";
}

std::string OpenedForReading(const Status& why) {
  if (why.code == Status::Code::kInUse)
    return Join("The set ", why.path) +
           " is open for reading only: it is open in another program, which may be storing "
           "files into it.";
  if (why.code == Status::Code::kNotWritable)
    return Join("The set ", why.path) + " is open for reading only: its folder cannot be written.";
  const char last = why.message.back();
  return why.message + (last == '.' || last == '!' ? " " : ". ") +
         "The set is open for reading only.";
}

std::string CatalogueNotRead(std::string_view header_path) {
  return Join("Nothing can be stored: the catalogue of ", header_path) + " could not be read";
}

std::string EntryPastStoredBytes(std::string_view stored_path) {
  return Join("Stored file ", stored_path) + " reaches past the end of the stored bytes";
}

std::string RefusedLink(std::string_view path) {
  return Join("Refused link ", path) + ": rebuilt files are never written through links";
}

std::string AmbiguousName(std::string_view stored_path, std::size_t matches) {
  return Join("The name ", stored_path) + " matches " + std::to_string(matches) +
         " stored files that differ only in case or form; give it exactly as stored";
}

std::string NoSuchStoredFile(std::string_view stored_path) {
  return Join("No stored file ", stored_path) + " in the set";
}

std::string LinkedFolderSkipped(std::string_view path) {
  return Join("Skipped ", path) + ": links to folders are not followed";
}

std::string NotARegularSource(std::string_view path) {
  return Join("Skipped ", path) + ": it is not a regular file (a FIFO, socket or device)";
}

std::string LinkLeadsNowhere(std::string_view path, int error) {
  return Join("Skipped ", path) + ": it is a link that leads nowhere (" +
         platform::ErrorText(error) + ")";
}

std::string UnstorableName(std::string_view path) {
  return Join("Skipped ", path) +
         ": a set cannot hold its name (one with \\ in it, a drive such as C: in front, or one "
         "too long)";
}

std::string NameNotUtf8(std::string_view path) {
  return Join("Skipped ", path) + ": its name is not UTF-8, so a set would give it back under " +
         "another name";
}

std::string SourceEndedEarly(std::string_view path) {
  return Join("Can't store ", path) + ": the file ended early; it was changed while it was stored";
}

std::string SetInUse(std::string_view header_path) {
  return Join("The set ", header_path) +
         " is open in another program, which may be storing files into it. Try again when it "
         "is closed there";
}

std::string Assembling(std::string_view path) { return Join("Assembling ", path) + "..."; }

std::string ErrorsOccured(std::size_t count) {
  return std::to_string(count) + " error(s) occured.";
}

std::string ExeCreated(std::string_view target) { return Join(target, " is created!"); }

std::string StubUnreadable(std::string_view target, std::string_view stub_path,
                           std::string_view reason) {
  return Join("Can't create ", target) + ": the program it is made from, " +
         std::string(stub_path) + ", cannot be read: " + std::string(reason);
}

std::string ExeNameTooLong(std::string_view set_name, std::size_t max_length) {
  return Join("Can't Make .EXE for the set ", set_name) + ": its name is longer than " +
         std::to_string(max_length) + " characters";
}

std::string MissingPiece(std::string_view path) { return Join("Missing piece ", path); }

std::string MissingPieces(std::string_view first_path, std::string_view last_path) {
  return Join("Missing pieces ", first_path) + " to " + std::string(last_path);
}

std::string DamagedPiece(std::string_view path, std::uint64_t size, std::uint64_t expected) {
  return Join("Damaged piece ", path) + ": it is " + std::to_string(size) + " bytes long, not " +
         std::to_string(expected);
}

std::string InvalidPiece(std::string_view path) { return Join(path, " is an invalid piece!"); }

std::string NotThisSetsPiece(std::string_view path, std::uint32_t n) {
  return std::string(path) + " is not piece " + std::to_string(n) +
         " of this set: it does not match the set's recovery files";
}

std::string BelongsToAnotherSet(std::string_view path) {
  return Join(path, " belongs to another set; move one of the two sets to its own folder");
}

std::string NameInTheWay(std::string_view path) {
  return Join(path,
              " is in the way: it is not a file of this set; move it, or the set, to another "
              "folder");
}

std::string SetExists(std::string_view header_path) {
  return Join("The set ", header_path) + " already exists";
}

std::string IgnoredAsideFile(std::string_view path) {
  return Join("Ignored ", path) + ": it was not left there by this set's own writer";
}

std::string OwnSetFile(std::string_view path) {
  return Join("Skipped ", path) +
         ": it is a file of the set itself (its header, a piece, or a file made from it)";
}

std::string SourceNameClash(std::string_view path, std::string_view stored_path) {
  return Join("Skipped ", path) + ": another file given is stored as " + std::string(stored_path);
}

std::string AlreadyStored(std::string_view stored_path) {
  return Join("Skipped ", stored_path) + ": already in the set";
}

std::string CaseTwinSkipped(std::string_view path, std::string_view twin) {
  return Join("Skipped ", path) + ": its folder also holds " + std::string(twin) +
         ", and a set counts names that differ only in letter case as one";
}

std::string EntryOverlaps(std::string_view stored_path) {
  return Join("Stored file ", stored_path) +
         " shares its bytes with another stored file: the catalogue is damaged";
}

std::string RebuiltTwice(std::string_view path) {
  return Join("Refused ", path) +
         ": a stored file of the same name and folder was rebuilt there already; this one is left "
         "out";
}

std::string WouldReplaceSetFile(std::string_view path) {
  return Join("Refused ", path) + ": it is a file of the set being read, which stays as it is";
}

std::string HeaderWithoutExtension(std::string_view header_path) {
  return Join("The set's header ", header_path) +
         " has no .pec extension: it can be listed and rebuilt, but to store files into it, "
         "rename it to " +
         std::string(header_path) + ".pec";
}

std::string DamagedCatalogue(std::string_view header_path, std::string_view problem) {
  return Join("Nothing can be stored: the catalogue of ", header_path) + " is damaged. " +
         std::string(problem);
}

std::string SetReplacedWhileRead(std::string_view header_path) {
  return Join("The set ", header_path) +
         " was replaced by another program while it was read; rebuild the files again";
}

std::string NoRecoveryFiles(std::string_view header_path) {
  return Join("No recovery files of ", header_path) + " lie beside it";
}

std::string DamagedRecoveryFile(std::string_view path) {
  return Join("Parts of the recovery file ", path) + " are damaged; what is sound in it is used";
}

std::string OtherRecoveryFile(std::string_view path) {
  return Join("Ignored ", path) + ": its recovery data is for other files";
}

std::string NoUsableRecoveryFiles(std::string_view header_path) {
  return Join("No recovery files of ", header_path) + " that can be used lie beside it";
}

std::string IncompleteRecoveryFile(std::string_view path) {
  return Join("Ignored ", path) + ": the packets that describe its files are damaged or missing";
}

std::string UnusableBlockSize(std::string_view path, std::uint64_t size) {
  return Join("Ignored ", path) + ": its block size of " + std::to_string(size) +
         " bytes cannot be right for the files it describes";
}

std::string TooManyRecoveryBlocks(std::string_view path, std::uint64_t count) {
  return Join("Ignored ", path) + ": it describes " + std::to_string(count) +
         " blocks, more than recovery files can have";
}

std::string TooManyRecoveryPackets(std::string_view path, std::uint64_t budget) {
  return Join("Ignored ", path) + ": it holds more recovery packets than fit in the " +
         std::to_string(budget >> 20) + " MiB that recovery files may take";
}

std::string UnplacedRecoveryFile(std::string_view path) {
  return Join("Ignored ", path) +
         ": its recovery data could belong to several sets of recovery files, which disagree";
}

std::string RecoverySetsTie(std::string_view header_path, const std::vector<std::string>& paths) {
  return Join("The recovery files beside ", header_path) +
         " are of several sets that match it equally well (" + JoinedNames(paths) +
         "): which of them is the set's own cannot be told, so none is used. Move the others "
         "away";
}

std::string RecoveryOlderThanSet(std::string_view header_path) {
  return Join("The recovery files of ", header_path) +
         " are older than the set: files were added to it since they were made, and those are "
         "not covered. Protect the set again";
}

std::string HeaderDiffers(std::string_view header_path, std::int64_t files_then,
                          std::uint32_t files_now) {
  std::string text = std::string(header_path) +
                     " is not the header its recovery files protect, yet it reads as a sound "
                     "set: it was changed since they were made, by another program or by a set "
                     "made anew. It is left as it is, and so is every piece. Putting the "
                     "protected header back would undo every change made since";
  if (files_then >= 0)
    text += ": the set would list the " + std::to_string(files_then) +
            " stored files it held then instead of the " + std::to_string(files_now) +
            " it lists now";
  return text;
}

std::string RetiredRecoveryFile(std::string_view path) {
  return Join("Ignored ", path) +
         ": the set was made anew since it was made, and it covers none of the new set";
}

std::string RecoveryFilesRetired(std::string_view header_path,
                                 const std::vector<std::string>& paths) {
  return Join("Removed the recovery files of the set that ", header_path) +
         " replaced, which cover none of the new one (" + JoinedNames(paths) +
         "). Protect the set to make new ones";
}

std::string FilesLostBeyond(std::string_view first, std::string_view last,
                            std::string_view kept_first, std::string_view kept_last) {
  const auto range = [](std::string_view a, std::string_view b) {
    return a == b ? std::string(a) : std::string(a) + " to " + std::string(b);
  };
  std::string text = range(first, last) + (first == last ? " holds" : " hold") +
                     " files stored after the recovery files were made: those files are lost";
  if (!kept_first.empty())
    text += "; " + std::string(first == last ? "the piece is" : "the pieces are") + " kept as " +
            range(kept_first, kept_last);
  return text;
}

std::string NotOwnRecoveryFile(std::string_view path) {
  return std::string(path) +
         " is in the way: it is not a recovery file of this set. Move it elsewhere, then "
         "protect the set again";
}

std::string SetTooLargeToProtect(std::string_view header_path) {
  return Join("The set ", header_path) + " is too large for recovery files";
}

std::string RecoveryCovers(std::uint32_t whole_pieces, unsigned percent) {
  std::string text = "This covers ";
  if (whole_pieces == 0)
    text += "no whole lost piece";
  else
    text += "any " + std::to_string(whole_pieces) +
            (whole_pieces == 1 ? " lost piece" : " lost pieces");
  return text + ", or " + std::to_string(percent) + " % damaged.";
}

std::string TooMuchLost(std::uint32_t bad_blocks, std::uint32_t recovery_blocks) {
  return std::string(kTooMuchLost) + ": " + std::to_string(bad_blocks) +
         " blocks are missing or damaged, and " + std::to_string(recovery_blocks) +
         " recovery blocks exist. Nothing was changed";
}

std::string RepairedFileMismatch(std::string_view path) {
  return Join("The rebuilt ", path) +
         " does not match its recovery files; it was not put in place. Nothing was changed";
}

std::string CannotRebuild(std::string_view header_path) {
  return Join("The recovery blocks of ", header_path) +
         " cannot rebuild what is lost in this case; protect the set with more recovery data. "
         "Nothing was changed";
}

std::string RepairWouldNeed(std::uint32_t bad_blocks, std::uint32_t recovery_blocks,
                            std::uint64_t block_size, std::string_view total) {
  return "A repair would need " + std::to_string(bad_blocks) + " recovery blocks of " +
         std::to_string(block_size) + " bytes, " + std::string(total) +
         " of recovery data; the recovery files hold " + std::to_string(recovery_blocks);
}

}  // namespace vornalis::messages
