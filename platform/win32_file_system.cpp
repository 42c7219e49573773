// The real file system on Windows, through the Win32 API with wide-character names.
//
// - Names are given to the system verbatim (win32_path.h), so no name is shortened, turned into
//   a device or limited to 260 characters.
// - Every file is opened with FILE_SHARE_DELETE, so that a writer can replace a header or piece
//   that a reader holds open while the reader keeps the file it opened.
// - Links and junctions (reparse points) are never followed where a file is written or a folder
//   entered through a Directory, and a Directory holds its folder open without sharing it for
//   deletion, so the folder cannot be renamed and replaced by a link while it is used.
// - Files are renamed through their handle, with POSIX semantics where Windows has them (the
//   name changes even while another program holds the old file open), else as Windows did
//   before; copies go through the caller's buffer.
// - Failures carry errno values, so the layers above read them as on every other system.
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/file_system.h"
#include "platform/path.h"
#include "platform/unique_name.h"
#include "platform/win32_path.h"

namespace vornalis::platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_LOCK_VIOLATION:
      return EWOULDBLOCK;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_PARAMETER:
      return EINVAL;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_CANT_RESOLVE_FILENAME:
      return ELOOP;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    default:
      return EIO;
  }
}

// The failure of the Win32 call just made on path.
Status Failed(const std::string& path) { return Status::System(ErrnoOf(::GetLastError()), path); }

// A single entry's name as Windows can hold it: no separators, no ":" (which would name a
// stream of another file), none of <>"|?* and no control characters.
bool IsEntryName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (const char c : name)
    if (static_cast<unsigned char>(c) < 32 || std::strchr("<>:\"/\\|?*", c) != nullptr)
      return false;
  return true;
}

// Opens an entry itself (a link as the link, with follow unset) with the access given.
HANDLE OpenEntry(const std::wstring& path, DWORD access, bool follow) {
  return ::CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT),
                       nullptr);
}

// A reparse point that leads elsewhere: a symbolic link or a junction. Other reparse points
// (files kept in the cloud, deduplicated files) are ordinary files to their users.
bool IsLink(HANDLE handle, DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag)) return true;
  return tag.ReparseTag == IO_REPARSE_TAG_SYMLINK || tag.ReparseTag == IO_REPARSE_TAG_MOUNT_POINT;
}

Result<FileInfo> InfoOfHandle(HANDLE handle, const std::string& path) {
  BY_HANDLE_FILE_INFORMATION data{};
  if (!::GetFileInformationByHandle(handle, &data)) return Failed(path);
  FileInfo info;
  const DWORD attributes = data.dwFileAttributes;
  info.kind = IsLink(handle, attributes)                     ? FileInfo::Kind::kLink
              : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileInfo::Kind::kDirectory
              : ::GetFileType(handle) == FILE_TYPE_DISK      ? FileInfo::Kind::kRegular
                                                             : FileInfo::Kind::kOther;
  info.size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  info.device = data.dwVolumeSerialNumber;
  info.inode = (std::uint64_t{data.nFileIndexHigh} << 32) | data.nFileIndexLow;
  info.links = data.nNumberOfLinks;
  info.owner = 0;  // files are the user's; Windows tells owners apart by access rights
  return info;
}

Result<FileInfo> InspectPath(const std::string& path, bool follow) {
  const HANDLE handle = OpenEntry(SystemPath(path), FILE_READ_ATTRIBUTES, follow);
  if (handle == INVALID_HANDLE_VALUE) return Failed(path);
  Result<FileInfo> info = InfoOfHandle(handle, path);
  ::CloseHandle(handle);
  return info;
}

// The native name of a verbatim path, as renaming by handle wants it ("\??\C:\...").
std::wstring NtPath(std::wstring path) {
  if (path.size() > 1) path[1] = L'?';
  return path;
}

