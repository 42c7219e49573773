// PieceSet: one set of piece files, opened for filling or reading.
//
// A new set (first constructor) writes nothing until files are stored: the first stored file
// creates data piece 1, and Close writes the header file. An existing set (second constructor)
// reads its catalogue at once; the partly filled last piece, kept inside the header file while
// the set is closed, is laid out again as its own piece file unless the set is opened read-only.
//
// Operations return true on success; on failure they return false and leave the Status in
// LastStatus(), its message for the user in LastError(). Nothing throws, nothing is shown. A
// commit (Commit, and Close, which commits first) writes the catalogue into temporary files beside
// the header, flushes them and every piece written since the set was opened or last committed to
// the medium, and only then renames them into place, the header last. Pieces the header on disk
// still refers to are kept aside before their numbers are taken (aside_pieces.h), so whenever
// storing or committing fails or the process dies, the set opens either as it was at its last
// commit or as it is after. A new set that replaces an old one of the same name keeps the old one
// whole the same way until its first commit.
//
// Names: a file under one of the set's names is overwritten, renamed or removed only when it is
// provably the set's own (name_claims.h); new pieces are created only where no file is, and an
// add that would need a name another set's file or a stranger's file holds is refused before
// anything changes. The set's own files are never stored into it.
//
// A set open for storing holds a lock (the header's name + ".lock") from opening to closing: a
// second writer is refused at once, while readers see the set as it was last committed: a reader
// keeps the header it opened and reads the pieces that header refers to. The destructor closes
// a set that nobody closed. A PieceSet is used by one thread at a time, but for ExtractShare,
// which several threads may call at once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/aside_pieces.h"
#include "engine/byte_progress.h"
#include "engine/format.h"
#include "engine/opened_header.h"
#include "engine/piece_layout.h"
#include "engine/rebuild.h"
#include "engine/set_files.h"
#include "engine/status.h"
#include "engine/stored_file.h"
#include "platform/collation.h"
#include "platform/file_system.h"

namespace vornalis {

class CatalogueStreamWriter;

// Called by AddFiles after each stored file: the caller's context, the share of the work done
// (0 to 100), and the stored file's name, folder and size. Returning -1 stops AddFiles after
// this file; anything else goes on. It may not throw (the engine promises that nothing passes
// through it): a failure inside it is kept by the caller, which returns -1 and reports the
// failure once AddFiles has returned.
using ProgressCallback = int (*)(void* context, int percent, std::string name, std::string folder,
                                 std::uint64_t size) noexcept;

enum class SetAccess {
  kReadWrite,  // files may be stored; closing writes the catalogue
  kReadOnly,   // nothing on disk is touched, not even the last piece
};

// What a new set does when a set of its name exists already.
enum class NewSet {
  kRefuseExisting,   // it stores nothing; LastError() says the set exists
  kReplaceExisting,  // the old set stays whole until the new one's first commit, then goes
};

class PieceSet {
 public:
  // A new, empty set at base_path (the header path without ".pec"). A piece size below 20
  // bytes (too small for the header's fixed fields), a set of that name (unless it may be
  // replaced), or a header name held by another set's file make a set that refuses to store
  // anything, with the reason in LastError().
  PieceSet(std::string base_path, std::uint32_t piece_size,
           platform::FileSystem& fs = platform::RealFileSystem(),
           NewSet existing = NewSet::kRefuseExisting);
  // Opens the existing set at base_path. When its catalogue cannot be read, the set lists no
  // files, refuses AddFiles and writes nothing when closed; LastError() says why.
  explicit PieceSet(std::string base_path, SetAccess access = SetAccess::kReadWrite,
                    platform::FileSystem& fs = platform::RealFileSystem());
  // The same for the set whose files are spelt so (IdentifySetFile). A header named without
  // ".pec" lists and rebuilds, but takes no files: its pieces would have no names of the set.
  PieceSet(SetPaths paths, SetAccess access, platform::FileSystem& fs = platform::RealFileSystem());
  virtual ~PieceSet();
  PieceSet(const PieceSet&) = delete;
  PieceSet& operator=(const PieceSet&) = delete;

