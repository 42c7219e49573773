// A set's recovery files: what protect makes of a set, and what repair does with each kind of
// loss, whether it reads the set once or twice, and what it leaves when it cannot or must not.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>

#include "engine/piece_set.h"
#include "engine/set_recovery.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

// Ten files over about thirteen pieces of 20,000 bytes, protected with 30 % recovery data.
class SetRecoveryTest : public SetTest {
 protected:
  void SetUp() override {
    SetTest::SetUp();
    std::vector<std::pair<std::string, std::string>> files;
    for (std::uint32_t i = 0; i < 10; ++i)
      files.push_back({"f" + std::to_string(i), PatternBytes(12000 + 3111 * i, i)});
    {
      PieceSet set(Base(), 20000);
      ASSERT_TRUE(AddSources(set, files));
    }
    Protect(30);
    for (const std::string& name : ListFolder(Dir()))
      if (name.ends_with(".pec")) original_[name] = ReadFile(PathOf(name));
  }

  void Protect(unsigned redundancy) {
    ProtectRequest request;
    request.redundancy_percent = redundancy;
    const Result<ProtectReport> report =
        ProtectSet(platform::RealFileSystem(), SetPaths{Base()}, request, nullptr);
    ASSERT_TRUE(report.ok()) << report.status().message;
    plan_ = report->plan;
  }

  Result<SetRepair> Repair(std::uint64_t memory = std::uint64_t{128} << 20) {
    const Result<SetRecovery> recovery = LoadSetRecovery(fs_, SetPaths{Base()});
    EXPECT_TRUE(recovery.ok()) << recovery.status().message;
    recovery::WorkOptions work;
    work.memory = memory;
    work.threads = 2;
    return RepairSet(fs_, SetPaths{Base()}, *recovery, work, nullptr);
  }

  // Every file of the set holds what it held when it was protected.
  void ExpectWhole() {
    for (const auto& [name, bytes] : original_) EXPECT_EQ(ReadFile(PathOf(name)), bytes) << name;
  }

  void Remove(const std::string& name) { std::filesystem::remove(FsPath(PathOf(name))); }
  void Flip(const std::string& name, std::size_t at) {
    std::string bytes = ReadFile(PathOf(name));
    bytes[at] ^= 0x20;
    WriteFile(PathOf(name), bytes);
  }

  platform::FileSystem& fs_ = platform::RealFileSystem();
  FaultFileSystem faults_{platform::RealFileSystem()};
  recovery::Plan plan_;
  std::map<std::string, std::string> original_;  // by file name
};

TEST_F(SetRecoveryTest, EachRecoveryFileKeepsToThePieceSizeAndAWholeSetNeedsNoRepair) {
  EXPECT_TRUE(plan_.fits_media);
  EXPECT_LE(plan_.largest_file, 20000u);
  EXPECT_EQ(plan_.slice_size % 4, 0u);
  for (const std::string& path : FindRecoveryFiles(fs_, SetPaths{Base()}))
    EXPECT_LE(FileSize(path), 20000) << path;
  const Result<SetRepair> repair = Repair();
  ASSERT_TRUE(repair.ok());
  EXPECT_TRUE(repair->check.whole());
  EXPECT_TRUE(repair->repaired.empty());
}

struct Loss {
  const char* what;
  std::vector<std::string> removed;                          // file names
  std::vector<std::pair<std::string, std::size_t>> flipped;  // a byte of the file at the offset
  std::vector<std::string> repaired;                         // file names
  std::uint64_t memory = std::uint64_t{128} << 20;
};

void PrintTo(const Loss& loss, std::ostream* out) { *out << loss.what; }

class SetLossTest : public SetRecoveryTest, public ::testing::WithParamInterface<Loss> {};

