#include "engine/rebuild.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <map>
#include <optional>

#include "engine/format.h"
#include "engine/messages.h"
#include "engine/set_files.h"
#include "engine/stored_path.h"
#include "platform/path.h"

namespace vornalis {
namespace {

// Segments this long or longer are handed to FileSystem::Copy, which lets the kernel copy them;
// shorter ones are served from a window of the piece read into the buffer, so a piece full of
// small files costs two reads rather than one call per file.
constexpr std::uint32_t kDirectCopyMin = 64 * 1024;

// More folders than this open at once are closed again, to stay well inside the process's
// limit of open files; they are entered again when needed.
constexpr std::size_t kMaxOpenFolders = 64;
// Pieces left open after use, so that files rebuilt out of the order their bytes lie in do not
// open the same pieces again and again; the least recently used one is closed first.
constexpr std::size_t kMaxKeptPieces = 64;

Status IoError(std::string path, std::string message) {
  return Status::Error(Status::Code::kIo, std::move(path), std::move(message));
}

// A failed write of dst, named by dst_path: the file the user knows, not its temporary name.
Status WriteFailedAs(const Status& status, const std::string& dst_path) {
  return messages::WriteFailed(status.For(dst_path));
}

}  // namespace

// Reads segments of data pieces, keeping the current piece and the last ones used open between
// calls and checking each piece's head when it is opened.
class Rebuilder::PieceReader {
 public:
  PieceReader(const PieceSource& source, std::span<char> buffer)
      : source_(source), buffer_(buffer) {}

  // Makes piece n the open one.
  Status Open(std::uint32_t n) {
    if (n == number_ && (piece_ || tail_)) return Status::Ok();
    Keep();
    tail_ = false;
    window_length_ = 0;
    number_ = n;
    if (n == source_.tail_piece && source_.header != nullptr) {
      tail_ = true;
      return Status::Ok();
    }
    const auto kept = std::find_if(kept_.begin(), kept_.end(),
                                   [n](const KeptPiece& piece) { return piece.number == n; });
    if (kept != kept_.end()) {
      piece_ = std::move(kept->file);
      position_ = kept->position;
      kept_.erase(kept);
      return Status::Ok();
    }
    std::string path = source_.paths.Piece(n);
    Result<std::unique_ptr<platform::File>> opened =
        source_.header == nullptr ? source_.fs.Open(path, platform::OpenMode::kRead)
                                  : source_.header->OpenPiece(n);
    // A missing piece, or a file that is not the piece, may be on another disk: the locator,
    // when there is one, says where to look next, until the piece is found or given up.
    for (;;) {
      Status refusal;
      if (opened.ok()) {
        piece_ = opened.take();
        const Status proven = Prove(n, path);
        if (proven.ok()) break;
        if (proven.code != Status::Code::kFormat) return Fail(proven);
        refusal = proven;
      } else if (opened.error() != ENOENT) {
        return Fail(messages::OpenFailed(opened.status()));
      }
      if (source_.locator == nullptr ||
          std::find(given_up_.begin(), given_up_.end(), n) != given_up_.end())
        return Fail(refusal.ok() ? messages::OpenFailed(opened.status()) : refusal);
      const std::string elsewhere = source_.locator->Locate(n, path, refusal.message);
      if (elsewhere.empty()) {
        given_up_.push_back(n);
        return Fail(refusal.ok() ? messages::OpenFailed(opened.status()) : refusal);
      }
      piece_.reset();
      opened = source_.fs.Open(elsewhere, platform::OpenMode::kRead);
      path = elsewhere;
    }
    position_ = format::kPieceHeadSize;
    return Status::Ok();
  }

  // Whether the open piece, found at path, is piece n of the set: kFormat when it is not (its
  // head, or the proof the source has), another failure when it cannot be read.
  Status Prove(std::uint32_t n, const std::string& path) {
    // Opened first, then checked: a writer that replaced the set since the catalogue was read
    // may have removed what this piece was.
    if (source_.header != nullptr && !source_.header->DataPiecesValid()) {
      const std::string header = source_.paths.Header();
      return IoError(header, messages::SetReplacedWhileRead(header));
    }
    std::array<char, format::kPieceHeadSize> head{};
    const Result<std::size_t> read = piece_->ReadAt(0, head);
    if (!read.ok()) return messages::ReadFailed(read.status());
    if (!IsPieceHead(std::span<const char>(head.data(), *read), n))
      return Status::Error(Status::Code::kFormat, path, messages::InvalidPiece(path));
    if (source_.proof != nullptr)
      if (Status proven = source_.proof->Prove(n, *piece_, path); !proven.ok()) return proven;
    if (Status seek = piece_->Seek(format::kPieceHeadSize); !seek.ok())
      return messages::ReadFailed(seek);
    return Status::Ok();
  }

