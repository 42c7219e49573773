// OpenedHeader: a set's header file as one reader opened it, and the pieces it refers to.
//
// The header stays open for as long as the reader works with the set, so the tail of a closed
// set (which lives in the header) is read from the very file the catalogue came from, whatever a
// writer renames over the name meanwhile. Pieces are opened as this header knows them: a writer
// moves a piece it is about to replace aside first (aside_pieces.h), and a piece aside under a
// record that belongs to this header is taken from there, looked for again after every open by
// name so that a piece replaced in between is noticed. Once a writer has put a new header in
// place and cleaned up, the old pieces are gone; DataPiecesValid tells whether what stands under
// the names is still what this header meant.
//
// Several threads may rebuild from one OpenedHeader at once when it is given a HeaderLock: the
// operations that keep notes (OpenPiece, CurrentRecord, IsSetFile) then take it, and the tail is
// read with positioned reads (file().ReadAt), which move no shared position. Without a lock, as in
// the self-assembling stub, which starts no thread, it is for one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/aside_pieces.h"
#include "engine/set_files.h"
#include "platform/file_system.h"

namespace vornalis {

// Held around an OpenedHeader's bookkeeping by the threads that share it.
class HeaderLock {
 public:
  virtual ~HeaderLock() = default;
  virtual void Lock() noexcept = 0;
  virtual void Unlock() noexcept = 0;
};

class OpenedHeader {
 public:
  OpenedHeader(platform::FileSystem& fs, SetPaths paths);
  OpenedHeader(const OpenedHeader&) = delete;
  OpenedHeader& operator=(const OpenedHeader&) = delete;

  // From now on the bookkeeping is done under lock (null: no lock), which outlives this header
  // or is taken away first.
  void SetLock(HeaderLock* lock) { lock_ = lock; }

  // Opens the header file. Nothing here moves file()'s position.
  Status Open();
  platform::File& file() { return *file_; }
  const SetPaths& paths() const { return paths_; }
  platform::FileSystem& fs() { return fs_; }
  // The header file as it was opened: its identity and its owner.
  const platform::FileInfo& info() const { return info_; }

  // Told once the header's fields are read: it refers to pieces 1 to last_piece +
  // overflow_count. Remembers which file data piece 1 is, when the set has one.
  void SetExtent(std::uint32_t last_piece, std::uint32_t overflow_count, bool has_piece_one);

  // Opens data or overflow piece n as this header knows it: from aside when a writer moved it
  // there under a record of this header, else under its name.
  Result<std::unique_ptr<platform::File>> OpenPiece(std::uint32_t n);
  // The record of pieces aside that belongs to this header, if there is one now.
  Result<AsideRecord> CurrentRecord();

  // True while the header's name still leads to the file opened.
  bool StillCurrent();
  // True while the data pieces under their names hold what this header refers to: the header
  // is current, or a writer has only appended to the set since (data piece 1 is the same file,
  // which a writer that replaced the set would have made anew).
  bool DataPiecesValid();

  // Whether info is the header or one of the set's pieces, aside ones included: a rebuilt file
  // must never replace a file of the set it is read from.
  bool IsSetFile(const platform::FileInfo& info);

  // Lets the header file go, keeping what was learnt of it. For a writer, which holds the set's
  // lock and has read all it needs: a system that cannot rename over an open file (Windows
  // before 10, Wine) could otherwise never replace the header. file() and CurrentRecord may not
  // be used afterwards.
  void Release() { file_.reset(); }

  // Things found and ignored on the way (files planted where pieces aside would be).
  const std::vector<std::string>& warnings() const { return warnings_; }
  // The bytes of the tail that run past the header into the first overflow piece (at most 11),
  // kept while the catalogue is read so that the tail never needs that piece again.
  std::string tail_spill;

 private:
  // Holds the lock, when there is one, for its lifetime.
  class Locked {
   public:
    explicit Locked(HeaderLock* lock) : lock_(lock) {
      if (lock_ != nullptr) lock_->Lock();
    }
    ~Locked() {
      if (lock_ != nullptr) lock_->Unlock();
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

   private:
    HeaderLock* lock_;
  };

  void Warn(std::string text);
  Result<AsideRecord> CurrentRecordLocked();
  Result<std::unique_ptr<platform::File>> OpenAside(std::uint32_t n);

  platform::FileSystem& fs_;
  SetPaths paths_;
  HeaderLock* lock_ = nullptr;
  std::unique_ptr<platform::File> file_;
  platform::FileInfo info_;
  std::uint32_t last_piece_ = 0;
  std::uint32_t overflow_count_ = 0;
  platform::FileInfo piece_one_;
  bool hashed_ = false;
  std::uint64_t header_size_ = 0;
  std::uint64_t header_hash_ = 0;
  bool ids_collected_ = false;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> set_file_ids_;  // device, inode
  std::vector<std::string> warnings_;
};

}  // namespace vornalis
