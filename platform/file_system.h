// FileSystem: the one door through which the engine and the front ends reach files and folders.
//
// Every operation reports failure as a Status (platform/status.h) holding the path and the
// system's error number, or a Result that holds the value or that Status; never by exception.
// The real implementation talks to the operating system; FaultFileSystem (fault_file_system.h)
// wraps another and makes chosen operations fail, so tests can check how callers cope with a
// full disk, a truncated file or a refused rename. A File is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/status.h"

namespace vornalis::platform {

// What the system tells of one entry of a folder, as lstat or fstat see it.
struct FileInfo {
  enum class Kind { kMissing, kRegular, kDirectory, kLink, kOther };
  Kind kind = Kind::kMissing;
  std::uint64_t size = 0;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t links = 0;  // names the file has (hard links)
  std::uint32_t owner = 0;  // user id

  bool exists() const { return kind != Kind::kMissing; }
  // The same file, whatever names lead to it.
  bool SameFile(const FileInfo& other) const {
    return exists() && other.exists() && device == other.device && inode == other.inode;
  }
};

// The user this process acts for, as owners of files are counted.
std::uint32_t CurrentUser();

// Error number for a path that names something other than a regular file (a FIFO, a device, a
// socket, a folder) where a file is expected: opening one could block forever or read endless
// bytes, so it is refused before any byte is read.
inline constexpr int kNotRegularFile = -1000;
// Error number for a file at a lock file's name that is not a lock file this user made (it has
// content, another owner or other names): it is neither taken nor removed.
inline constexpr int kNotALockFile = -1001;
// Error number for a file that ended before the bytes asked of it.
inline constexpr int kEndedEarly = -1002;

// An open file with one position that reads and writes advance.
class File {
 public:
  virtual ~File() = default;
  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  virtual const std::string& Path() const = 0;
  // Reads up to data.size() bytes; fewer only at the end of the file. The count read.
  virtual Result<std::size_t> Read(std::span<char> data) = 0;
  // The same at offset, leaving the position where it was.
  virtual Result<std::size_t> ReadAt(std::uint64_t offset, std::span<char> data) = 0;
  // Writes all of data (ENOSPC when the disk filled up).
  virtual Status Write(std::span<const char> data) = 0;
  virtual Status Seek(std::uint64_t offset) = 0;
  // The file's length in bytes.
  virtual Result<std::uint64_t> Size() = 0;
  // Closes the file; a write-back failure shows here.
  virtual Status Close() = 0;
  // Flushes the file's bytes to the medium and waits until they are there.
  virtual Status Sync() = 0;
  // Asks the system to start writing the file's bytes to the medium now, without waiting for
  // it, so that a later flush finds less to do. A hint: nothing is promised.
  virtual void StartWriteback() {}
  // The operating system's handle of a file of the real file system, so that copies between two
  // such files can be left to the kernel; -1 for any other file.
  virtual int SystemHandle() const { return -1; }
  // What the system tells of the open file itself (it may have no name, or another by now).
  virtual Result<FileInfo> Inspect() = 0;
};

// An open folder. Names given to it are single entries of this folder, never paths, and links
// are never followed through it: a stored file cannot be written outside the folder by a link
// planted inside it, whether the link was there before or appears later.
class Directory {
 public:
  virtual ~Directory() = default;
  Directory() = default;
  Directory(const Directory&) = delete;
  Directory& operator=(const Directory&) = delete;

  // The folder's path as it was opened, ending with a separator; for messages.
  virtual const std::string& Path() const = 0;
  // Opens the sub-folder `name`, creating it first when it is missing and create is set. A
  // symbolic link at that name is refused with ELOOP, anything but a folder with ENOTDIR.
  virtual Result<std::unique_ptr<Directory>> OpenChild(const std::string& name, bool create) = 0;
  // Creates a new, empty file in this folder under a name that starts with prefix and that no
  // other entry has; returns it open for writing, with its full path in File::Path().
  virtual Result<std::unique_ptr<File>> CreateUniqueFile(const std::string& prefix) = 0;
  // Replaces the entry `to` by the entry `from` in one step. A link or a file at `to` is
  // replaced itself, never written through; a folder at `to` makes the call fail.
  virtual Status Rename(const std::string& from, const std::string& to) = 0;
  virtual Status Remove(const std::string& name) = 0;
  // What the entry `name` is, without following a link there; ENOENT when there is none.
  virtual Result<FileInfo> Inspect(const std::string& name) = 0;

