// ReadAheadFileSystem: wraps another FileSystem and, on a thread of its own, reads the small
// files its caller is about to store, in the order the caller will open them, so that opening,
// reading and closing each one is done on a second core while the caller writes the one before.
// Storing many small files is mostly that per-file work of the kernel.
//
// Every operation, the reads ahead included, goes through the wrapped file system, so its
// faults reach them all. A file opened for reading that was read ahead is served from memory:
// the bytes it held and what Inspect said of it when it was read, as if the caller had read it
// a moment earlier. A file the thread could not read whole (missing, refused, not a regular
// file, larger than kSmallFile, changing while read) is left to the caller's own Open, which
// meets the failure itself and reports it as usual. Everything else is passed through.
//
// When the caller catches up with the thread, it opens the next files itself, never waiting,
// and the thread goes on further ahead, so the work is shared between the two cores whichever is
// faster. About kAheadBytes are held at most. The caller's callbacks and errors stay on its
// thread: the thread only reads.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/forwarding_file_system.h"

namespace vornalis::platform {

class ReadAheadFileSystem : public ForwardingFileSystem {
 public:
  static constexpr std::uint64_t kSmallFile = 64 * 1024;
  static constexpr std::uint64_t kAheadBytes = 512 * 1024;

  explicit ReadAheadFileSystem(FileSystem& base) : ForwardingFileSystem(base) {}
  ~ReadAheadFileSystem() override { Stop(); }

  // While a Reading lives, the files path_at(0), ..., path_at(count - 1) are read ahead in that
  // order. path_at is called on both threads: it must give the same path for an index each
  // time, and what it reads must not change until the Reading is gone. Opens of those
  // paths for reading are expected in that order; paths may be left out, and other paths
  // opened in between.
  class [[nodiscard]] Reading {
   public:
    ~Reading() { fs_.Stop(); }
    Reading(const Reading&) = delete;
    Reading& operator=(const Reading&) = delete;

   private:
    friend class ReadAheadFileSystem;
    explicit Reading(ReadAheadFileSystem& fs) : fs_(fs) {}
    ReadAheadFileSystem& fs_;
  };
  Reading Expect(std::size_t count, std::function<std::string(std::size_t)> path_at);

  Result<std::unique_ptr<File>> Open(const std::string& path, OpenMode mode) override;

 private:
  // One file read ahead: its bytes and what Inspect said, or read = false when it is left to
  // the caller.
  struct Ahead {
    std::size_t index = 0;
    bool read = false;
    std::unique_ptr<char[]> bytes;  // size bytes, not zeroed first
    std::size_t size = 0;
    FileInfo info;
  };

  void Run(std::size_t count);
  Ahead ReadWhole(const std::string& path);
  void Stop();
  // The next expected paths looked at for an open; a path further on is opened as if it were
  // not expected.
  static constexpr std::size_t kLookAhead = 64;

  std::function<std::string(std::size_t)> path_at_;
  std::size_t count_ = 0;
  std::size_t next_ = 0;  // the first expected index not yet opened or passed over

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Ahead> ready_;      // read ahead, in order of index, not yet taken
  std::uint64_t held_ = 0;       // bytes in ready_
  std::size_t caller_at_ = 0;    // no index below this is read any more
  bool thread_waiting_ = false;  // the thread waits for room in ready_
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace vornalis::platform
