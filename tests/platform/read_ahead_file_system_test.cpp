// Reading ahead changes nothing but the time: a set stored through it holds the same bytes, and
// a source that cannot be opened or read fails the store with the same message, at the same file.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "engine/piece_set.h"
#include "engine/stored_path.h"
#include "platform/read_ahead_file_system.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

using Op = FaultFileSystem::Op;
using platform::ReadAheadFileSystem;

class ReadAheadTest : public SetTest {
 protected:
  FaultFileSystem faults_{platform::RealFileSystem()};
  ReadAheadFileSystem ahead_{faults_};

  bool Store(PieceSet& set, const std::vector<StoredFile>& entries) {
    const ReadAheadFileSystem::Reading reading =
        ahead_.Expect(entries.size(), [this, &entries](std::size_t i) {
          return NativePath(SourceRoot(), entries[i].Folder, entries[i].Name);
        });
    return set.AddFiles(SourceRoot(), entries, nullptr, nullptr, SourceRoot());
  }
};

TEST_F(ReadAheadTest, StoresTheSameBytesAndFailsAtTheSameFileWithTheSameMessage) {
  // Empty, small, at and beyond the size read ahead, in two folders.
  const std::size_t sizes[] = {
      0, 1, 3000, ReadAheadFileSystem::kSmallFile, ReadAheadFileSystem::kSmallFile + 1, 100000};
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 0; i < 120; ++i)
    files.emplace_back((i % 2 ? "a/f" : "b/f") + std::to_string(i),
                       PatternBytes(sizes[i % 6], static_cast<std::uint32_t>(i)));
  const std::string bad = NativePath(SourceRoot(), "a\\", "f61");
  struct Case {
    const char* what;
    std::function<void(FaultFileSystem&)> fault;
    std::string message;  // "" when all is stored
  };
  const Case cases[] = {
      {"no fault", [](FaultFileSystem&) {}, ""},
      {"open refused", [](FaultFileSystem& f) { f.FailPath(Op::kOpen, "f61", EACCES); },
       "Can't open " + bad + ": Permission denied"},
      {"read fails", [](FaultFileSystem& f) { f.FailPath(Op::kRead, "f61", EIO); },
       "Can't read " + bad + ": Input/output error"},
      {"missing", [&](FaultFileSystem&) { std::filesystem::remove(bad); }, "Can't open " + bad},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const auto& entry : std::filesystem::directory_iterator(PathOf("")))
      std::filesystem::remove_all(entry.path());
    const std::vector<StoredFile> entries = MakeSources(files);
    faults_.Reset();
    c.fault(faults_);
    const std::size_t stored = c.message.empty() ? files.size() : 61;
    {
      PieceSet set(Base(), 200000, ahead_);
      EXPECT_EQ(Store(set, entries), stored == files.size());
      if (stored != files.size()) {
        EXPECT_EQ(set.LastError(), c.message);
      }
      EXPECT_EQ(set.Files().size(), stored);
      // Stored again with one new file: the engine leaves out all it holds already.
      std::vector<StoredFile> again = entries;
      again.resize(stored);
      again.push_back(MakeSources({{"new", "last"}}).back());
      faults_.Reset();
      EXPECT_TRUE(Store(set, again)) << set.LastError();
      ASSERT_TRUE(set.Close()) << set.LastError();
    }
    PieceSet set(Base());
    ASSERT_EQ(set.Files().size(), stored + 1);
    ASSERT_TRUE(set.ExtractFile(PathOf("out/"), "", "new")) << set.LastError();
    for (std::size_t i = 0; i < stored; ++i) {
      const StoredFile& entry = entries[i];
      ASSERT_TRUE(set.ExtractFile(PathOf("out/"), entry.Folder, entry.Name)) << set.LastError();
      EXPECT_EQ(ReadFile(PathOf("out/" + files[i].first)), files[i].second) << files[i].first;
    }
  }
}

TEST_F(ReadAheadTest, ACallerThatStopsEarlyStopsTheThreadAndOthersPathsPassThrough) {
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 0; i < 1000; ++i)
    files.emplace_back("f" + std::to_string(i), PatternBytes(900, static_cast<std::uint32_t>(i)));
  const std::vector<StoredFile> entries = MakeSources(files);
  WriteFile(PathOf("other"), "not expected");
  {
    const ReadAheadFileSystem::Reading reading = ahead_.Expect(
        entries.size(), [&](std::size_t i) { return SourceRoot() + entries[i].Name; });
    for (const char* name : {"f0", "f1", "other", "f5", "f4"}) {
      const std::string path = name == std::string("other") ? PathOf(name) : SourceRoot() + name;
      auto file = ahead_.Open(path, platform::OpenMode::kRead);
      ASSERT_TRUE(file.ok()) << path;
      std::string bytes(2000, '\0');
      const auto got = file->Read(bytes);
      ASSERT_TRUE(got.ok());
      bytes.resize(*got);
      EXPECT_EQ(bytes, ReadFile(path)) << path;
      EXPECT_TRUE(file->Inspect()->SameFile(*faults_.Inspect(path, true))) << path;
    }
  }  // the thread, held back by the bytes it keeps, ends here
  // Nothing is read ahead without a Reading.
  const int opens = faults_.Count(Op::kOpen);
  ASSERT_TRUE(ahead_.Open(SourceRoot() + "f9", platform::OpenMode::kRead).ok());
  EXPECT_EQ(faults_.Count(Op::kOpen), opens + 1);
}

}  // namespace
}  // namespace vornalis::testing