// Renaming by handle as Windows 10 does it, where flags take the place of ReplaceIfExists
// (FILE_RENAME_INFO and FileRenameInfoEx of the newer headers).
struct RenameInfo {
  DWORD flags;
  HANDLE root;
  DWORD name_length;
  WCHAR name[1];
};
static_assert(offsetof(RenameInfo, name) == offsetof(FILE_RENAME_INFO, FileName));
constexpr auto kRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
constexpr DWORD kRenameReplace = 0x1;         // FILE_RENAME_FLAG_REPLACE_IF_EXISTS
constexpr DWORD kRenamePosixSemantics = 0x2;  // FILE_RENAME_FLAG_POSIX_SEMANTICS

// Gives the open file handle the name target (a verbatim path). With replace, an entry of that
// name is replaced in one step: with POSIX semantics where Windows has them, so that it works
// even while another program holds that entry open.
bool RenameHandle(HANDLE handle, const std::wstring& target, bool replace) {
  const std::wstring name = NtPath(target);
  const std::size_t bytes = name.size() * sizeof(wchar_t);
  std::vector<char> buffer(sizeof(RenameInfo) + bytes);
  auto* info = reinterpret_cast<RenameInfo*>(buffer.data());
  info->root = nullptr;
  info->name_length = static_cast<DWORD>(bytes);
  std::memcpy(info->name, name.data(), bytes);
  if (replace) {
    info->flags = kRenameReplace | kRenamePosixSemantics;
    if (::SetFileInformationByHandle(handle, kRenameInfoEx, info,
                                     static_cast<DWORD>(buffer.size())))
      return true;
    const DWORD error = ::GetLastError();
    // Systems before Windows 10 do not know the call; any other failure is the answer.
    if (error != ERROR_INVALID_PARAMETER && error != ERROR_NOT_SUPPORTED &&
        error != ERROR_INVALID_FUNCTION && error != ERROR_CALL_NOT_IMPLEMENTED)
      return false;
  }
  // FILE_RENAME_INFO: its ReplaceIfExists is the first byte of the flags.
  info->flags = replace ? 1 : 0;
  return ::SetFileInformationByHandle(handle, FileRenameInfo, info,
                                      static_cast<DWORD>(buffer.size())) != 0;
}

// Renames the entry from (a link as the link) to to, replacing what has that name.
Status RenamePath(const std::wstring& from, const std::wstring& to, const std::string& to_path) {
  const HANDLE handle = OpenEntry(from, DELETE | SYNCHRONIZE, false);
  if (handle == INVALID_HANDLE_VALUE) return Failed(to_path);
  const bool renamed = RenameHandle(handle, to, true);
  const DWORD error = ::GetLastError();
  ::CloseHandle(handle);
  if (renamed) return Status::Ok();
  // The last way there is: a replace that Windows does by name.
  if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return Status::Ok();
  ::SetLastError(error);
  return Failed(to_path);
}

// Reads into data until it is full, the file ends or a call fails, starting at offset.
Result<std::size_t> ReadFully(HANDLE handle, std::uint64_t offset, std::span<char> data,
                              const std::string& path) {
  std::size_t count = 0;
  while (count < data.size()) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset + count);
    at.OffsetHigh = static_cast<DWORD>((offset + count) >> 32);
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(data.size() - count, 1u << 30));
    DWORD read = 0;
    if (!::ReadFile(handle, data.data() + count, want, &read, &at)) {
      if (::GetLastError() == ERROR_HANDLE_EOF) break;
      return Failed(path);
    }
    if (read == 0) break;
    count += read;
  }
  return count;
}

class Win32File final : public File {
 public:
  // opened, when given, is what the system told at opening of a file opened for reading.
  Win32File(std::string path, HANDLE handle, const FileInfo* opened = nullptr)
      : path_(std::move(path)), handle_(handle) {
    if (opened != nullptr) known_info_ = *opened;
  }
  ~Win32File() override {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }

  HANDLE handle() const { return handle_; }
  const std::string& Path() const override { return path_; }

