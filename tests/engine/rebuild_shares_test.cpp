// Rebuilding one set on several threads at once: how the entries are shared out, and what the
// threads bring back together, with faults in their way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "engine/format.h"
#include "engine/piece_set.h"
#include "engine/rebuild_shares.h"
#include "platform/collation.h"
#include "platform/file_system.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

struct SplitCase {
  const char* what;
  std::vector<StoredFile> entries;  // Folder, Name, Size, Piece, Offset
  std::size_t parts;
  std::size_t most_shares;
  std::size_t most_per_share = 1000;  // even work is shared out evenly
};

StoredFile At(std::string folder, std::string name, std::uint32_t piece, std::uint32_t offset,
              std::uint32_t size = 100) {
  StoredFile entry{std::move(folder), std::move(name)};
  entry.Piece = piece;
  entry.Offset = offset;
  entry.Size = size;
  return entry;
}

std::vector<StoredFile> Many(std::size_t count, std::uint32_t size) {
  std::vector<StoredFile> entries;
  for (std::uint32_t i = 0; i < count; ++i)
    entries.push_back(At("d" + std::to_string(i % 7) + "\\", "f" + std::to_string(i), 1 + i / 10,
                         20 + (i % 10) * size, size));
  return entries;
}

TEST(SplitForThreadsTest, SharesAreDisjointRunsAndNamesOfOneCaseStayTogether) {
  std::vector<StoredFile> twins = Many(40, 1000);
  twins.push_back(At("D1\\", "F1", 9, 5000));                 // ASCII twin of d1\f1, far away
  twins.push_back(At("d2\\", "\xC3\x89t\xC3\xA9", 9, 6000));  // "Été"
  twins.push_back(At("d2\\", "\xC3\xA9t\xC3\xA9", 1, 5));     // "été", first in the pieces
  std::vector<StoredFile> shuffled = Many(30, 500);
  std::reverse(shuffled.begin(), shuffled.end());
  std::vector<StoredFile> one_large = Many(10, 100);
  one_large.push_back(At("", "big", 2, 0, 900'000'000));

  const SplitCase cases[] = {
      {"none", {}, 4, 0},
      {"one entry, many threads", {At("", "a", 1, 20)}, 8, 1},
      {"even work", Many(400, 1000), 4, 4, 400 / 4 * 4 / 3},
      {"case twins", twins, 3, 3},
      {"given out of order", shuffled, 2, 2},
      {"one large file", one_large, 2, 2},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<const StoredFile*> entries;
    for (const StoredFile& entry : c.entries) entries.push_back(&entry);
    const auto shares = SplitForThreads(entries, c.parts);
    EXPECT_LE(shares.size(), c.most_shares);
    std::set<const StoredFile*> seen;
    std::map<std::string, std::size_t> share_of_folded;
    for (std::size_t s = 0; s < shares.size(); ++s) {
      EXPECT_FALSE(shares[s].empty());
      EXPECT_LE(shares[s].size(), c.most_per_share);
      EXPECT_TRUE(std::is_sorted(shares[s].begin(), shares[s].end(), [](auto* x, auto* y) {
        return x->Piece != y->Piece ? x->Piece < y->Piece : x->Offset < y->Offset;
      }));
      for (const StoredFile* entry : shares[s]) {
        EXPECT_TRUE(seen.insert(entry).second) << "given twice: " << entry->Name;
        const std::string folded = platform::FoldCase(entry->Folder + entry->Name);
        const auto [it, first] = share_of_folded.emplace(folded, s);
        EXPECT_EQ(it->second, s) << "names of one case in two shares: " << entry->Name;
      }
    }
    EXPECT_EQ(seen.size(), entries.size());
  }
}

// Collects what the threads report, one at a time.
class Collected final : public RebuildObserver {
 public:
  bool Rebuilt(const StoredFile& entry, const Status& status) noexcept override {
    const std::lock_guard hold(mutex_);
    (status.ok() ? rebuilt : failed).push_back(entry.Folder + entry.Name + ": " + status.message);
    return true;
  }
  std::vector<std::string> rebuilt, failed;

