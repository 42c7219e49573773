// ByteProgress: how far the copying of one large file has come.
//
// Storing or rebuilding a file of gigabytes takes long; a window that waits for the file to end
// looks hung, and a break-off asked for waits. The engine calls Copied between chunks of at most
// kChunk bytes of a file larger than kChunk, so a caller can repaint, move a progress display and
// ask whether to go on; small files never call it. False stops the command there: the file at
// work is given up (a file being rebuilt is never put in place, one being stored is not stored),
// and the command ends as one broken off between two files does. It runs on the engine's thread,
// must not call into the set, and may not throw.
#pragma once

#include <cstdint>

namespace vornalis {

class ByteProgress {
 public:
  static constexpr std::uint32_t kChunk = 8u << 20;  // 8 MiB

  virtual ~ByteProgress() = default;
  // done of size bytes of the current file are copied; false stops the command.
  virtual bool Copied(std::uint64_t done, std::uint64_t size) noexcept = 0;
};

}  // namespace vornalis
