// PatternFileSystem: wraps another FileSystem so that tests can store and rebuild files of many
// gigabytes without writing them, through the same calls the engine makes on real files.
//
// A pattern is an endless sequence of bytes computed from their position, in which every eight
// bytes name their own position: a piece of it, found anywhere, tells where in the pattern it
// lies. A file that a test makes with MakePatternFile holds the pattern from position 0. What is
// written through this file system lands in the wrapped one, except that a write that continues
// the pattern (from any position) is noted as a run (where in the file, where in the pattern, how
// long) and only its last byte is written, so the file on disk grows sparse. Reads give each
// run's pattern bytes over the file's own. A sink that checks: HoldsPattern tells whether a file
// holds exactly the pattern from position 0 over its whole length, from the runs, without
// reading it. Runs belong to a file by its device and inode, so they follow renames and the
// naming of unnamed files. Copies go through the buffer, so every chunk passes the wrapped
// reads and writes.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "platform/forwarding_file_system.h"

namespace vornalis::testing {

class PatternFileSystem : public platform::ForwardingFileSystem {
 public:
  explicit PatternFileSystem(platform::FileSystem& base) : ForwardingFileSystem(base) {}

  // The pattern's byte at position.
  static char PatternByte(std::uint64_t position);

  // Makes a file of size bytes at path that holds the pattern from position 0 (sparse on disk).
  Status MakePatternFile(const std::string& path, std::uint64_t size);
  // Ok when the file at path holds the pattern from position 0 and nothing else; else says where
  // it first does not.
  Status HoldsPattern(const std::string& path);
  // Bytes written to the wrapped file system's files in all, runs' last bytes included.
  std::uint64_t BytesWritten() const;

  Result<std::unique_ptr<platform::File>> Open(const std::string& path,
                                               platform::OpenMode mode) override;
  Status Remove(const std::string& path) override;
  Status Rename(const std::string& from, const std::string& to) override;
  Result<std::unique_ptr<platform::Directory>> OpenDirectory(const std::string& path) override;
  Result<std::unique_ptr<platform::File>> CreateUniqueFile(const std::string& folder,
                                                           const std::string& prefix) override;
  Status Copy(platform::File& src, platform::File& dst, std::uint64_t n,
              std::span<char> buffer) override;

  // For the wrapped files and folders.
  struct Run {
    std::uint64_t length;
    std::uint64_t pattern;  // position in the pattern of the run's first byte
  };
  using FileKey = std::pair<std::uint64_t, std::uint64_t>;  // device, inode
  // A file made anew: whatever its inode held before is forgotten.
  void Forget(const FileKey& key);
  // [at, at + length) of the file is written with data; returns whether it was noted as a run
  // (and only the last byte needs writing).
  bool NoteWrite(const FileKey& key, std::uint64_t at, std::span<const char> data);
  // Whether runs of the file give every byte of [offset, offset + length).
  bool Covered(const FileKey& key, std::uint64_t offset, std::uint64_t length);
  // Lays the runs of the file over data, read at offset.
  void Overlay(const FileKey& key, std::uint64_t offset, std::span<char> data);
  void CountWritten(std::uint64_t bytes);
  std::unique_ptr<platform::File> Wrap(std::unique_ptr<platform::File> file);

 private:
  mutable std::mutex mutex_;
  std::map<FileKey, std::map<std::uint64_t, Run>> runs_;  // by file, runs by their file position
  std::uint64_t written_ = 0;
};

}  // namespace vornalis::testing