  // Copies segment's bytes to the end of dst; a failed write names dst_path, the file the user
  // knows, rather than dst's temporary name.
  Status Copy(const PieceSegment& segment, platform::File& dst, const std::string& dst_path) {
    if (Status status = Open(segment.piece); !status.ok()) return status;
    if (tail_) return CopyFromTail(segment, dst, dst_path);
    const std::uint64_t end = std::uint64_t{segment.offset} + segment.length;
    if (segment.length >= kDirectCopyMin) {
      window_length_ = 0;  // the copy may pass through the buffer
      if (position_ != segment.offset) {
        if (Status seek = piece_->Seek(segment.offset); !seek.ok())
          return messages::ReadFailed(seek);
      }
      position_ = end;
      Status copy = source_.fs.Copy(*piece_, dst, segment.length, buffer_);
      if (copy.ok()) return copy;
      if (copy.path == dst.Path()) return WriteFailedAs(copy, dst_path);
      position_ = ~0ull;  // unknown after a failed copy
      return messages::ReadFailed(copy);
    }
    if (segment.offset < window_start_ || end > window_start_ + window_length_) {
      // Where the last read ended, the bytes that follow are read ahead; a segment elsewhere
      // (files rebuilt out of the order their bytes lie in) is read alone, as reading ahead
      // from it would cost more than the segment.
      const bool sequential = segment.offset == position_;
      const std::uint64_t most = sequential ? buffer_.size() : segment.length;
      if (Status status = FillWindow(segment.offset, most); !status.ok()) return status;
      if (end > window_start_ + window_length_)
        return messages::ReadFailed(Status::System(platform::kEndedEarly, piece_->Path()));
    }
    Status written = dst.Write(buffer_.subspan(segment.offset - window_start_, segment.length));
    return written.ok() ? written : WriteFailedAs(written, dst_path);
  }

 private:
  Status Fail(Status status) {
    piece_.reset();
    tail_ = false;
    return status;
  }

  // Sets the open piece aside, most recent first, closing the oldest beyond the limit.
  void Keep() {
    if (!piece_) return;
    kept_.insert(kept_.begin(), KeptPiece{number_, std::move(piece_), position_});
    if (kept_.size() > kMaxKeptPieces) kept_.pop_back();
  }

  // Reads up to most bytes of the piece (no more than the buffer holds) from offset on.
  Status FillWindow(std::uint64_t offset, std::uint64_t most) {
    window_length_ = 0;
    if (position_ != offset) {
      if (Status seek = piece_->Seek(offset); !seek.ok()) return messages::ReadFailed(seek);
    }
    const auto want = static_cast<std::size_t>(
        std::min<std::uint64_t>({most, buffer_.size(), source_.shape.piece_size - offset}));
    const Result<std::size_t> read = piece_->Read(buffer_.first(want));
    if (!read.ok()) {
      position_ = ~0ull;
      return messages::ReadFailed(read.status());
    }
    position_ = offset + *read;
    window_start_ = offset;
    window_length_ = *read;
    return Status::Ok();
  }

