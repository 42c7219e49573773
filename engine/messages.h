// The engine's failure messages. Front ends show them as they are, so their wording is part of
// the product: the desktop program, the CLI and the stub all take them from here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace vornalis::messages {

inline constexpr std::string_view kFormatNotCorrect = "File format is not correct";
inline constexpr std::string_view kPiecesMayBeCorrupt = "The pieces may be corrupt.";
inline constexpr std::string_view kExeWithoutFiles = "Can't Make .EXE without any files added!";
// After a store that changed nothing on disk: it was undone, or the catalogue could not be
// written.
inline constexpr std::string_view kNothingStored =
    "Nothing was stored; the set is as it was before.";
// After a new set that was to replace another stored nothing whole: the old one stays.
inline constexpr std::string_view kNotReplaced =
    "The set was not replaced; it is as it was before.";
// After the commit's own failure, when nothing the command stored was kept.
inline constexpr std::string_view kStoredNotKept =
    "The files stored by this command were not kept: the set on disk is as it was before it.";

// What the platform said, with the user's message formed from its path and the system's
// reason: "Can't open ", "Can't create ", "Can't read " or "Can't write " and the path.
Status OpenFailed(const Status& status);
Status CreateFailed(const Status& status);
Status ReadFailed(const Status& status);
Status WriteFailed(const Status& status);
// A copy's failure: the reading side's or the writing side's, as its path says.
Status CopyFailed(const Status& status, const std::string& target_path);
// A rename of from to to that failed as status says.
Status RenameFailed(const Status& status, std::string_view from, std::string_view to);
// kFormat for the file at path: "File format is not correct".
Status FormatNotCorrect(std::string path);
// status with message as its text.
Status Said(Status status, std::string message);
// kNameTaken for path, with NameInTheWay's text.
Status InTheWay(std::string path);

// status's message with what it leaves unsaid: the file it concerns in front when the message
// names none ("/a/b.pec: File format is not correct"), and the system's reason after it ("Can't
// create /a/b.exe (/x/ext.dll: No such file or directory)"). For front ends that have room to
// say more than the message the desktop program shows.
std::string Explained(const Status& status);

// Up to most names joined by ", ", then " and N more" for the rest: the stored files a damaged
// piece affects, and the like.
std::string JoinedNames(const std::vector<std::string>& names, std::size_t most = 10);

// "Can't open " and "Can't create " followed directly by the path, as the desktop program shows
// them where no reason is given.
std::string CantOpen(std::string_view path);
std::string CantCreate(std::string_view path);
std::string PieceSizeTooSmall(std::uint32_t size);
// size is the size as the user gave it, as "4096MB".
std::string PieceSizeTooLarge(std::string_view size);
// A size on the command line that is no size; why is what was wrong with its number, or "".
std::string InvalidPieceSize(std::string_view text, std::string_view why);
std::string FileTooLarge(std::string_view path, std::uint64_t size);
// A file, or a catalogue, whose bytes would need a piece number past the last there is.
std::string TooManyPieces(std::string_view path, std::uint64_t last_piece);
std::string CatalogueTooManyPieces(std::string_view header_path, std::uint64_t last_piece);
// Said once, after the commit that wrote a set in the large form for the first time: which
// programs can no longer read it.
std::string SetBecameLarge(std::string_view header_path);
std::string UnsafeStoredPath(std::string_view folder, std::string_view name);
std::string ReadOnlySet(std::string_view header_path);
// Why a set opened for reading only, in one message: another program holding it (kInUse), its
// folder that cannot be written (kNotWritable), or a refusal to store (its message).
std::string OpenedForReading(const Status& why);
std::string CatalogueNotRead(std::string_view header_path);
// A catalogue entry that points past the bytes the set holds (a damaged size or position).
std::string EntryPastStoredBytes(std::string_view stored_path);
// A link found where a rebuilt file or one of its folders goes: nothing is written through it.
std::string RefusedLink(std::string_view path);
// A name given by the user that several stored files answer to (they differ in case or form).
std::string AmbiguousName(std::string_view stored_path, std::size_t matches);
std::string NoSuchStoredFile(std::string_view stored_path);
// Sources that are left out before storing begins.
std::string LinkedFolderSkipped(std::string_view path);
std::string NotARegularSource(std::string_view path);
// A link whose target is missing or loops; error says which (ENOENT, ELOOP).
std::string LinkLeadsNowhere(std::string_view path, int error);
std::string UnstorableName(std::string_view path);
// A name in bytes that are not UTF-8, which a set would give back under another name.
std::string NameNotUtf8(std::string_view path);
// A source that became shorter while it was being stored.
std::string SourceEndedEarly(std::string_view path);
// Another program holds the set open, and may be storing files into it.
std::string SetInUse(std::string_view header_path);
// The line before the failure of one file that Assemble or extract rebuilds as path.
std::string Assembling(std::string_view path);
// The count of files that could not be rebuilt, after Assemble and extract.
std::string ErrorsOccured(std::size_t count);
// Make .EXE.
std::string ExeCreated(std::string_view target);
std::string ExeNameTooLong(std::string_view set_name, std::size_t max_length);
// The program Make .EXE copies (the stub, at stub_path) could not be read, for reason.
std::string StubUnreadable(std::string_view target, std::string_view stub_path,
                           std::string_view reason);