// Whatever the loss, the set comes back byte for byte, naming what it rebuilt.
TEST_P(SetLossTest, IsRepairedByteForByte) {
  const Loss& loss = GetParam();
  for (const std::string& name : loss.removed) Remove(name);
  for (const auto& [name, at] : loss.flipped) Flip(name, at);
  const Result<SetRepair> repair = Repair(loss.memory);
  ASSERT_TRUE(repair.ok()) << repair.status().message;
  std::vector<std::string> names;
  for (const std::string& path : repair->repaired)
    names.push_back(FsPath(path).filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, loss.repaired);
  ExpectWhole();
  EXPECT_EQ(ListFolder(Dir()).size(),
            original_.size() + FindRecoveryFiles(fs_, SetPaths{Base()}).size() + 1)
      << "no file is left behind";  // the folder src/ is the last
}

INSTANTIATE_TEST_SUITE_P(
    Losses, SetLossTest,
    ::testing::Values(Loss{"MissingPiece", {"backup3.pec"}, {}, {"backup3.pec"}},
                      Loss{"FlippedByte", {}, {{"backup5.pec", 1500}}, {"backup5.pec"}},
                      Loss{"MissingAndFlipped",
                           {"backup2.pec"},
                           {{"backup7.pec", 9}},
                           {"backup2.pec", "backup7.pec"}},
                      // Its last-piece field: the header no longer reads as a set.
                      Loss{"DamagedHeader", {}, {{"backup.pec", 12}}, {"backup.pec"}},
                      Loss{"LostHeader", {"backup.pec"}, {}, {"backup.pec"}},
                      Loss{"OneSliceOfMemory", {"backup4.pec"}, {}, {"backup4.pec"}, 1}),
    [](const ::testing::TestParamInfo<Loss>& param) { return param.param.what; });

TEST_F(SetRecoveryTest, TooMuchLostOrAnotherSetsFileUnderAPiecesNameChangesNothing) {
  for (int n = 1; n <= 8; ++n) Remove("backup" + std::to_string(n) + ".pec");
  const std::vector<std::string> before = ListFolder(Dir());
  Result<SetRepair> repair = Repair();
  EXPECT_EQ(repair.status().code, Status::Code::kRefused);
  EXPECT_NE(repair.status().message.find("Too much is lost to repair"), std::string::npos)
      << repair.status().message;
  EXPECT_EQ(ListFolder(Dir()), before);

  // Back to one lost piece, whose name another set's header has taken.
  for (int n = 2; n <= 8; ++n) {
    const std::string name = "backup" + std::to_string(n) + ".pec";
    WriteFile(PathOf(name), original_.at(name));
  }
  std::filesystem::create_directories(FsPath(PathOf("other")));
  {
    PieceSet neighbour(PathOf("other/backup"), 20000);
    ASSERT_TRUE(AddSources(neighbour, {{"n", "neighbour"}}));
  }
  WriteFile(PathOf("backup1.pec"), ReadFile(PathOf("other/backup.pec")));
  const std::string header = ReadFile(PathOf("backup1.pec"));
  repair = Repair();
  EXPECT_FALSE(repair.ok());
  EXPECT_EQ(repair.status().message, PathOf("backup1.pec") +
                                         " belongs to another set; move one "
                                         "of the two sets to its own folder");
  EXPECT_EQ(ReadFile(PathOf("backup1.pec")), header);
}

TEST_F(SetRecoveryTest, AFullDiskDuringARepairLeavesTheSetAsItWas) {
  Remove("backup6.pec");
  const Result<SetRecovery> recovery = LoadSetRecovery(fs_, SetPaths{Base()});
  faults_.FailPath(FaultFileSystem::Op::kWrite, SetNameOf(TempPrefix(Base())), ENOSPC);
  const Result<SetRepair> repair =
      RepairSet(faults_, SetPaths{Base()}, *recovery, recovery::WorkOptions{}, nullptr);
  EXPECT_EQ(repair.status().message,
            "Can't write " + PathOf("backup6.pec") + ": No space left on device");
  EXPECT_FALSE(FileExists(PathOf("backup6.pec")));
  for (const std::string& name : ListFolder(Dir()))
    EXPECT_EQ(name.find(SetNameOf(TempPrefix(Base()))), std::string::npos) << name;
}

}  // namespace
}  // namespace vornalis::testing