  Result<std::size_t> Read(std::span<char> data) override {
    Result<std::size_t> read = ReadFully(handle_, position_, data, path_);
    if (read.ok()) position_ += *read;
    return read;
  }

  Result<std::size_t> ReadAt(std::uint64_t offset, std::span<char> data) override {
    return ReadFully(handle_, offset, data, path_);
  }

  Status Write(std::span<const char> data) override {
    std::size_t count = 0;
    while (count < data.size()) {
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>(position_);
      at.OffsetHigh = static_cast<DWORD>(position_ >> 32);
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(data.size() - count, 1u << 30));
      DWORD written = 0;
      if (!::WriteFile(handle_, data.data() + count, want, &written, &at)) return Failed(path_);
      if (written == 0) return Status::System(ENOSPC, path_);
      count += written;
      position_ += written;
    }
    return Status::Ok();
  }

  Status Seek(std::uint64_t offset) override {
    position_ = offset;
    return Status::Ok();
  }

  Result<std::uint64_t> Size() override {
    // A file opened for reading keeps the length it had then, as readers ask for it next.
    if (known_info_.exists()) return known_info_.size;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle_, &size)) return Failed(path_);
    return static_cast<std::uint64_t>(size.QuadPart);
  }

  Status Close() override {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return ::CloseHandle(handle) ? Status::Ok() : Failed(path_);
  }

  Status Sync() override {
    if (::FlushFileBuffers(handle_)) return Status::Ok();
    if (::GetLastError() != ERROR_ACCESS_DENIED) return Failed(path_);
    // A file opened for reading only is flushed through a second handle that may write.
    const HANDLE writer = ::ReOpenFile(handle_, GENERIC_WRITE, kShareAll, 0);
    if (writer == INVALID_HANDLE_VALUE) return Failed(path_);
    const bool flushed = ::FlushFileBuffers(writer) != 0;
    Status status = flushed ? Status::Ok() : Failed(path_);
    ::CloseHandle(writer);
    return status;
  }

  Result<FileInfo> Inspect() override {
    if (known_info_.exists()) return known_info_;
    return InfoOfHandle(handle_, path_);
  }

 private:
  std::string path_;
  HANDLE handle_;
  std::uint64_t position_ = 0;
  FileInfo known_info_;  // files opened for reading only: what the system told at opening
};

// Creates a new file named UniqueName(prefix) in the folder system_folder (a verbatim path
// ending with "\"), open for reading, writing and renaming.
Result<std::unique_ptr<File>> CreateUniqueIn(const std::wstring& system_folder,
                                             const std::string& folder, const std::string& prefix) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = UniqueName(prefix);
    const HANDLE handle = ::CreateFileW(
        (system_folder + Wide(name)).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, kShareAll,
        nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle != INVALID_HANDLE_VALUE)
      return std::unique_ptr<File>(std::make_unique<Win32File>(folder + name, handle));
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return Failed(folder + prefix);
}

class Win32Directory final : public Directory {
 public:
  // handle is the folder itself, held so that it cannot be renamed or removed meanwhile.
  Win32Directory(std::string path, HANDLE handle)
      : path_(std::move(path)), system_(SystemPath(path_)), handle_(handle) {
    if (!system_.empty() && system_.back() != L'\\') system_ += L'\\';
  }
  ~Win32Directory() override { ::CloseHandle(handle_); }

  const std::string& Path() const override { return path_; }