 private:
  std::mutex mutex_;
};

class ThreadedRebuildTest : public SetTest {
 protected:
  // A closed set of 4,000-byte pieces (its tail in the header, its catalogue over several
  // overflow pieces): 600 files in 9 folders, an empty one and one over many pieces.
  void SetUp() override {
    SetTest::SetUp();
    for (int i = 0; i < 600; ++i) {
      sources_.emplace_back("d" + std::to_string(i % 9) + "/f" + std::to_string(i) + ".bin",
                            PatternBytes(static_cast<std::size_t>(i * 37 % 3000), i));
    }
    sources_.emplace_back("d1/empty", "");
    sources_.emplace_back("large.bin", PatternBytes(50'000, 7));
    PieceSet set(Base(), 4000);
    ASSERT_TRUE(AddSources(set, sources_)) << set.LastError();
  }

  // Rebuilds the whole set below out/ on `threads` threads through fs.
  void RebuildOnThreads(platform::FileSystem& fs, std::size_t threads, Collected* collected) {
    PieceSet set(Base(), SetAccess::kReadOnly, fs);
    ASSERT_EQ(set.Files().size(), sources_.size()) << set.LastError();
    std::vector<const StoredFile*> entries;
    for (const StoredFile& entry : set.Files()) entries.push_back(&entry);
    const auto shares = SplitForThreads(entries, threads);
    ASSERT_EQ(shares.size(), threads);
    std::vector<std::thread> workers;
    for (const auto& share : shares) {
      workers.emplace_back([&, share] {
        std::vector<char> buffer(format::kBufferSize);
        EXPECT_TRUE(set.ExtractShare(PathOf("out/"), share, buffer, collected).ok());
      });
    }
    for (std::thread& worker : workers) worker.join();
  }

  // Every file under its name is whole, and no temporary file is left.
  void ExpectWholeOrAbsent() {
    for (const auto& [path, content] : sources_) {
      if (FileExists(PathOf("out/" + path))) {
        EXPECT_EQ(ReadFile(PathOf("out/" + path)), content);
      }
    }
    for (const auto& item : std::filesystem::recursive_directory_iterator(PathOf("out"))) {
      EXPECT_NE(item.path().filename().string().rfind(format::kTempPrefix, 0), 0u)
          << "left behind: " << item.path();
    }
  }

  std::vector<std::pair<std::string, std::string>> sources_;
};

TEST_F(ThreadedRebuildTest, EveryFileComesBackWholeOrFailsAloneNamingItsFault) {
  struct Case {
    const char* what;
    std::size_t threads;
    std::function<void(FaultFileSystem&)> fault;
    const char* named;  // in every failure; nullptr: none may fail
  } cases[] = {
      {"no fault, one view of the set", 4, [](FaultFileSystem&) {}, nullptr},
      {"a piece that won't open", 3,
       [](FaultFileSystem& fs) { fs.FailPath(FaultFileSystem::Op::kOpen, "backup3.pec", EACCES); },
       "backup3.pec"},
      {"a disk that fills up halfway", 4, [](FaultFileSystem& fs) { fs.LimitWrites(300'000); }, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(PathOf("out"));
    FaultFileSystem fs(platform::RealFileSystem());
    c.fault(fs);
    Collected collected;
    RebuildOnThreads(fs, c.threads, &collected);
    EXPECT_EQ(collected.rebuilt.size() + collected.failed.size(), sources_.size());
    if (c.named == nullptr) {
      EXPECT_TRUE(collected.failed.empty()) << collected.failed.front();
      for (const auto& [path, content] : sources_) EXPECT_TRUE(FileExists(PathOf("out/" + path)));
    } else {
      EXPECT_FALSE(collected.failed.empty());
      EXPECT_FALSE(collected.rebuilt.empty());
      for (const std::string& failure : collected.failed) {
        EXPECT_NE(failure.find(c.named), std::string::npos) << failure;
      }
    }
    ExpectWholeOrAbsent();
  }
}

}  // namespace
}  // namespace vornalis::testing
