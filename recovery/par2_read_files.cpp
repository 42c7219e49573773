#include "recovery/par2_packets.h"
#include "recovery/reed_solomon.h"

namespace vornalis::recovery::par2 {

ReadResult ReadRecoveryFiles(platform::FileSystem& fs, const std::vector<std::string>& paths,
                             unsigned threads) {
  // Each file is read on its own (on the threads given), then what they hold is put together
  // in the order of paths.
  std::vector<ReadResult> each(paths.size());
  ParallelFor(threads, paths.size(),
              [&](std::size_t i) { ReadRecoveryFile(fs, paths[i], each[i]); });
  ReadResult result;
  for (ReadResult& one : each) MergeRead(result, std::move(one));
  return result;
}

}  // namespace vornalis::recovery::par2