  // The tail of a closed set lies in the header, from offset 20 on, held open since the
  // catalogue was read; its last few bytes may lie past the header's end, kept in memory.
  Status CopyFromTail(const PieceSegment& segment, platform::File& dst,
                      const std::string& dst_path) {
    OpenedHeader& header = *source_.header;
    platform::File& file = header.file();
    const Result<std::uint64_t> size = file.Size();
    if (!size.ok()) return messages::ReadFailed(size.status());
    const std::uint64_t at = std::uint64_t{segment.offset} - format::kPieceHeadSize;  // in tail
    const std::uint64_t in_file = *size - format::kHeaderFixedSize;
    const std::uint64_t from_file =
        at < in_file ? std::min<std::uint64_t>(segment.length, in_file - at) : 0;
    // Positioned reads through the buffer: the header may be shared with other threads, so
    // nothing here moves its position.
    window_length_ = 0;
    for (std::uint64_t copied = 0; copied < from_file;) {
      const auto want =
          static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size(), from_file - copied));
      const Result<std::size_t> read =
          file.ReadAt(format::kHeaderFixedSize + at + copied, buffer_.first(want));
      if (!read.ok()) return messages::ReadFailed(read.status());
      if (*read == 0)
        return messages::ReadFailed(Status::System(platform::kEndedEarly, file.Path()));
      if (Status written = dst.Write(buffer_.first(*read)); !written.ok())
        return WriteFailedAs(written, dst_path);
      copied += *read;
    }
    const std::uint64_t spilled = segment.length - from_file;
    if (spilled == 0) return Status::Ok();
    const std::uint64_t spill_at = at + from_file - in_file;
    if (spill_at + spilled > header.tail_spill.size())
      return messages::ReadFailed(Status::System(platform::kEndedEarly, file.Path()));
    Status written = dst.Write(std::span<const char>(header.tail_spill.data() + spill_at,
                                                     static_cast<std::size_t>(spilled)));
    return written.ok() ? written : WriteFailedAs(written, dst_path);
  }

  const PieceSource& source_;
  std::span<char> buffer_;
  std::uint32_t number_ = 0;
  std::unique_ptr<platform::File> piece_;
  bool tail_ = false;           // piece number_ is the tail kept in the header
  std::uint64_t position_ = 0;  // offset in the piece that the next read starts at
  std::uint64_t window_start_ = 0;
  std::uint64_t window_length_ = 0;  // bytes of the piece held in the buffer
  struct KeptPiece {
    std::uint32_t number;
    std::unique_ptr<platform::File> file;
    std::uint64_t position;
  };
  std::vector<KeptPiece> kept_;  // open pieces other than the current one, most recent first
  std::vector<std::uint32_t> given_up_;  // missing pieces the locator gave up
};

Rebuilder::Rebuilder(const PieceSource& source, std::span<char> buffer, ByteProgress* bytes)
    : source_(source),
      buffer_(buffer),
      bytes_(bytes),
      pieces_(std::make_unique<PieceReader>(source_, buffer)) {}

Rebuilder::~Rebuilder() = default;

Status Rebuilder::OpenTarget(const std::string& target_folder) {
  folders_.clear();
  target_.reset();
  const std::string folder = platform::WithSeparator(target_folder);
  if (Status made = source_.fs.CreateDirectories(folder); !made.ok())
    return messages::CreateFailed(made);
  Result<std::unique_ptr<platform::Directory>> opened = source_.fs.OpenDirectory(folder);
  if (!opened.ok()) return messages::CreateFailed(opened.status());
  target_ = opened.take();
  return Status::Ok();
}

Status Rebuilder::EnterFolder(const std::string& stored_folder, platform::Directory** directory) {
  *directory = target_.get();
  if (stored_folder.empty()) return Status::Ok();
  // Start from the deepest folder already entered that leads to this one.
  std::size_t done = 0;
  for (const auto& [folder, open] : folders_) {
    if (folder.size() > done && stored_folder.compare(0, folder.size(), folder) == 0) {
      done = folder.size();
      *directory = open.get();
    }
  }
  while (done < stored_folder.size()) {
    const std::size_t end = stored_folder.find(format::kStoredSeparator, done);
    const std::string name = stored_folder.substr(done, end - done);
    Result<std::unique_ptr<platform::Directory>> opened = (*directory)->OpenChild(name, true);
    if (!opened.ok()) {
      const std::string path = (*directory)->Path() + name;
      if (opened.error() == ELOOP)
        return Status::Error(Status::Code::kRefused, path, messages::RefusedLink(path));
      return messages::CreateFailed(opened.status());
    }
    std::unique_ptr<platform::Directory> child = opened.take();
    if (folders_.size() >= kMaxOpenFolders) {
      // Keep the chain being walked; the others are entered again when needed.
      std::erase_if(folders_, [&](const auto& entry) {
        return stored_folder.compare(0, entry.first.size(), entry.first) != 0;
      });
    }
    done = end + 1;
    *directory = child.get();
    folders_.emplace_back(stored_folder.substr(0, done), std::move(child));
  }
  return Status::Ok();
}

