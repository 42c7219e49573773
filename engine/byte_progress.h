// ByteProgress: how far the copying of one large file has come.
//
// Storing or rebuilding a file of gigabytes takes long; a window that waits for the file to end
// looks hung. The engine calls Copied between chunks of at most kChunk bytes of a file larger
// than kChunk, so a caller can repaint and move a progress display; small files never call it.
// It runs on the engine's thread, must not call into the set, and may not throw.
#pragma once

#include <cstdint>

namespace vornalis {

class ByteProgress {
 public:
  static constexpr std::uint32_t kChunk = 8u << 20;  // 8 MiB

  virtual ~ByteProgress() = default;
  // done of size bytes of the current file are copied.
  virtual void Copied(std::uint64_t done, std::uint64_t size) noexcept = 0;
};

}  // namespace vornalis