  Result<std::unique_ptr<Directory>> OpenChild(const std::string& name, bool create) override {
    if (!IsEntryName(name)) return Status::System(EINVAL, path_ + name);
    const std::wstring child = system_ + Wide(name);
    if (create && !::CreateDirectoryW(child.c_str(), nullptr) &&
        ::GetLastError() != ERROR_ALREADY_EXISTS)
      return Failed(path_ + name);
    // Shared for reading and writing but not for deletion: the folder keeps its name.
    const HANDLE handle =
        ::CreateFileW(child.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return Failed(path_ + name);
    const Result<FileInfo> info = InfoOfHandle(handle, path_ + name);
    if (!info.ok() || info->kind != FileInfo::Kind::kDirectory) {
      ::CloseHandle(handle);
      if (!info.ok()) return info.status();
      return Status::System(info->kind == FileInfo::Kind::kLink ? ELOOP : ENOTDIR, path_ + name);
    }
    return std::unique_ptr<Directory>(
        std::make_unique<Win32Directory>(path_ + name + kSeparator, handle));
  }

  Result<std::unique_ptr<File>> CreateUniqueFile(const std::string& prefix) override {
    return CreateUniqueIn(system_, path_, prefix);
  }

  Status Rename(const std::string& from, const std::string& to) override {
    if (!IsEntryName(from) || !IsEntryName(to)) return Status::System(EINVAL, path_ + to);
    return RenamePath(system_ + Wide(from), system_ + Wide(to), path_ + to);
  }

  Status Remove(const std::string& name) override {
    if (!IsEntryName(name)) return Status::System(EINVAL, path_ + name);
    return ::DeleteFileW((system_ + Wide(name)).c_str()) ? Status::Ok() : Failed(path_ + name);
  }

  Result<FileInfo> Inspect(const std::string& name) override {
    if (!IsEntryName(name)) return Status::System(EINVAL, path_ + name);
    const HANDLE handle = OpenEntry(system_ + Wide(name), FILE_READ_ATTRIBUTES, false);
    if (handle == INVALID_HANDLE_VALUE) return Failed(path_ + name);
    Result<FileInfo> info = InfoOfHandle(handle, path_ + name);
    ::CloseHandle(handle);
    return info;
  }

  // Windows has no unnamed files: a new file has a temporary name until it is published.
  Result<std::unique_ptr<File>> CreateNewFile(const std::string& temp_prefix) override {
    return CreateUniqueFile(temp_prefix);
  }

  Status Publish(std::unique_ptr<File>& file, const std::string& name, Replace replace) override {
    auto& win32 = static_cast<Win32File&>(*file);
    const std::string path = path_ + name;
    Status status;
    if (!IsEntryName(name)) {
      status = Status::System(EINVAL, path);
    } else if (RenameHandle(win32.handle(), system_ + Wide(name), replace == Replace::kAny)) {
      status = win32.Close();
      if (!status.ok()) (void)Remove(name);
      file.reset();
      return status;
    } else {
      status = Failed(path);
      // With kNever a taken name leaves the file open and unnamed, for the caller to decide.
      if (replace == Replace::kNever && status.error == EEXIST) return status;
    }
    Discard(std::move(file));
    return status;
  }

  void Discard(std::unique_ptr<File> file) override {
    const std::string temp = FileNameOf(file->Path());
    file.reset();
    (void)Remove(temp);
  }

 private:
  std::string path_;
  std::wstring system_;  // the folder as a verbatim path, ending with "\"
  HANDLE handle_;
};

// Holds the lock of a lock file; the file is marked for deletion before the lock goes, so a
// process that opens the name afterwards locks a new file.
class Win32Lock final : public Lock {
 public:
  Win32Lock(std::string path, HANDLE handle) : path_(std::move(path)), handle_(handle) {}
  ~Win32Lock() override {
    // Removed only while the name still leads to the file locked.
    const Result<FileInfo> held = InfoOfHandle(handle_, path_);
    const Result<FileInfo> named = InspectPath(path_, false);
    if (held.ok() && named.ok() && held->SameFile(*named)) {
      FILE_DISPOSITION_INFO dispose{};
      dispose.DeleteFile = TRUE;
      ::SetFileInformationByHandle(handle_, FileDispositionInfo, &dispose, sizeof dispose);
    }
    OVERLAPPED at{};
    ::UnlockFileEx(handle_, 0, 1, 0, &at);
    ::CloseHandle(handle_);
  }