// Found by a check of a set's pieces.
std::string MissingPiece(std::string_view path);
// A run of missing pieces, named by its first and last.
std::string MissingPieces(std::string_view first_path, std::string_view last_path);
std::string DamagedPiece(std::string_view path, std::uint64_t size, std::uint64_t expected);
// Identification of a file chosen to open a set.
std::string InvalidPiece(std::string_view path);
// A file given as piece n whose bytes are not the ones the set's recovery files record.
std::string NotThisSetsPiece(std::string_view path, std::uint32_t n);

// A name the set needs is taken by another set's file, or by anything that is not the set's.
std::string BelongsToAnotherSet(std::string_view path);
std::string NameInTheWay(std::string_view path);
// A new set where a set of that name exists, and the new one may not replace it.
std::string SetExists(std::string_view header_path);
// Something planted where a writer keeps pieces aside, not trusted and not used.
std::string IgnoredAsideFile(std::string_view path);
// A source that is one of the set's own files: its header, a piece, or a file made from it.
std::string OwnSetFile(std::string_view path);
// A source the set holds already (by folder and name, case folded), which is not stored again.
std::string AlreadyStored(std::string_view stored_path);
// A source whose folder and name another source given in the same command takes.
std::string SourceNameClash(std::string_view path, std::string_view stored_path);
// A source whose name differs only in letter case from another's in its folder (twin).
std::string CaseTwinSkipped(std::string_view path, std::string_view twin);
// A catalogue entry whose bytes overlap another entry's (a damaged size or position).
std::string EntryOverlaps(std::string_view stored_path);
// A file rebuilt on Windows under another name (stored paths, "\" between folders): device
// says Windows reserves the stored name ("aux.c"), else it ends in a dot or a space.
std::string RebuiltUnderWindowsName(std::string_view stored_path, std::string_view rebuilt_path,
                                    bool device);
// A second stored file of a name already rebuilt in this run.
std::string RebuiltTwice(std::string_view path);
// A stored file whose rebuilt copy would replace a file of the set being read.
std::string WouldReplaceSetFile(std::string_view path);
// A header named without ".pec", which no files can be stored into.
std::string HeaderWithoutExtension(std::string_view header_path);
// A set whose catalogue has a damaged entry, which nothing may be stored after.
std::string DamagedCatalogue(std::string_view header_path, std::string_view problem);
// A set replaced by another program after it was opened for reading.
std::string SetReplacedWhileRead(std::string_view header_path);

// Recovery files (engine/set_recovery.h).
std::string NoRecoveryFiles(std::string_view header_path);
std::string DamagedRecoveryFile(std::string_view path);
std::string OtherRecoveryFile(std::string_view path);
std::string NoUsableRecoveryFiles(std::string_view header_path);
std::string IncompleteRecoveryFile(std::string_view path);
std::string UnusableBlockSize(std::string_view path, std::uint64_t size);
std::string TooManyRecoveryBlocks(std::string_view path, std::uint64_t count);
// Packets past the memory recovery files may take (budget bytes), in the file at path.
std::string TooManyRecoveryPackets(std::string_view path, std::uint64_t budget);
// A file whose packets agree with several sets of recovery files, and belong to none for sure.
std::string UnplacedRecoveryFile(std::string_view path);
// Several sets of recovery files match the set's files equally well: which is its own cannot
// be told.
std::string RecoverySetsTie(std::string_view header_path, const std::vector<std::string>& paths);
// This program's adds changed the set since its recovery files were made: its header is newer,
// never damaged, and is left as it is, and the files added are not covered.
std::string RecoveryOlderThanSet(std::string_view header_path);
// The header in force reads as a sound set but is not the one the recovery files protect, and
// nothing recorded says how it came to be. files_then and files_now: the stored files each
// lists (files_then -1 when the recovery files do not say).
std::string HeaderDiffers(std::string_view header_path, std::int64_t files_then,
                          std::uint32_t files_now);
// Recovery files of a set that was replaced since by one made anew.
std::string RetiredRecoveryFile(std::string_view path);
// A set that replaced another took the replaced set's recovery files away (paths).
std::string RecoveryFilesRetired(std::string_view header_path,
                                 const std::vector<std::string>& paths);
// After a repair that put a header back: pieces beyond its end hold files stored after the
// recovery files were made. first and last name the pieces; kept_first and kept_last the names
// they were kept under ("" when they stayed where they were).
std::string FilesLostBeyond(std::string_view first, std::string_view last,
                            std::string_view kept_first, std::string_view kept_last);
// A file under a name protect writes that is not a recovery file of this set.
std::string NotOwnRecoveryFile(std::string_view path);
// A set whose recovery data would need blocks larger than this program reads.
std::string SetTooLargeToProtect(std::string_view header_path);
// What new recovery files can rebuild: "This covers any 1 lost piece, or 10 % damaged."
std::string RecoveryCovers(std::uint32_t whole_pieces, unsigned percent);
inline constexpr std::string_view kTooMuchLost = "Too much is lost to repair";
// kTooMuchLost, with how many blocks are lost and how many can rebuild them.
std::string TooMuchLost(std::uint32_t bad_blocks, std::uint32_t recovery_blocks);
// How much recovery data a repair of bad_blocks lost blocks of block_size bytes would need;
// total is that much as SizeText gives it.
std::string RepairWouldNeed(std::uint32_t bad_blocks, std::uint32_t recovery_blocks,
                            std::uint64_t block_size, std::string_view total);
inline constexpr std::string_view kRecoveryStopped = "Interrupted: nothing was changed";
std::string RepairedFileMismatch(std::string_view path);
std::string CannotRebuild(std::string_view header_path);

}  // namespace vornalis::messages