  // The smallest valid piece size is 20 bytes (format::kMinPieceSize); a smaller one fails with
  // the message that says so.
  static Status CheckPieceSize(std::uint32_t size);

  // Stores each file of `files` (only Folder and Name are read) that is not already in the
  // catalogue, from source_root + Folder + Name, calling back after each. A file counts as
  // stored already when a stored one has the same folder and name with letter case folded.
  // Files a set cannot hold (a name a rebuild would refuse) and the set's own files are left
  // out and listed in Skipped(). Small files reach the pieces several in one write, and a file
  // counts as stored (and the callback hears of it) once its bytes are written. On the first
  // failure it stops: the files stored before stay, the failing one (or every file a failed
  // write carried) gets no entry and its bytes are given back, so no entry points at bytes
  // that were not written. An add that would need a piece name that is not the set's to take
  // fails before anything changes. Stopping through the callback is no failure. work_folder is
  // kept for the callback's use only.
  bool AddFiles(const std::string& work_folder, const std::vector<StoredFile>& files, void* context,
                ProgressCallback callback, const std::string& source_root);
  // What the last AddFiles left out, and why.
  const std::vector<SkippedSource>& Skipped() const { return skipped_; }
  // Those of paths that are the set's own files, which AddFiles never stores (known as it knows
  // them, whatever their names): a caller may leave them out before it decides which folder the
  // others are stored relative to.
  std::vector<std::string> OwnSources(const std::vector<std::string>& paths);

  // Rebuilds the given catalogue entries (entries of Files(), or copies of them) below
  // target_folder, in the order their bytes lie or as given, telling observer after each; see
  // rebuild.h for what is promised. Returns false, with the message in LastError(), when the
  // target cannot be opened or made; failures of single files go to the observer only.
  bool ExtractFiles(const std::string& target_folder, const std::vector<const StoredFile*>& entries,
                    RebuildObserver* observer, RebuildOrder order = RebuildOrder::kByPosition);
  // ExtractFiles's work on one share of the entries (SplitForThreads, rebuild_shares.h), in the
  // order their bytes lie, for a caller that rebuilds on several threads: it uses the caller's
  // buffer (1 MiB) and changes nothing of the set's own (no last error, no byte progress), so
  // several threads may call it at once with disjoint shares while no other operation runs.
  // All of them read through the one header the set was opened with. Returns the failure to
  // open the target; failures of single files go to the observer, from the calling thread.
  Status ExtractShare(const std::string& target_folder, const std::vector<const StoredFile*>& share,
                      std::span<char> buffer, RebuildObserver* observer) const;
  // Rebuilds one catalogue entry as target_folder + Folder + Name.
  bool ExtractFile(const std::string& target_folder, const StoredFile& entry);
  // For callers that hold only a name: rebuilds the stored file with this folder and name as
  // target_folder + folder + name, in the caller's spelling. Returns true without touching the
  // disk when no such file is stored, and refuses a name that several stored files answer to.
  bool ExtractFile(const std::string& target_folder, const std::string& folder,
                   const std::string& name);

  // Tells bytes (or nobody, with null) how far the copying of each large file has come, while
  // AddFiles stores it or ExtractFiles rebuilds it. The set does not own it.
  void SetByteProgress(ByteProgress* bytes) { byte_progress_ = bytes; }

  // Opens data piece n for reading as this set knows it: a set opened for reading takes it
  // through the header it read (opened_header.h), which finds a piece a writer moved aside.
  Result<std::unique_ptr<platform::File>> OpenPiece(std::uint32_t n) const;

  // Number of stored files; *total_bytes receives the sum of their sizes (wrapping at 2^32).
  int GetTotals(std::uint32_t& total_bytes) const;
  // The sum of the stored files' sizes without wrapping, for totals shown to the user.
  std::uint64_t TotalBytes() const;