 private:
  std::string path_;
  HANDLE handle_;
};

class Win32FileSystem final : public FileSystem {
 public:
  Result<std::unique_ptr<File>> Open(const std::string& path, OpenMode mode) override {
    // Files that are written are never reached through a link, and are truncated only once
    // they are known to be regular files.
    DWORD access = GENERIC_READ | GENERIC_WRITE;
    DWORD disposition = OPEN_EXISTING;
    DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT;
    switch (mode) {
      case OpenMode::kRead:
        access = GENERIC_READ;
        flags = 0;
        break;
      case OpenMode::kUpdate:
        break;
      case OpenMode::kCreate:
        disposition = OPEN_ALWAYS;
        break;
      case OpenMode::kCreateNew:
        disposition = CREATE_NEW;
        break;
    }
    const std::wstring system_path = SystemPath(path);
    const HANDLE handle = ::CreateFileW(system_path.c_str(), access, kShareAll, nullptr,
                                        disposition, FILE_ATTRIBUTE_NORMAL | flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      Status status = Failed(path);
      // A folder cannot be opened as a file; say so as other systems do.
      if (status.error == EACCES && IsDirectory(path)) status.error = EISDIR;
      return status;
    }
    const Result<FileInfo> info = InfoOfHandle(handle, path);
    int refusal = 0;
    if (!info.ok())
      refusal = info.error();
    else if (info->kind == FileInfo::Kind::kLink)
      refusal = ELOOP;
    else if (info->kind == FileInfo::Kind::kDirectory)
      refusal = EISDIR;
    else if (info->kind != FileInfo::Kind::kRegular)
      refusal = kNotRegularFile;
    if (refusal == 0 && mode == OpenMode::kCreate && info->size > 0 && !::SetEndOfFile(handle))
      refusal = ErrnoOf(::GetLastError());
    if (refusal != 0) {
      ::CloseHandle(handle);
      return Status::System(refusal, path);
    }
    // What the system told is kept for files opened for reading, as readers ask for it next.
    return std::unique_ptr<File>(
        std::make_unique<Win32File>(path, handle, mode == OpenMode::kRead ? &*info : nullptr));
  }

  Result<std::unique_ptr<Lock>> LockFile(const std::string& path) override {
    const std::wstring system_path = SystemPath(path);
    // The lock file may be removed by a holder that releases it just as it is opened here, so
    // the lock counts only when the name still leads to the file that was locked.
    for (int attempt = 0; attempt < 100; ++attempt) {
      const HANDLE handle = ::CreateFileW(
          system_path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, kShareAll, nullptr,
          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
      if (handle == INVALID_HANDLE_VALUE) return Failed(path);
      OVERLAPPED at{};
      if (!::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                        &at)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(handle);
        return Status::System(error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING
                                  ? EWOULDBLOCK
                                  : ErrnoOf(error),
                              path);
      }
      const Result<FileInfo> held = InfoOfHandle(handle, path);
      const Result<FileInfo> named = InspectPath(path, false);
      if (held.ok() && named.ok() && held->SameFile(*named)) {
        // A lock file is empty and has this one name; anything else is someone's file that
        // happens to have the name.
        if (held->kind != FileInfo::Kind::kRegular || held->size != 0 || held->links != 1) {
          ::UnlockFileEx(handle, 0, 1, 0, &at);
          ::CloseHandle(handle);
          return Status::System(kNotALockFile, path);
        }
        return std::unique_ptr<Lock>(std::make_unique<Win32Lock>(path, handle));
      }
      ::CloseHandle(handle);
    }
    return Status::System(EWOULDBLOCK, path);
  }

  // The file system keeps its entries in its own journal; nothing to flush by hand.
  Status SyncFolderEntries(const std::string&) override { return Status::Ok(); }