Status Rebuilder::Rebuild(const StoredFile& entry, bool twin_rebuilt, const Renaming* rebuilt_as) {
  const std::string stored_path = entry.Folder + entry.Name;
  if (!IsSafeStoredPath(entry.Folder, entry.Name))
    return Status::Error(Status::Code::kRefused, stored_path,
                         messages::UnsafeStoredPath(entry.Folder, entry.Name));
  if (Status placed = CheckEntry(entry, source_.shape, source_.overlaps); !placed.ok())
    return placed;
  if (!target_) return IoError("", messages::CantCreate(stored_path));
  const std::string& folder = rebuilt_as ? rebuilt_as->folder : entry.Folder;
  const std::string& name = rebuilt_as ? rebuilt_as->name : entry.Name;

  // The first piece is opened before anything is made, so a missing piece leaves no trace.
  if (entry.Size > 0) {
    if (Status status = pieces_->Open(entry.Piece); !status.ok()) return status;
  }
  platform::Directory* directory = nullptr;
  if (Status status = EnterFolder(folder, &directory); !status.ok()) return status;
  const std::string path = directory->Path() + name;

  // The file is written where nobody sees it and takes its name only once whole.
  Result<std::unique_ptr<platform::File>> created =
      directory->CreateNewFile(std::string(format::kTempPrefix));
  if (!created.ok()) return messages::CreateFailed(created.status().For(path));
  std::unique_ptr<platform::File> file = created.take();

  SegmentWalker walker(entry, source_.shape.piece_size);
  PieceSegment segment;
  std::uint64_t done = 0;
  while (walker.Next(&segment)) {
    // A large file is copied in chunks, so the caller hears of it while it goes on.
    for (std::uint64_t at = 0; at < segment.length; at += ByteProgress::kChunk) {
      const auto offset = static_cast<std::uint32_t>(segment.offset + at);
      const auto length = static_cast<std::uint32_t>(
          std::min<std::uint64_t>(segment.length - at, ByteProgress::kChunk));
      const PieceSegment chunk{segment.piece, offset, length};
      if (Status status = pieces_->Copy(chunk, *file, path); !status.ok()) {
        directory->Discard(std::move(file));
        return status;
      }
      done += chunk.length;
      if (bytes_ != nullptr && entry.Size > ByteProgress::kChunk &&
          !bytes_->Copied(done, entry.Size)) {
        directory->Discard(std::move(file));
        return Status::Error(Status::Code::kStopped, path, "");
      }
    }
  }
  Status published = Publish(*directory, std::move(file), name, path, twin_rebuilt);
  if (!published.ok() || rebuilt_as == nullptr) return published;
  return Status::Error(Status::Code::kRenamed, path,
                       messages::RebuiltUnderWindowsName(
                           stored_path, folder + name, rebuilt_as->reason == WindowsName::kDevice));
}

bool Rebuilder::IsSetFile(const platform::FileInfo& info) {
  if (source_.header != nullptr) return source_.header->IsSetFile(info);
  // A set being written, whose header is not on disk yet: its pieces by name.
  for (std::uint32_t n = 1; n <= source_.shape.last_piece && n != 0; ++n) {
    const Result<platform::FileInfo> piece = source_.fs.Inspect(source_.paths.Piece(n));
    if (piece.ok() && piece->SameFile(info)) return true;
  }
  return false;
}

Status Rebuilder::Publish(platform::Directory& directory, std::unique_ptr<platform::File> file,
                          const std::string& name, const std::string& path, bool twin_rebuilt) {
  Status published = directory.Publish(file, name, platform::Directory::Replace::kNever);
  if (published.error == EEXIST) {
    // Something has the name: an older file is replaced, as the user asked for this folder,
    // unless it is one of the set's own files or was rebuilt in this run from another entry.
    const Result<platform::FileInfo> there = directory.Inspect(name);
    const bool twice = twin_rebuilt;
    if (twice || (there.ok() && IsSetFile(*there))) {
      directory.Discard(std::move(file));
      return Status::Error(
          Status::Code::kRefused, path,
          twice ? messages::RebuiltTwice(path) : messages::WouldReplaceSetFile(path));
    }
    published = directory.Publish(file, name, platform::Directory::Replace::kAny);
  }
  return published.ok() ? published : messages::CreateFailed(published.For(path));
}