  // Makes everything stored so far part of the set on the medium, and keeps the set open for
  // storing more: a process that dies after it returned true loses none of it. It is the commit
  // Close makes (see above), and costs about as much: the whole catalogue is written and flushed.
  // Nothing is written when nothing was stored since the set was made, opened or last committed.
  // When it fails, the set is finished as a Close that fails leaves it (see there): as it was at
  // its last commit, storing nothing more; LastError() says why.
  bool Commit();
  // Commits the set and finishes it; later calls return the first result. The destructor calls
  // it when nobody did. When the new header could not take the place of the one on disk (a full
  // disk, a refused rename), the pieces written since the last commit are removed as by Discard,
  // so the set is as it was at its last commit.
  bool Close();
  // Finishes the set without writing anything: what was stored since it was made, opened or last
  // committed is thrown away (the pieces written are removed, pieces kept aside go back), so the
  // set on disk is as it was then, and a set that was to be replaced and was never committed
  // stays.
  void Discard();

  // What the last commit did to the set's recovery files: a set that replaced another removed the
  // replaced set's own recovery files (under the names protect gives them), which cover none of
  // it; an add to a set with recovery files beside it recorded what it did in the set's history
  // (set_history.h), and they are now older than the set.
  struct RecoveryFilesAfterCommit {
    std::vector<std::string> retired;
    bool older = false;
  };
  const RecoveryFilesAfterCommit& RecoveryFilesAfter() const { return recovery_after_; }

  // False when this set can store nothing: its catalogue could not be read, its piece size is
  // invalid, or it was opened read-only.
  bool CanStore() const { return refusal_.ok(); }
  // True for a new set that replaces an existing set of its name at its first commit, until then.
  bool Replaces() const { return replaces_; }
  // False when the catalogue of an existing set could not be read (LastError() says why).
  bool CatalogueRead() const { return catalogue_read_; }
  // The stored entry a file of this folder and name counts as (the same once letter case is
  // folded), or null.
  const StoredFile* Find(const std::string& folder, const std::string& name) const;
  // The one stored entry the user means by this folder and name: the entry spelt exactly so,
  // else the only one that answers to it with case ignored. Fails with kNotFound when there is
  // none, and with kAmbiguous when several answer and none is spelt exactly so.
  Result<const StoredFile*> FindUnique(const std::string& folder, const std::string& name) const;

  const std::vector<StoredFile>& Files() const { return Files_; }
  // The file system the set's files are reached through.
  platform::FileSystem& FileSystem() const { return fs_; }
  const std::string& BasePath() const { return BasePath_; }
  // The set's files as they are spelt on disk (a set copied from a FAT disk may use ".PEC").
  const SetPaths& Paths() const { return paths_; }
  const std::string& SetName() const { return SetName_; }
  const std::string& SourceRoot() const { return SourceRoot_; }
  const std::string& WorkFolder() const { return WorkFolder_; }
  // The message of the last failure, for the user.
  const std::string& LastError() const { return last_status_.message; }
  // The last failure: its kind and the file it concerns as well.
  const Status& LastStatus() const { return last_status_; }
  void ClearLastError() { last_status_ = Status::Ok(); }
  // Files found where the set keeps pieces aside that its writer did not leave, and ignored.
  std::vector<std::string> Warnings() const;
  // Entries whose bytes overlap another entry's: a damaged catalogue.
  const OverlapIndex& Overlaps() const { return overlaps_; }

  std::uint32_t PieceSize() const { return PieceSize_; }
  std::uint32_t PayloadSize() const { return PayloadSize_; }
  std::uint32_t LastPiece() const { return LastPiece_; }
  bool LastPieceOpen() const { return LastPieceOpen_; }
  std::uint32_t WritePos() const { return WritePos_; }
  // Number of overflow pieces of the catalogue read at opening (0 for a new set).
  std::uint32_t OverflowPieces() const { return overflow_pieces_; }
  // Number of catalogue blocks read at opening (0 for a new set).
  std::uint32_t CatalogueBlocks() const { return catalogue_blocks_; }
  // The extent of the stored bytes as they are now.
  SetShape Shape() const;
  // The form the set's catalogue has on disk once what it lists is committed (format.h): the
  // form it was read in, or the large form once it holds a file larger than the standard form's
  // records hold. A set never goes back to the standard form. A caller that compares it before
  // and after a command that committed knows whether that command changed the form, which it
  // tells the user once (messages::SetBecameLarge).
  format::CatalogueForm Form() const;
  // True for a set opened read-only whose partly filled last piece lies only in the header.
  bool TailInHeader() const { return access_ == SetAccess::kReadOnly && tail_length_ > 0; }

