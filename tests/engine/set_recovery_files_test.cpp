// Which recovery files are a set's own, how they stand to the header in force, and what a repair
// does with each kind: the set's own, a neighbouring set's, a same-named set's copied in, files
// that also describe other files, files older than an add (this program's, after another
// program's protection, after many empty files), a set made anew with old copies of its recovery
// files beside it, a header another program changed, names in capitals and sets whose names
// differ only in case, damaged and hostile packets, and pieces hard-linked into a snapshot.
// Whatever lies beside the set, a repair never changes a sound file of it, and puts back only what
// its own recovery files say was there, when what this program did shows that they cover it.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>

#include "engine/piece_set.h"
#include "engine/set_history.h"
#include "engine/set_recovery.h"
#include "platform/endian.h"
#include "platform/path.h"
#include "recovery/create.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

namespace fs = std::filesystem;

// The scenes below arrange the folder through the fixture, so what they use is public.
class SetRecoveryFilesTest : public SetTest {
 public:
  using SetTest::AddSources;
  using SetTest::Base;
  using SetTest::Dir;
  using SetTest::PathOf;

  // Six files over about eight pieces of 20,000 bytes, protected as protect does by default.
  void SetUp() override {
    SetTest::SetUp();
    paths_ = SetPaths{Base()};
    MakeSet(Base(), 0);
    ProtectNow();
  }

  std::vector<std::pair<std::string, std::string>> SixFiles(std::uint32_t seed) const {
    std::vector<std::pair<std::string, std::string>> files;
    for (std::uint32_t i = 0; i < 6; ++i)
      files.push_back({"f" + std::to_string(i), PatternBytes(15000 + 3111 * i, i + seed)});
    return files;
  }
  void MakeSet(const std::string& base, std::uint32_t seed) {
    PieceSet set(base, 20000);
    ASSERT_TRUE(AddSources(set, SixFiles(seed)));
  }
  // The set made anew in its place from files, as create --force does.
  void Replace(const std::vector<std::pair<std::string, std::string>>& files) {
    PieceSet set(Base(), 20000, platform::RealFileSystem(), NewSet::kReplaceExisting);
    ASSERT_TRUE(AddSources(set, files));
  }
  void Add(const std::string& name, const std::string& bytes) {
    PieceSet set(paths_, SetAccess::kReadWrite);
    ASSERT_TRUE(AddSources(set, {{name, bytes}}));
  }
  // Protects the set; what it holds then is what a repair must give back.
  void ProtectNow(unsigned redundancy = 0) {
    ProtectRequest request;
    request.redundancy_percent = redundancy;
    ASSERT_TRUE(ProtectSet(fs_, paths_, request, nullptr).ok());
    original_ = SetFiles();
  }
  void CopyRecoveryFiles(const std::string& prefix) {
    for (const std::string& name : RecoveryFileNames())
      fs::copy_file(FsPath(PathOf(name)), FsPath(PathOf(prefix + name)));
  }

  // The set's files (header and pieces) by name, with their bytes.
  std::map<std::string, std::string> SetFiles() const {
    std::map<std::string, std::string> files;
    for (const std::string& name : ListFolder(Dir()))
      if (name.ends_with(".pec") || name.ends_with(".PEC")) files[name] = ReadFile(PathOf(name));
    return files;
  }
  std::vector<std::string> RecoveryFileNames() const {
    std::vector<std::string> names;
    for (const std::string& name : ListFolder(Dir()))
      if ((name.ends_with(".par2") || name.ends_with(".PAR2")) &&
          name.find(".history.") == std::string::npos)
        names.push_back(name);
    return names;
  }
  void Flip(const std::string& name, std::size_t at, char bit = 0x20) {
    std::string bytes = ReadFile(PathOf(name));
    bytes[at] ^= bit;
    WriteFile(PathOf(name), bytes);
  }
  void Remove(const std::string& name) { fs::remove(FsPath(PathOf(name))); }

  platform::FileSystem& fs_ = platform::RealFileSystem();
  std::map<std::string, std::string> original_;
  SetPaths paths_;
};