namespace {

int CompareIgnoringAsciiCase(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int x = (a[i] >= 'A' && a[i] <= 'Z') ? a[i] + 32 : a[i];
    const int y = (b[i] >= 'A' && b[i] <= 'Z') ? b[i] + 32 : b[i];
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// For each entry of order, the index of its group of entries whose folders and names are the
// same but for letter case (ASCII): in one folder they are one file, on a system that ignores
// case, or twice the same name. kAlone for an entry with no such twin.
constexpr std::uint32_t kAlone = 0xFFFFFFFFu;
std::vector<std::uint32_t> TwinGroups(const std::vector<const StoredFile*>& order) {
  std::vector<std::uint32_t> index(order.size());
  for (std::uint32_t i = 0; i < index.size(); ++i) index[i] = i;
  auto compare = [&](std::uint32_t a, std::uint32_t b) {
    const int by_folder = CompareIgnoringAsciiCase(order[a]->Folder, order[b]->Folder);
    return by_folder != 0 ? by_folder : CompareIgnoringAsciiCase(order[a]->Name, order[b]->Name);
  };
  std::sort(index.begin(), index.end(),
            [&](std::uint32_t a, std::uint32_t b) { return compare(a, b) < 0; });
  std::vector<std::uint32_t> group(order.size(), kAlone);
  for (std::size_t i = 1; i < index.size(); ++i) {
    if (compare(index[i - 1], index[i]) != 0) continue;
    const std::uint32_t id =
        group[index[i - 1]] != kAlone ? group[index[i - 1]] : static_cast<std::uint32_t>(i);
    group[index[i - 1]] = id;
    group[index[i]] = id;
  }
  return group;
}

// For each entry of order, the path it is rebuilt under on Windows when Windows would not keep
// its stored one; none for the others. Names kept as stored are taken first; a changed name that
// meets a name another entry of the run is rebuilt under (not its own twin in case, which the
// twin rule refuses) gets one more "_" in front until it meets none. Names meet as Windows
// compares them, letter case ignored (ASCII, as for twins).
std::vector<std::optional<Rebuilder::Renaming>> WindowsRenamings(
    const std::vector<const StoredFile*>& order, const std::vector<std::uint32_t>& group) {
  std::vector<std::optional<Rebuilder::Renaming>> renamings(order.size());
  bool any = false;
  for (std::size_t i = 0; i < order.size(); ++i) {
    Rebuilder::Renaming as;
    as.folder = WindowsAcceptedFolder(order[i]->Folder, &as.reason);
    const WindowsName judged = JudgeWindowsName(order[i]->Name);
    if (as.reason == WindowsName::kKept || judged == WindowsName::kDevice) as.reason = judged;
    if (as.reason == WindowsName::kKept) continue;
    as.name = WindowsAcceptedName(order[i]->Name);
    renamings[i] = std::move(as);
    any = true;
  }
  if (!any) return renamings;
  // Who each rebuilt path belongs to: an entry's twin group, or the entry alone.
  const auto owner = [&](std::size_t i) -> std::uint64_t {
    return group[i] != kAlone ? group[i] : (std::uint64_t{1} << 32) + i;
  };
  std::map<std::string, std::uint64_t> taken;
  for (std::size_t i = 0; i < order.size(); ++i)
    if (!renamings[i]) taken.emplace(FoldAscii(order[i]->Folder + order[i]->Name), owner(i));
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (!renamings[i]) continue;
    Rebuilder::Renaming& as = *renamings[i];
    for (;;) {
      const auto [at, free] = taken.emplace(FoldAscii(as.folder + as.name), owner(i));
      if (free || at->second == owner(i)) break;
      as.name.insert(0, 1, '_');
    }
  }
  return renamings;
}

}  // namespace

Status RebuildFiles(const PieceSource& source, const std::string& target_folder,
                    const std::vector<const StoredFile*>& entries, std::span<char> buffer,
                    RebuildObserver* observer, ByteProgress* bytes, RebuildOrder rebuild_order) {
  if (entries.empty()) return Status::Ok();
  Rebuilder rebuilder(source, buffer, bytes);
  if (Status status = rebuilder.OpenTarget(target_folder); !status.ok()) return status;
  std::vector<const StoredFile*> order(entries);
  if (rebuild_order == RebuildOrder::kByPosition) {
    // In the order the bytes lie: by piece, then by position in it.
    std::stable_sort(order.begin(), order.end(), [](const StoredFile* x, const StoredFile* y) {
      return x->Piece != y->Piece ? x->Piece < y->Piece : x->Offset < y->Offset;
    });
  }
  // Of entries of one name, the first rebuilt keeps the name; the others never replace it.
  const std::vector<std::uint32_t> group = TwinGroups(order);
  const std::vector<std::optional<Rebuilder::Renaming>> renamings =
      source.windows_names ? WindowsRenamings(order, group)
                           : std::vector<std::optional<Rebuilder::Renaming>>(order.size());
  std::vector<bool> group_rebuilt(order.size(), false);
  for (std::size_t i = 0; i < order.size(); ++i) {
    const bool twin_rebuilt = group[i] != kAlone && group_rebuilt[group[i]];
    const Status status =
        rebuilder.Rebuild(*order[i], twin_rebuilt, renamings[i] ? &*renamings[i] : nullptr);
    // Stopped inside a large file: it was given up, and no other follows.
    if (status.code == Status::Code::kStopped) break;
    const bool whole = status.ok() || status.code == Status::Code::kRenamed;
    if (whole && group[i] != kAlone) group_rebuilt[group[i]] = true;
    if (observer != nullptr && !observer->Rebuilt(*order[i], status)) break;
  }
  return Status::Ok();
}

}  // namespace vornalis