 private:
  struct PieceState {
    std::uint32_t last_piece;
    bool last_piece_open;
    std::uint32_t write_pos;
    std::string last_piece_name;
  };

  enum class Stored { kYes, kSkipped, kFailed, kStopped };

  // Keeps status as the last failure; returns false.
  bool Fail(Status status);
  // From now on AddFiles fails with status.
  void Refuse(Status status);
  bool TakeLock();
  // For a new set: what is under the header's name decides whether the set may be made.
  void CheckHeaderName(NewSet existing);
  bool ReadCatalogue();
  // Puts back what a writer of this set that died left aside for header (the header on disk,
  // null when there is none that can be read), and removes its temporary files and the pieces
  // it kept aside for a header that has been replaced since.
  void RemoveLeftovers(OpenedHeader* header);
  // Calls visit(n, path) for every piece aside of this set that record covers; false when the
  // folder could not be listed.
  template <typename Visit>
  bool ForEachAside(const AsideRecord& record, Visit visit);
  // Moves the pieces kept aside under record back under their names, where no other file is.
  void RestoreAsides(const AsideRecord& record);
  // Number n is about to be taken by a data piece or a new overflow piece: if the header on
  // disk refers to a piece of that number, the piece is moved aside first.
  bool KeepAside(std::uint32_t n);
  void RemoveAsides();
  // Removes the set's own pieces numbered above `last` (a set replaced, or left by a writer
  // that died).
  void RemovePiecesAbove(std::uint32_t last);
  // Flushes every data piece written since the set was opened to the medium.
  bool SyncWrittenPieces();
  bool WriteCatalogue();
  // After a commit: the set goes on from the header it wrote as if it had just been opened from
  // it; what the header it replaced needed is removed.
  void AdoptCommitted(std::uint32_t tail);
  // Ends a set whose commit failed: what was stored since the last commit is removed when the
  // header on disk is still the one from before.
  void EndFailedCommit();
  // Lets go of the buffers and the lock once the set is finished.
  void Release();
  // Fails before anything changes when storing work would need a piece name, or the new
  // catalogue an overflow piece name, that holds another set's file or a stranger's.
  bool CheckNamesAhead(const std::vector<StoredFile>& work);
  // Where the bytes of the stored files lie, for rebuilding them.
  PieceSource Source() const;
  // Remembers which files in the set's folder are the set's own, so none is stored.
  void CollectOwnFiles();
  bool IsOwnFile(platform::File& source, const std::string& source_path);
  // Stores work[index] (its bytes written, or gathered to be written with the next files');
  // its entry joins pending_.
  Stored StoreFile(std::vector<StoredFile>& work, std::size_t index);
  // A small file's bytes, read whole into gathered_ behind those gathered before.
  Stored GatherFile(platform::File& source, std::size_t index, StoredFile* entry);
  // Writes the gathered bytes to the current piece in one write. On failure the files they
  // belong to are given back.
  bool WriteGathered();
  // Makes the piece the next byte goes to ready: a new one, or the open last piece reopened.
  bool ReadyPiece();
  // Gives the last piece a file of its own when it has a second name, before it is appended to.
  bool UnshareLastPiece();
  // The current piece is full: starts its writeback and closes it.
  Status FinishPiece();
  // Moves the entries of the written pending files into Files_, telling the callback of each.
  // False when the callback asked to stop: the pending files after the one it heard of are given
  // back.
  bool AnnounceWritten(std::vector<StoredFile>& work, void* context, ProgressCallback callback);
  bool StartNewPiece();
  // The number of the last piece a file of size bytes stored next would reach.
  std::uint64_t LastPieceFor(std::uint64_t size) const;
  void GiveBack(const PieceState& before, std::uint32_t first_new_piece);
  // Gives back pending_[from] and every pending file after it.
  void GiveBackPending(std::size_t from);
  // Removes the pieces this object wrote and puts back what it moved aside (Discard, and a
  // Close whose header did not replace the one on disk).
  void RemoveWritten();
  // Before a commit's header takes its place, when the set has recovery files beside it: an add
  // records itself in the set's history (out holds the new header, finished); a set that
  // replaces another records the replaced set's recovery sets as retired. False when there was
  // nothing to record.
  bool RecordInHistory(const CatalogueStreamWriter& out);
  // After a replacing commit: the replaced set's recovery files go.
  void RemoveReplacedRecovery();