  Result<std::unique_ptr<Directory>> OpenDirectory(const std::string& path) override {
    const HANDLE handle =
        ::CreateFileW(SystemPath(path).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return Failed(path);
    if (!IsDirectory(path)) {
      ::CloseHandle(handle);
      return Status::System(ENOTDIR, path);
    }
    return std::unique_ptr<Directory>(
        std::make_unique<Win32Directory>(WithSeparator(path), handle));
  }

  Status Remove(const std::string& path) override {
    return ::DeleteFileW(SystemPath(path).c_str()) ? Status::Ok() : Failed(path);
  }

  Status Rename(const std::string& from, const std::string& to) override {
    return RenamePath(SystemPath(from), SystemPath(to), to);
  }

  Status CreateDirectory(const std::string& path) override {
    if (::CreateDirectoryW(SystemPath(path).c_str(), nullptr)) return Status::Ok();
    Status status = Failed(path);
    return (status.error == EEXIST && IsDirectory(path)) ? Status::Ok() : status;
  }

  bool IsDirectory(const std::string& path) override {
    const DWORD attributes = ::GetFileAttributesW(SystemPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }

  bool IsRegularFile(const std::string& path) override {
    const Result<FileInfo> info = InspectPath(path, true);
    return info.ok() && info->kind == FileInfo::Kind::kRegular;
  }

  bool Exists(const std::string& path) override {
    return ::GetFileAttributesW(SystemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  Result<FileInfo> Inspect(const std::string& path, bool follow_links) override {
    return InspectPath(path, follow_links);
  }

  Result<std::vector<DirEntry>> ListDirectory(const std::string& path) override {
    std::wstring pattern = SystemPath(WithSeparator(path));
    if (pattern.back() != L'\\') pattern += L'\\';
    const std::wstring folder = pattern;
    pattern += L'*';
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return Failed(path);
    std::vector<DirEntry> entries;
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      DirEntry item{Narrow(name), (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, false,
                    false};
      item.is_link = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                     (found.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
                      found.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
      if (item.is_link) {
        // A link stands for what it leads to.
        const HANDLE target = OpenEntry(folder + name, FILE_READ_ATTRIBUTES, true);
        const Result<FileInfo> info = target == INVALID_HANDLE_VALUE
                                          ? Result<FileInfo>(Status::System(ENOENT, path))
                                          : InfoOfHandle(target, path);
        if (target != INVALID_HANDLE_VALUE) ::CloseHandle(target);
        item.is_directory = info.ok() && info->kind == FileInfo::Kind::kDirectory;
        item.is_regular = info.ok() && info->kind == FileInfo::Kind::kRegular;
      } else {
        item.is_regular = !item.is_directory;
      }
      entries.push_back(std::move(item));
    } while (::FindNextFileW(search, &found));
    const DWORD error = ::GetLastError();
    ::FindClose(search);
    if (error != ERROR_NO_MORE_FILES) return Status::System(ErrnoOf(error), path);
    return entries;
  }

  Result<std::unique_ptr<File>> CreateUniqueFile(const std::string& folder,
                                                 const std::string& prefix) override {
    std::wstring system_folder = SystemPath(WithSeparator(folder));
    if (system_folder.back() != L'\\') system_folder += L'\\';
    return CreateUniqueIn(system_folder, WithSeparator(folder), prefix);
  }

  // Windows keeps no permission bits that a copy would lose.
  Status CopyPermissions(const std::string&, const std::string&) override { return Status::Ok(); }

  std::string TempFolder() override {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    return WithSeparator(length > 0 ? Narrow(std::wstring_view(folder, length)) : ".");
  }
};

}  // namespace

std::uint32_t CurrentUser() { return 0; }

FileSystem& RealFileSystem() {
  static Win32FileSystem file_system;
  return file_system;
}

std::string ErrorText(int error) {
  switch (error) {
    case kNotRegularFile:
      return "Not a regular file";
    case kNotALockFile:
      return "Not a lock file of this program";
    case kEndedEarly:
      return "The file ended early";
    // The C library of Windows has no texts for these; they read as on other systems.
    case ELOOP:
      return "It is a link, which is not followed";
    case EWOULDBLOCK:
      return "Resource temporarily unavailable";
    case ENAMETOOLONG:
      return "File name too long";
    default:
      return std::strerror(error);
  }
}

}  // namespace vornalis::platform
