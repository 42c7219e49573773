#include <algorithm>

#include "recovery/par2_packets.h"
#include "recovery/reed_solomon.h"

namespace vornalis::recovery::par2 {

Candidates ReadRecoveryFiles(platform::FileSystem& fs, const std::vector<std::string>& paths,
                             unsigned threads, std::uint64_t budget_bytes, bool slices) {
  // Each file is read on its own (on the threads given), then what they hold is put together in
  // the order of paths.
  ReadBudget budget(budget_bytes);
  std::vector<ReadResult> each(paths.size());
  ParallelFor(threads, paths.size(),
              [&](std::size_t i) { ReadRecoveryFile(fs, paths[i], each[i], budget, slices); });
  // Which files fit in the budget must not depend on the threads: when one did not, all are
  // read again in order, as on one thread.
  const bool dropped = std::any_of(each.begin(), each.end(),
                                   [](const ReadResult& one) { return !one.too_large.empty(); });
  if (threads > 1 && dropped) return ReadRecoveryFiles(fs, paths, 1, budget_bytes, slices);
  return GroupAgreeing(std::move(each));
}

}  // namespace vornalis::recovery::par2