  platform::FileSystem& fs_;
  const platform::Collator& collator_;

  std::string SourceRoot_;
  std::string SetName_;
  std::string LastPieceName_;
  std::string CurrentPieceName_;
  bool LastPieceOpen_ = false;
  std::unique_ptr<platform::File> current_piece_;  // open only inside AddFiles
  std::vector<char> CopyBuffer_;
  // Files stored by AddFiles whose entries are not in Files_ yet, in order: the first
  // pending_written_ of them are on the piece, the rest wait in the first gathered_bytes_ bytes of
  // gathered_. A write per small file costs the kernel more than copying its bytes, so small
  // files reach the piece together; their entries join the catalogue only once written.
  struct Pending {
    std::size_t index;  // in AddFiles's work list
    PieceState before;  // the set before the file's bytes
    std::uint32_t first_new_piece;
  };
  std::vector<Pending> pending_;
  std::size_t pending_written_ = 0;
  std::vector<char> gathered_;  // its own buffer: nothing else may overwrite bytes that wait
  std::size_t gathered_bytes_ = 0;
  std::string BasePath_;
  SetPaths paths_;
  std::uint32_t LastPiece_ = 0;
  std::uint32_t WritePos_ = 0;
  std::uint32_t PieceSize_ = 0;
  std::uint32_t PayloadSize_ = 0;
  std::string WorkFolder_;
  std::vector<StoredFile> Files_;
  Status last_status_;

  SetAccess access_ = SetAccess::kReadWrite;
  Status refusal_;                     // why AddFiles is refused; ok when it is not
  bool modified_ = false;              // files stored since the set was made or opened
  bool last_piece_recreated_ = false;  // opening laid the tail out as its own piece file
  std::uint32_t tail_length_ = 0;      // L of the header read at opening
  std::uint32_t overflow_pieces_ = 0;
  std::uint32_t opened_last_piece_ = 0;  // LastPiece read at opening
  std::uint32_t catalogue_blocks_ = 0;
  std::uint32_t written_overflow_ = 0;  // overflow pieces of the catalogue Close wrote
  format::CatalogueForm form_ = format::CatalogueForm::kStandard;  // as read at opening
  std::uint32_t first_created_ = 1;  // pieces from here to LastPiece_ were made by this object
  std::uint32_t owner_ = 0;          // owner of the set's files: of its header, or this user
  ByteProgress* byte_progress_ = nullptr;
  std::unique_ptr<platform::Lock> lock_;     // held from opening for storing to closing
  std::unique_ptr<OpenedHeader> header_;     // the header read at opening, kept open
  std::unique_ptr<HeaderLock> header_lock_;  // lets threads share header_ (ExtractShare)
  platform::FileInfo header_on_disk_;        // the header a commit replaces (missing: none)
  bool catalogue_committed_ = false;         // this commit's header has replaced header_on_disk_
  bool replaces_ = false;                    // a new set that replaces the set on disk
  // Pieces the header on disk refers to that storing may take: they are kept aside first.
  std::uint32_t protect_first_ = 0;
  std::uint32_t protect_count_ = 0;
  AsideRecord aside_;  // pieces of the header on disk that are kept aside
  bool aside_record_written_ = false;
  std::vector<SkippedSource> skipped_;
  // The set's own files in its folder (device, inode), and the piece number each has, if any.
  struct OwnFile {
    std::uint64_t device, inode;
    std::uint32_t piece;
  };
  std::vector<OwnFile> own_files_;
  platform::FileInfo folder_info_;  // the set's folder
  OverlapIndex overlaps_;
  std::vector<std::string> warnings_;
  RecoveryFilesAfterCommit recovery_after_;
  bool catalogue_read_ = true;
  bool closed_ = false;
  bool close_result_ = true;
};

}  // namespace vornalis