  // A new file in this folder that nobody can see until Publish names it: an unnamed file where
  // the system has them (it vanishes by itself if the process dies), else a file under a
  // temporary name that starts with temp_prefix. Either way it is open for writing.
  virtual Result<std::unique_ptr<File>> CreateNewFile(const std::string& temp_prefix) = 0;
  // Closes a file from CreateNewFile and gives it the name `name`. With kAny, an entry of that
  // name (a file or a link, never followed) is replaced in one step; a folder there makes it
  // fail. With kNever, a taken name fails with EEXIST and leaves `file` open and unnamed, so
  // the caller can look at what is there and publish again or discard. On any other outcome
  // `file` is consumed: on failure the new file is gone and, but for a close that fails after
  // the name was given, `name` is as it was.
  enum class Replace { kNever, kAny };
  virtual Status Publish(std::unique_ptr<File>& file, const std::string& name, Replace replace) = 0;
  // Throws away a file from CreateNewFile that will not be published.
  virtual void Discard(std::unique_ptr<File> file) = 0;
};

// An exclusive lock taken with FileSystem::LockFile; destroying it releases the lock, and so does
// the death of the process that holds it.
class Lock {
 public:
  virtual ~Lock() = default;
};

enum class OpenMode {
  kRead,    // existing file, read only
  kUpdate,  // existing file, read and write, nothing truncated
  kCreate,  // create or truncate, read and write; a link at path is refused, never followed
  // a new file, read and write: fails with EEXIST when anything (a file, a link, a folder) has
  // the name already, so nothing that was there is ever written through or truncated
  kCreateNew,
};

struct DirEntry {
  std::string name;
  bool is_directory = false;  // a folder, or a link to one
  bool is_link = false;       // a symbolic link
  bool is_regular = false;    // a regular file, or a link to one
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens path. Only regular files are opened: any other kind of entry fails with
  // kNotRegularFile, without blocking.
  virtual Result<std::unique_ptr<File>> Open(const std::string& path, OpenMode mode) = 0;
  virtual Status Remove(const std::string& path) = 0;
  // Replaces `to` by `from` in one step.
  virtual Status Rename(const std::string& from, const std::string& to) = 0;
  // Creates one folder level; succeeds when the folder already exists.
  virtual Status CreateDirectory(const std::string& path) = 0;
  virtual bool IsDirectory(const std::string& path) = 0;
  // A regular file, or a link to one (not a FIFO, socket, device or folder).
  virtual bool IsRegularFile(const std::string& path) = 0;
  virtual bool Exists(const std::string& path) = 0;
  // What is at path: the entry itself, or with follow_links what a link there leads to;
  // ENOENT when there is nothing.
  virtual Result<FileInfo> Inspect(const std::string& path, bool follow_links = false) = 0;
  // Opens an existing folder (following links in the path, which is the caller's own choice).
  virtual Result<std::unique_ptr<Directory>> OpenDirectory(const std::string& path) = 0;
  // The entries of a folder, "." and ".." left out, in the order the system gives them.
  virtual Result<std::vector<DirEntry>> ListDirectory(const std::string& path) = 0;
  // Creates a new, empty file whose name starts with prefix in folder, under a name no other
  // file has; returns it open for writing with its full path in File::Path().
  virtual Result<std::unique_ptr<File>> CreateUniqueFile(const std::string& folder,
                                                         const std::string& prefix) = 0;
  // Takes the exclusive advisory lock of path, creating the file, without waiting: fails with
  // EWOULDBLOCK while another process (or another Lock) holds it, and with kNotALockFile when the
  // name holds a file that is no empty lock file of this user. The file is removed when the lock
  // is released. Only programs that take the same lock are kept out.
  virtual Result<std::unique_ptr<Lock>> LockFile(const std::string& path) = 0;
  // Flushes the folder's own entries to the medium, so that names made, renamed or removed in
  // it last.
  virtual Status SyncFolderEntries(const std::string& folder) = 0;
  // The folder for temporary files, ending with a separator.
  virtual std::string TempFolder() = 0;
  // Gives `to` the permission bits of `from` (so a copied program stays executable).
  virtual Status CopyPermissions(const std::string& from, const std::string& to) = 0;

  // Puts what was written to the files at paths on the medium, as File::Sync on each would.
  // The default does just that; a system may do it for many files at once (POSIX: one syncfs
  // per file system, which waits for every file's data and flushes the device's cache once).
  // A failure (to open a file, or to flush it) names the file in path.
  virtual Status SyncFiles(const std::vector<std::string>& paths);

  // Creates every missing level of folder (a path ending with a separator or not); succeeds
  // when the folder exists afterwards.
  Status CreateDirectories(const std::string& folder);

  // Whether names in folder (ending with a separator, or "" for the current one) that differ
  // only in letter case name one file, as on FAT and NTFS: a name of entries (the folder's
  // listing) is looked up with the case of its letters turned. False when no name has a letter.
  bool IgnoresCase(const std::string& folder, const std::vector<DirEntry>& entries);

  // Copies n bytes from src's position to dst's position, advancing both. A failure names the
  // file that failed (src or dst) in its path; a source that ends first fails with kEndedEarly.
  // The default goes through buffer in chunks of buffer.size(); an implementation may let the
  // kernel copy instead, so no user memory is needed.
  virtual Status Copy(File& src, File& dst, std::uint64_t n, std::span<char> buffer);
};

// Copies n bytes from src's position to dst's position through buffer, in chunks of
// buffer.size(), with the failures of FileSystem::Copy; the default Copy is this. Storing calls
// it straight: packing 1 GiB into pieces took a fifth more CPU through the kernel's copy, which
// rebuilding gains from.
Status CopyThroughBuffer(File& src, File& dst, std::uint64_t n, std::span<char> buffer);

// The operating system's file system, shared by the whole process.
FileSystem& RealFileSystem();

// Text for an error number, such as "No space left on device".
std::string ErrorText(int error);

}  // namespace vornalis::platform