struct Scene {
  const char* what;
  std::function<void(SetRecoveryFilesTest&)> arrange;
  Status::Code load = Status::Code::kOk;
  RecoveryAge age = RecoveryAge::kCurrent;
  std::vector<std::string> repaired;  // names of the set's files a repair rebuilds
  bool refused_repair = false;        // the repair fails, changing nothing
  HeaderRepair header = HeaderRepair::kWhenDamaged;
  std::size_t lost = 0;  // pieces beyond a header put back, renamed aside
};

void PrintTo(const Scene& scene, std::ostream* out) { *out << scene.what; }

class RecoveryScenesTest : public SetRecoveryFilesTest,
                           public ::testing::WithParamInterface<Scene> {};

// For every scene: the set's own recovery files are found or none are, how they stand to the
// header is told, and a repair rebuilds exactly the files named, byte for byte as they were
// protected, and leaves every other file of the set as the scene left it.
TEST_P(RecoveryScenesTest, RepairRebuildsOnlyWhatTheSetsOwnRecoveryFilesCover) {
  const Scene& scene = GetParam();
  scene.arrange(*this);
  if (IsSkipped() || HasFatalFailure()) return;
  const std::map<std::string, std::string> before = SetFiles();
  const Result<SetRecovery> recovery = LoadSetRecovery(fs_, paths_);
  ASSERT_EQ(recovery.status().code, scene.load) << recovery.status().message;
  if (!recovery.ok()) return;
  const Result<SetCheck> check = CheckSet(fs_, paths_, *recovery, {}, nullptr);
  ASSERT_TRUE(check.ok()) << check.status().message;
  EXPECT_EQ(check->age, scene.age);
  const Result<SetRepair> repair = RepairSet(fs_, paths_, *recovery, {}, nullptr, scene.header);
  ASSERT_EQ(!repair.ok(), scene.refused_repair) << repair.status().message;
  std::vector<std::string> repaired;
  if (repair.ok())
    for (const std::string& path : repair->repaired) repaired.push_back(platform::FileNameOf(path));
  std::sort(repaired.begin(), repaired.end());
  EXPECT_EQ(repaired, scene.repaired);
  for (const auto& [name, bytes] : SetFiles()) {
    const bool rebuilt = std::find(repaired.begin(), repaired.end(), name) != repaired.end();
    const auto was = rebuilt ? original_.find(name) : before.find(name);
    ASSERT_NE(was, (rebuilt ? original_ : before).end()) << name << " appeared";
    EXPECT_EQ(bytes, was->second) << name;
  }
  std::size_t lost = 0;
  for (const std::string& name : ListFolder(Dir())) lost += name.ends_with(".lost") ? 1 : 0;
  EXPECT_EQ(lost, scene.lost);
  if (repair.ok()) {
    EXPECT_EQ(repair->lost.size(), scene.lost);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scenes, RecoveryScenesTest,
    ::testing::Values(
        Scene{"Own",
              [](SetRecoveryFilesTest& f) { f.Remove("backup2.pec"); },
              Status::Code::kOk,
              RecoveryAge::kCurrent,
              {"backup2.pec"},
              false,
              HeaderRepair::kWhenDamaged,
              0},
        // A byte of the stored data the header keeps (its tail): the header still reads as a
        // sound set, which may be a set made anew with the same names and sizes, so it is put
        // back only when asked.
        Scene{"DamagedTail",
              [](SetRecoveryFilesTest& f) { f.Flip("backup.pec", 40); },
              Status::Code::kOk,
              RecoveryAge::kDiffers,
              {},
              false,
              HeaderRepair::kWhenDamaged,
              0},
        Scene{"DamagedTailPutBackWhenAsked",
              [](SetRecoveryFilesTest& f) { f.Flip("backup.pec", 40); },
              Status::Code::kOk,
              RecoveryAge::kDiffers,
              {"backup.pec"},
              false,
              HeaderRepair::kPutBack,
              0},
        // A set that ends on a piece's end, one bit of its last-piece field flipped: the header
        // then names a last piece no stored byte reaches, and reads as no sound set.
        Scene{"FlippedLastPieceField",
              [](SetRecoveryFilesTest& f) {
                for (const auto& [name, bytes] : f.SetFiles()) f.Remove(name);
                for (const std::string& name : f.RecoveryFileNames()) f.Remove(name);
                {
                  PieceSet set(f.Base(), 20000);
                  ASSERT_TRUE(f.AddSources(
                      set, {{"a", PatternBytes(19992 * 2, 1)}, {"b", PatternBytes(19992, 2)}}));
                }
                f.ProtectNow();
                f.Flip("backup.pec", 12, 0x04);  // last piece 3 reads as 7
              },
              Status::Code::kOk,
              RecoveryAge::kCurrent,
              {"backup.pec"},
              false,
              HeaderRepair::kWhenDamaged,
              0},
        // An empty file stored after a full piece begins a piece that holds no byte and has no
        // file: protect covers the pieces that hold stored bytes.
        Scene{"EmptyFileAfterAFullPiece",
              [](SetRecoveryFilesTest& f) {
                for (const auto& [name, bytes] : f.SetFiles()) f.Remove(name);
                for (const std::string& name : f.RecoveryFileNames()) f.Remove(name);
                {
                  PieceSet set(f.Base(), 20000);
                  ASSERT_TRUE(f.AddSources(set, {{"a", PatternBytes(19992, 1)}, {"e", ""}}));
                }
                f.ProtectNow();
                f.Remove("backup1.pec");
              },
              Status::Code::kOk,
              RecoveryAge::kCurrent,
              {"backup1.pec"},
              false,
              HeaderRepair::kWhenDamaged,
              0},
        // The neighbour's files name backup9.pec and backup91.pec, which look like pieces of
        // this set, but never this set's header.
        Scene{"NeighboursOnly",
              [](SetRecoveryFilesTest& f) {
                for (const std::string& name : f.RecoveryFileNames()) f.Remove(name);
                f.MakeSet(f.PathOf("backup9"), 7);
                ASSERT_TRUE(ProtectSet(f.fs_, SetPaths{f.PathOf("backup9")}, {}, nullptr).ok());
                f.Remove("backup1.pec");
              },
              Status::Code::kNotFound,
              RecoveryAge::kCurrent,
              {},
              false,
              HeaderRepair::kWhenDamaged,
              0},
        // Last week's set of the same name, protected elsewhere and copied in under other
        // names: it matches none of the files at hand, and the set's own win.
        Scene{"SameNamedSetBeside",
              [](SetRecoveryFilesTest& f) {
                fs::create_directories(FsPath(f.PathOf("old")));
                f.MakeSet(f.PathOf("old/backup"), 3);
                ASSERT_TRUE(ProtectSet(f.fs_, SetPaths{f.PathOf("old/backup")}, {}, nullptr).ok());
                for (const std::string& name : ListFolder(f.PathOf("old")))
                  if (name.ends_with(".par2"))
                    fs::copy_file(FsPath(f.PathOf("old/" + name)),
                                  FsPath(f.PathOf("lastweek-" + name)));
                f.Remove("backup3.pec");
              },
              Status::Code::kOk,
              RecoveryAge::kCurrent,
              {"backup3.pec"},
              false,
              HeaderRepair::kWhenDamaged,
              0},
        // With only that other set's files beside it, under the set's own names: the header in
        // force is not the one they protect and reads as a sound set (with the same names and
        // sizes as theirs), so nothing is touched.
        Scene{"SameNamedSetAlone",
              [](SetRecoveryFilesTest& f) {
                fs::create_directories(FsPath(f.PathOf("old")));
                f.MakeSet(f.PathOf("old/backup"), 3);
                ASSERT_TRUE(ProtectSet(f.fs_, SetPaths{f.PathOf("old/backup")}, {}, nullptr).ok());
                for (const std::string& name : f.RecoveryFileNames()) f.Remove(name);
                for (const std::string& name : ListFolder(f.PathOf("old")))
                  if (name.ends_with(".par2"))
                    fs::copy_file(FsPath(f.PathOf("old/" + name)), FsPath(f.PathOf(name)));
                f.Remove("backup2.pec");
              },
              Status::Code::kOk,
              RecoveryAge::kDiffers,
              {},
              false,
              HeaderRepair::kWhenDamaged,
              0},
        // Recovery data that also covers a user's notes and a file in a folder is not the set's.
        Scene{"ForeignFilesToo",
              [](SetRecoveryFilesTest& f) {
                for (const std::string& name : f.RecoveryFileNames()) f.Remove(name);
                WriteFile(f.PathOf("notes.txt"), "newer notes");
                WriteFile(f.PathOf("d/evil.txt"), "x");
                std::vector<recovery::InputFile> inputs;
                recovery::PlanRequest request;
                for (const std::string name : {"backup.pec", "backup1.pec", "backup2.pec",
                                               "backup3.pec", "notes.txt", "d/evil.txt"}) {
                  inputs.push_back({f.PathOf(name), name});
                  request.file_sizes.push_back(
                      static_cast<std::uint64_t>(FileSize(f.PathOf(name))));
                  request.names.push_back(name);
                }
                request.redundancy_percent = 50;
                ASSERT_TRUE(recovery::CreateRecoveryFiles(f.fs_, f.Dir(), "user", inputs,
                                                          recovery::PlanRecovery(request), "", {},
                                                          nullptr)
                                .ok());
                WriteFile(f.PathOf("notes.txt"), "the newest notes");
                f.Remove("backup2.pec");
              },
              Status::Code::kRefused,
              RecoveryAge::kCurrent,
              {},
              false,
              HeaderRepair::kWhenDamaged,
              0},
        // Enough recovery data for a damaged piece the add left as it was.
        Scene{"OlderThanAnAdd",
              [](SetRecoveryFilesTest& f) {
                f.ProtectNow(40);
                f.Add("new.bin", PatternBytes(30000, 99));
                f.Flip("backup1.pec", 500);
              },
              Status::Code::kOk,
              RecoveryAge::kAdded,
              {"backup1.pec"},
              false,
              HeaderRepair::kWhenDamaged,
              0},
        // A set whose catalogue runs on in overflow pieces: an add writes stored bytes over them,
        // and they are newer than the recovery files, not damaged (but, unknown to the recovery
        // data, they count as lost in its arithmetic: it takes as much recovery data).
        Scene{"AddOverOverflowPieces",
              [](SetRecoveryFilesTest& f) {
                for (const auto& [name, bytes] : f.SetFiles()) f.Remove(name);
                for (const std::string& name : f.RecoveryFileNames()) f.Remove(name);
                std::vector<std::pair<std::string, std::string>> files;
                for (int i = 0; i < 60; ++i)
                  files.push_back({"a-long-name-for-the-catalogue-" + std::to_string(i), "x"});
                files.push_back({"big", PatternBytes(600, 1)});
                {
                  PieceSet set(f.Base(), 200);
                  ASSERT_TRUE(f.AddSources(set, files));
                }
                f.ProtectNow(100);
                f.Add("new.bin", PatternBytes(900, 99));
                f.Flip("backup1.pec", 50);
              },
              Status::Code::kOk, RecoveryAge::kAdded, {"backup1.pec"}, false,
              HeaderRepair::kWhenDamaged, 0},
        // Recovery files another PAR 2.0 program made (they record nothing of the set), then an
        // add: the history says what the add did.
        Scene{"AddAfterAnotherProgramsProtection",
              [](SetRecoveryFilesTest& f) {
                for (const std::string& name : f.RecoveryFileNames()) f.Remove(name);
                std::vector<recovery::InputFile> inputs;
                recovery::PlanRequest request;
                for (const auto& [name, bytes] : f.SetFiles()) {
                  inputs.push_back({f.PathOf(name), name});
                  request.file_sizes.push_back(bytes.size());
                  request.names.push_back(name);
                }
                request.redundancy_percent = 40;
                ASSERT_TRUE(recovery::CreateRecoveryFiles(f.fs_, f.Dir(), "backup", inputs,
                                                          recovery::PlanRecovery(request), "", {},
                                                          nullptr)
                                .ok());
                f.original_ = f.SetFiles();
                f.Add("new.bin", PatternBytes(30000, 99));
                f.Remove("backup2.pec");
              },
              Status::Code::kOk,
              RecoveryAge::kAdded,
              {"backup2.pec"},
              false,
              HeaderRepair::kWhenDamaged,
              0},
        // More empty files at the set's end than any list of them would keep, then an add.
        Scene{"ManyEmptyFilesThenAnAdd",
              [](SetRecoveryFilesTest& f) {
                std::vector<std::pair<std::string, std::string>> empty;
                for (int i = 0; i < 1100; ++i) empty.push_back({"e" + std::to_string(i), ""});
                {
                  PieceSet set(f.paths_, SetAccess::kReadWrite);
                  ASSERT_TRUE(f.AddSources(set, empty));
                }
                f.ProtectNow(40);
                f.Add("new.bin", PatternBytes(30000, 99));
                f.Remove("backup2.pec");
              },
              Status::Code::kOk,
              RecoveryAge::kAdded,
              {"backup2.pec"},
              false,
              HeaderRepair::kWhenDamaged,
              0},
        // A set made anew takes its recovery files away: none are left to use.
        Scene{"OlderThanANewSet",
              [](SetRecoveryFilesTest& f) {
                f.Replace({{"other.bin", PatternBytes(45000, 5)}});
              },
              Status::Code::kNotFound,
              RecoveryAge::kCurrent,
              {},
              false,
              HeaderRepair::kWhenDamaged,
              0},
        // The same files made into a set anew after one was changed in place (same size, bytes
        // past the first 16 KiB of a full piece): the header is the same, but copies of the old
        // recovery files under other names are known for the replaced set's and never used.
        Scene{"OldCopiesAfterTheSameShapeMadeAnew",
              [](SetRecoveryFilesTest& f) {
                f.CopyRecoveryFiles("copy of ");
                auto files = f.SixFiles(0);
                files[2].second[3300] ^= 0x55;  // piece 2, past its first 16 KiB
                f.Replace(files);
                f.Remove("backup2.pec");
              },
              Status::Code::kRefused,
              RecoveryAge::kCurrent,
              {},
              false,
              HeaderRepair::kWhenDamaged,
              0},
        // As above, protected anew, the history gone: the old copies share the recovery set's id
        // with the new files but not what they say of the changed piece; the new files match more
        // of the pieces at hand and are used.
        Scene{"OldCopiesBesideNewOnesWithoutHistory",
              [](SetRecoveryFilesTest& f) {
                f.CopyRecoveryFiles("copy of ");
                auto files = f.SixFiles(0);
                files[2].second[3300] ^= 0x55;  // piece 2, past its first 16 KiB
                f.Replace(files);
                f.ProtectNow();
                f.Remove("backup.history.par2");
                f.Flip("backup4.pec", 300);
              },
              Status::Code::kOk,
              RecoveryAge::kCurrent,
              {"backup4.pec"},
              false,
              HeaderRepair::kWhenDamaged,
              0},
        // ... and when the changed piece itself is lost, which set is the set's cannot be told.
        Scene{"OldCopiesTieWhenTheChangedPieceIsLost",
              [](SetRecoveryFilesTest& f) {
                f.CopyRecoveryFiles("copy of ");
                auto files = f.SixFiles(0);
                files[2].second[3300] ^= 0x55;  // piece 2, past its first 16 KiB
                f.Replace(files);
                f.ProtectNow();
                f.Remove("backup.history.par2");
                f.Remove("backup2.pec");
              },
              Status::Code::kRefused,
              RecoveryAge::kCurrent,
              {},
              false,
              HeaderRepair::kWhenDamaged,
              0},
        // Backup.pec beside backup.pec on a system that tells case: Backup's recovery files are
        // never backup's.
        Scene{"SetsWhoseNamesDifferOnlyInCase",
              [](SetRecoveryFilesTest& f) {
                if (f.fs_.IgnoresCase(f.Dir(), *f.fs_.ListDirectory(f.Dir()))) {
                  GTEST_SKIP() << "this file system ignores case";
                }
                for (const std::string& name : f.RecoveryFileNames()) f.Remove(name);
                f.MakeSet(f.PathOf("Backup"), 9);
                ASSERT_TRUE(ProtectSet(f.fs_, SetPaths{f.PathOf("Backup")}, {}, nullptr).ok());
                f.Remove("backup2.pec");
              },
              Status::Code::kNotFound,
              RecoveryAge::kCurrent,
              {},
              false,
              HeaderRepair::kWhenDamaged,
              0},
        // Another program stored into the set (nothing recorded says so): its header is left as
        // it is, and so is every piece.
        Scene{"HeaderChangedByAnotherProgram",
              [](SetRecoveryFilesTest& f) {
                f.Add("new.bin", PatternBytes(30000, 99));
                f.Remove("backup.history.par2");
                f.Remove("backup2.pec");
              },
              Status::Code::kOk,
              RecoveryAge::kDiffers,
              {},
              false,
              HeaderRepair::kWhenDamaged,
              0},
        // ... unless the protected header is asked for: it comes back, with the pieces it
        // covers, and the piece stored after it is named and kept aside.
        Scene{"ProtectedHeaderPutBackWhenAsked",
              [](SetRecoveryFilesTest& f) {
                f.ProtectNow(40);
                f.Add("new.bin", PatternBytes(30000, 99));
                f.Remove("backup.history.par2");
                f.Remove("backup2.pec");
              },
              Status::Code::kOk,
              RecoveryAge::kDiffers,
              {"backup.pec", "backup2.pec"},
              false,
              HeaderRepair::kPutBack,
              1},
        // A stored name changed in the header: it reads as a sound set, so only when asked.
        Scene{"RenamedInTheCatalogue",
              [](SetRecoveryFilesTest& f) {
                std::string header = ReadFile(f.PathOf("backup.pec"));
                const std::size_t at = header.rfind("f3");
                ASSERT_NE(at, std::string::npos);
                header[at] = 'g';
                WriteFile(f.PathOf("backup.pec"), header);
              },
              Status::Code::kOk,
              RecoveryAge::kDiffers,
              {},
              false,
              HeaderRepair::kWhenDamaged,
              0},
        // The header lost after an add that was not protected: the protected header comes back,
        // and the pieces the add wrote after its end are named and kept aside.
        Scene{"HeaderLostAfterAnAdd",
              [](SetRecoveryFilesTest& f) {
                f.Add("new.bin", PatternBytes(30000, 99));
                f.Remove("backup.pec");
              },
              Status::Code::kOk,
              RecoveryAge::kCurrent,
              {"backup.pec"},
              false,
              HeaderRepair::kWhenDamaged,
              1},
        // Copied from a FAT disk: every name in capitals, the recovery files' too.
        Scene{"Capitals",
              [](SetRecoveryFilesTest& f) {
                for (const std::string& name : ListFolder(f.Dir())) {
                  std::string upper = name;
                  for (char& c : upper) c = static_cast<char>(std::toupper(c));
                  if (upper != name && !fs::is_directory(FsPath(f.PathOf(name)))) {
                    fs::rename(FsPath(f.PathOf(name)), FsPath(f.PathOf(name + ".x")));
                    fs::rename(FsPath(f.PathOf(name + ".x")), FsPath(f.PathOf(upper)));
                  }
                }
                f.original_["BACKUP5.PEC"] = f.original_["backup5.pec"];
                f.paths_ = SetPaths{f.PathOf("BACKUP"), ".PEC"};
                f.Remove("BACKUP5.PEC");
              },
              Status::Code::kOk,
              RecoveryAge::kCurrent,
              {"BACKUP5.PEC"},
              false,
              HeaderRepair::kWhenDamaged,
              0},
        // One damaged byte in the main packet of every recovery file: the second copy serves.
        Scene{"DamagedMainPackets",
              [](SetRecoveryFilesTest& f) {
                for (const std::string& name : f.RecoveryFileNames()) f.Flip(name, 70);
                f.Remove("backup6.pec");
              },
              Status::Code::kOk,
              RecoveryAge::kCurrent,
              {"backup6.pec"},
              false,
              HeaderRepair::kWhenDamaged,
              0}),
    [](const ::testing::TestParamInfo<Scene>& param) { return param.param.what; });

// Hostile main packets (a block size of 0, one larger than the memory allowed or than a 32-bit
// build can hold) are named and not used, and cost no more than the file holding them.
TEST_F(SetRecoveryFilesTest, HostileBlockSizesAreRefusedByName) {
  for (const std::string& name : RecoveryFileNames()) Remove(name);
  // 2^32 + 512 is 512 where a 64-bit field is cut to 32 bits.
  for (const std::uint64_t slice :
       {std::uint64_t{0}, std::uint64_t{6}, std::uint64_t{512} << 20,
        (std::uint64_t{1} << 32) + 512, std::uint64_t{1} << 40, std::uint64_t{1} << 62}) {
    namespace par2 = recovery::par2;
    par2::FileDescription header;
    header.length = 40000;
    header.name = "backup.pec";
    header.file_id = par2::FileIdOf(header.hash16k, header.length, header.name);
    const std::string main = par2::MainBody(slice, {header.file_id});
    const par2::Id id = recovery::Md5::Of(std::span<const char>(main.data(), main.size()));
    const std::vector<par2::SliceChecksum> sums(1);
    WriteFile(PathOf("hostile.par2"),
              par2::CriticalPackets(id, main, {{header, sums}}, "", "test"));
    const Result<SetRecovery> recovery = LoadSetRecovery(fs_, paths_);
    EXPECT_EQ(recovery.status().code, Status::Code::kRefused) << slice;
    EXPECT_NE(recovery.status().message.find("hostile.par2"), std::string::npos)
        << recovery.status().message;
  }
}

// A file that names the header once, then holds packets of ever new recovery sets: what they take
// is bounded, the file is named and left out, and the set's own recovery files still serve.
TEST_F(SetRecoveryFilesTest, APacketFloodIsBoundedNamedAndLeftOut) {
  namespace par2 = recovery::par2;
  par2::FileDescription header;
  header.length = 40000;
  header.name = "backup.pec";
  header.file_id = par2::FileIdOf(header.hash16k, header.length, header.name);
  std::string flood = par2::MakePacket({}, par2::kFileDescType, par2::FileDescBody(header));
  for (std::uint32_t i = 0; i < 20000; ++i) {
    par2::Id id{};
    std::memcpy(id.data(), &i, sizeof i);
    flood += par2::MakePacket(id, par2::kCreatorType, "");
  }
  WriteFile(PathOf("flood.par2"), flood);
  Remove("backup3.pec");
  // 20,000 sets take some 8 MiB as the reader keeps them; 1 MiB is allowed here.
  const Result<SetRecovery> recovery = LoadSetRecovery(fs_, paths_, 2, std::uint64_t{1} << 20);
  ASSERT_TRUE(recovery.ok()) << recovery.status().message;
  EXPECT_NE(std::find(recovery->warnings.begin(), recovery->warnings.end(),
                      "Ignored " + PathOf("flood.par2") +
                          ": it holds more recovery packets than fit in the 1 MiB that recovery "
                          "files may take"),
            recovery->warnings.end());
  ASSERT_TRUE(RepairSet(fs_, paths_, *recovery, {}, nullptr).ok());
  EXPECT_EQ(ReadFile(PathOf("backup3.pec")), original_.at("backup3.pec"));
}

// A snapshot that hard-links the pieces keeps its copies: a repair replaces the set's damaged
// piece by a rename, never writing through the second name.
TEST_F(SetRecoveryFilesTest, APieceWithASecondNameIsReplacedNotWrittenThrough) {
  fs::create_directories(FsPath(PathOf("snapshot")));
  std::error_code error;
  for (const auto& [name, bytes] : original_) {
    fs::create_hard_link(FsPath(PathOf(name)), FsPath(PathOf("snapshot/" + name)), error);
    if (error) GTEST_SKIP() << "no hard links here: " << error.message();
  }
  Flip("backup2.pec", 100);
  const std::string damaged = ReadFile(PathOf("backup2.pec"));
  const Result<SetRecovery> recovery = LoadSetRecovery(fs_, paths_);
  ASSERT_TRUE(recovery.ok());
  const Result<SetRepair> repair = RepairSet(fs_, paths_, *recovery, {}, nullptr);
  ASSERT_TRUE(repair.ok()) << repair.status().message;
  EXPECT_EQ(ReadFile(PathOf("backup2.pec")), original_.at("backup2.pec"));
  EXPECT_EQ(ReadFile(PathOf("snapshot/backup2.pec")), damaged);
}

// Protect replaces and removes only the set's own recovery files: a user's file under one of its
// names stops it before anything changes, and other recovery files stay.
TEST_F(SetRecoveryFilesTest, ProtectTouchesOnlyItsOwnFiles) {
  MakeSet(PathOf("backup9"), 7);
  ASSERT_TRUE(ProtectSet(fs_, SetPaths{PathOf("backup9")}, {}, nullptr).ok());
  fs::copy_file(FsPath(PathOf("backup.par2")), FsPath(PathOf("mine.par2")));
  const std::vector<std::string> before = RecoveryFileNames();
  const Result<ProtectReport> again = ProtectSet(fs_, paths_, {}, nullptr);
  ASSERT_TRUE(again.ok()) << again.status().message;
  EXPECT_TRUE(again->removed.empty());  // the same names were written again
  EXPECT_EQ(RecoveryFileNames(), before);

  WriteFile(PathOf("backup.par2"), "a user's own file");
  const Result<ProtectReport> refused = ProtectSet(fs_, paths_, {}, nullptr);
  EXPECT_EQ(refused.status().code, Status::Code::kNameTaken);
  EXPECT_NE(refused.status().message.find("backup.par2 is in the way"), std::string::npos)
      << refused.status().message;
  EXPECT_EQ(ReadFile(PathOf("backup.par2")), "a user's own file");
}

// Protect of Backup beside backup (names that differ only in case, on a system that tells them
// apart) leaves backup's recovery files alone, and they stay backup's.
TEST_F(SetRecoveryFilesTest, ProtectOfASetSpeltOtherwiseLeavesTheOthersRecoveryFiles) {
  if (fs_.IgnoresCase(Dir(), *fs_.ListDirectory(Dir()))) GTEST_SKIP() << "case is ignored here";
  MakeSet(PathOf("Backup"), 9);
  const std::vector<std::string> before = RecoveryFileNames();
  const Result<ProtectReport> report = ProtectSet(fs_, SetPaths{PathOf("Backup")}, {}, nullptr);
  ASSERT_TRUE(report.ok()) << report.status().message;
  EXPECT_TRUE(report->removed.empty());
  for (const std::string& name : before) EXPECT_TRUE(FileExists(PathOf(name))) << name;
  Remove("backup2.pec");
  const Result<SetRecovery> recovery = LoadSetRecovery(fs_, paths_);
  ASSERT_TRUE(recovery.ok()) << recovery.status().message;
  ASSERT_TRUE(RepairSet(fs_, paths_, *recovery, {}, nullptr).ok());
  EXPECT_EQ(ReadFile(PathOf("backup2.pec")), original_.at("backup2.pec"));
}

// By default the recovery data covers the loss of any one piece, however small the share.
TEST_F(SetRecoveryFilesTest, TheDefaultCoversOneLostPiece) {
  const Result<ProtectReport> report = ProtectSet(fs_, paths_, {}, nullptr);
  ASSERT_TRUE(report.ok());
  EXPECT_GE(report->plan.files_covered, 1u);
  EXPECT_GE(report->plan.percent_covered, 10u);
  Remove("backup3.pec");
  const Result<SetRecovery> recovery = LoadSetRecovery(fs_, paths_);
  ASSERT_TRUE(recovery.ok());
  EXPECT_TRUE(RepairSet(fs_, paths_, *recovery, {}, nullptr).ok());
  EXPECT_EQ(ReadFile(PathOf("backup3.pec")), original_.at("backup3.pec"));
}

}  // namespace
}  // namespace vornalis::testing
