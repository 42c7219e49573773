// The recovery library: its hashes against the published vectors, its arithmetic on every
// engine the processor has against the plain definition, and recovery files made, checked and
// used for repair on real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "platform/file_system.h"
#include "recovery/check.h"
#include "recovery/crc32.h"
#include "recovery/create.h"
#include "recovery/galois.h"
#include "recovery/md5.h"
#include "recovery/md5_many.h"
#include "recovery/reed_solomon.h"
#include "tests/support/test_files.h"

namespace vornalis::testing {
namespace {

using namespace vornalis::recovery;

std::string Hex(const Md5Digest& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (const std::uint8_t byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

TEST(HashTest, Md5AndCrc32GiveThePublishedValuesInOnePieceOrMany) {
  std::string eighty;
  for (int i = 0; i < 8; ++i) eighty += "1234567890";
  const std::pair<std::string, std::string> vectors[] = {
      // RFC 1321, appendix A.5
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {eighty, "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [text, digest] : vectors) {
    EXPECT_EQ(Hex(Md5::Of(text)), digest) << text;
    Md5 pieces;  // fed unevenly, across block edges
    for (std::size_t at = 0; at < text.size(); at += 7)
      pieces.Update(std::string_view(text).substr(at, 7));
    EXPECT_EQ(Hex(pieces.Final()), digest) << text;
  }
  // Many messages at once, eight at a time where the processor allows: the same digests, for
  // lengths that end in one or two blocks of padding.
  for (const std::size_t length :
       {std::size_t{0}, std::size_t{64}, std::size_t{1000}, std::size_t{120}}) {
    std::vector<std::string> messages;
    std::vector<const char*> pointers;
    for (std::uint32_t i = 0; i < 11; ++i) messages.push_back(PatternBytes(length, i));
    for (const std::string& message : messages) pointers.push_back(message.data());
    std::vector<Md5Digest> digests(messages.size());
    Md5Many(pointers.data(), pointers.size(), length, digests.data());
    for (std::size_t i = 0; i < messages.size(); ++i)
      EXPECT_EQ(digests[i], Md5::Of(messages[i])) << length << " " << i;
  }
  EXPECT_EQ(Crc32(std::string_view("123456789")), 0xCBF43926u);
  const std::string bytes = PatternBytes(1000, 3);
  EXPECT_EQ(
      Crc32(std::string_view(bytes).substr(300), Crc32(std::string_view(bytes).substr(0, 300))),
      Crc32(bytes));
}

TEST(GaloisTest, EveryEngineMultipliesAsTheFieldDefinesAndTheConstantsAreThePublishedOnes) {
  // The first constants of input slices, as PAR 2.0 lists them.
  const std::uint16_t constants[] = {2, 4, 16, 128, 256, 2048, 8192, 16384, 4107, 32856, 17132};
  for (std::uint32_t g = 0; g < 11; ++g) EXPECT_EQ(SliceConstant(g), constants[g]) << g;
  EXPECT_EQ(gf::Multiply(0x8000, 2), 0x100B);  // x^16 = x^12 + x^3 + x + 1
  EXPECT_EQ(gf::Divide(gf::Multiply(1234, 5678), 5678), 1234);
  EXPECT_EQ(gf::Power(3, 65535), 1);

  std::mt19937 random(7);
  std::string src(4099 * 2, '\0'), start(src.size(), '\0');
  for (char& c : src) c = static_cast<char>(random());
  for (char& c : start) c = static_cast<char>(random());
  for (const gf::Engine engine :
       {gf::Engine::kAvx512, gf::Engine::kAvx2, gf::Engine::kSsse3, gf::Engine::kPortable}) {
    if (!gf::HasEngine(engine)) continue;
    for (const std::uint16_t factor : {0, 1, 2, 0x100B, 0xFFFF, 0x1234}) {
      for (const std::size_t bytes : {std::size_t{2}, std::size_t{126}, src.size()}) {
        std::string dst = start;
        gf::Multiplier(factor, engine).AddTo(src.data(), dst.data(), bytes);
        for (std::size_t i = 0; i < dst.size(); i += 2) {
          const auto word = [](const std::string& s, std::size_t at) {
            return static_cast<std::uint16_t>(static_cast<std::uint8_t>(s[at]) |
                                              static_cast<std::uint8_t>(s[at + 1]) << 8);
          };
          const std::uint16_t expected =
              i < bytes ? word(start, i) ^ gf::Multiply(factor, word(src, i)) : word(start, i);
          ASSERT_EQ(word(dst, i), expected) << gf::EngineName(engine) << " factor " << factor
                                            << " bytes " << bytes << " at " << i;
        }
      }
    }
  }
}

class RecoveryFilesTest : public TempDirTest {
 protected:
  platform::FileSystem& fs_ = platform::RealFileSystem();

  // Three files of odd lengths; the recovery data covers a quarter of their slices.
  void SetUp() override {
    TempDirTest::SetUp();
    contents_ = {PatternBytes(10000, 1), PatternBytes(4097, 2), PatternBytes(23, 3)};
    names_ = {"one.bin", "two.bin", "three.bin"};
    PlanRequest request;
    for (std::size_t i = 0; i < names_.size(); ++i) {
      WriteFile(PathOf(names_[i]), contents_[i]);
      inputs_.push_back({PathOf(names_[i]), names_[i]});
      request.file_sizes.push_back(contents_[i].size());
      request.names.push_back(names_[i]);
    }
    request.redundancy_percent = 25;
    request.recovery_files = 2;
    plan_ = PlanRecovery(request);
    plan_.slice_size = 1000;  // small slices, so that a few bytes damage only some of them
    plan_.input_slices = 10 + 5 + 1;
    plan_.recovery_slices = 4;
    plan_.slices_per_file = {2, 2};
  }

  std::vector<std::string> Make(const WorkOptions& options, const std::string& base) {
    Result<CreateOutcome> made =
        CreateRecoveryFiles(fs_, Dir(), base, inputs_, plan_, "", options, nullptr);
    EXPECT_TRUE(made.ok()) << made.status().path;
    return made.ok() ? made->written : std::vector<std::string>();
  }

  par2::RecoverySet Load(const std::vector<std::string>& files) {
    par2::Candidates read = par2::ReadRecoveryFiles(fs_, files);
    EXPECT_EQ(read.sets.size(), 1u);
    return read.sets.front();
  }

  std::vector<std::string> contents_, names_;
  std::vector<InputFile> inputs_;
  Plan plan_;
};

TEST_F(RecoveryFilesTest, FilesMadeInOnePassOrManyAndOnAnyThreadsAreTheSame) {
  const std::vector<std::string> one = Make(WorkOptions{}, "a");
  ASSERT_EQ(one.size(), 3u);
  EXPECT_EQ(FsPath(one[0]).filename(), "a.par2");
  EXPECT_EQ(FsPath(one[1]).filename(), "a.vol0+2.par2");
  EXPECT_EQ(FsPath(one[2]).filename(), "a.vol2+2.par2");
  WorkOptions small;
  small.memory = 1000;  // one recovery slice at a time: four passes
  small.threads = 3;
  const std::vector<std::string> many = Make(small, "b");
  for (std::size_t i = 0; i < one.size(); ++i) EXPECT_EQ(ReadFile(one[i]), ReadFile(many[i])) << i;
  const par2::RecoverySet set = Load(one);
  EXPECT_TRUE(set.Complete());
  EXPECT_EQ(set.slices.size(), 4u);
  EXPECT_EQ(set.creator, CreatorText());
}

TEST_F(RecoveryFilesTest, LostAndDamagedFilesAreFoundAndRepairedByteForByte) {
  const std::vector<std::string> files = Make(WorkOptions{}, "set");
  // Two slices of one.bin damaged, three.bin gone (3 slices of 4 recovered); two.bin has zero
  // bytes after its end, which leave its slices sound but make it no longer whole.
  std::string damaged = contents_[0];
  damaged[10] ^= 1;
  damaged[9999] ^= 1;
  WriteFile(PathOf("one.bin"), damaged);
  std::filesystem::remove(FsPath(PathOf("three.bin")));
  WriteFile(PathOf("two.bin"), contents_[1] + std::string(4, '\0'));
  // A damaged recovery file gives what is sound in it.
  std::string volume = ReadFile(files[1]);
  // In the last recovery slice of the first volume (its packets that describe the files follow).
  volume[volume.rfind(std::string(par2::kRecoverySliceType)) + 30] ^= 1;
  WriteFile(files[1], volume);
  par2::Candidates read = par2::ReadRecoveryFiles(fs_, files);
  EXPECT_EQ(read.damaged, std::vector<std::string>{files[1]});
  const par2::RecoverySet set = read.sets.front();
  ASSERT_TRUE(set.Complete());
  EXPECT_EQ(set.slices.size(), 3u);

  const Targets targets = *TargetsBelow(Dir(), set);
  Result<CheckResult> check = CheckFiles(fs_, targets, set, WorkOptions{}, nullptr);
  ASSERT_TRUE(check.ok());
  EXPECT_EQ(check->bad_slices, 3u);
  EXPECT_EQ(check->recovery_slices, 3u);
  EXPECT_TRUE(check->repairable());
  EXPECT_FALSE(check->whole());
  Result<std::vector<std::string>> repaired =
      RepairFiles(fs_, targets, set, *check, WorkOptions{}, nullptr);
  ASSERT_TRUE(repaired.ok()) << repaired.status().path;
  EXPECT_EQ(repaired->size(), 3u);
  for (std::size_t i = 0; i < names_.size(); ++i)
    EXPECT_EQ(ReadFile(PathOf(names_[i])), contents_[i]);
  EXPECT_TRUE(CheckFiles(fs_, targets, set, WorkOptions{}, nullptr)->whole());

  // More lost than the recovery data covers: refused, and nothing changes.
  std::filesystem::remove(FsPath(PathOf("one.bin")));
  check = CheckFiles(fs_, targets, set, WorkOptions{}, nullptr);
  EXPECT_EQ(check->bad_slices, 10u);
  EXPECT_FALSE(check->repairable());
  EXPECT_FALSE(RepairFiles(fs_, targets, set, *check, WorkOptions{}, nullptr).ok());
  EXPECT_EQ(ListFolder(Dir()).size(), 5u);  // two.bin, three.bin and the recovery files
}

// A set as one file holds it: one description of a file of length 40000 whose whole hash is
// `whole`, and recovery slices with the exponents given.
par2::ReadResult OneFile(const std::string& path, std::uint8_t whole, bool describes,
                         std::vector<std::uint32_t> exponents) {
  par2::RecoverySet set;
  set.set_id[0] = 7;  // one recovery set id for every file
  set.paths = {path};
  if (describes) {
    par2::FileDescription file;
    file.file_id[0] = 1;
    file.length = 40000;
    file.hash[0] = whole;
    file.name = "backup.pec";
    set.files.emplace(file.file_id, file);
  }
  for (const std::uint32_t exponent : exponents)
    set.slices.emplace(exponent, par2::RecoverySlice{path, 0, 0, exponent});
  par2::ReadResult result;
  result.sets.emplace(set.set_id, std::move(set));
  return result;
}

// Files of one recovery set id are put together only where they agree: an old copy whose
// description of a file differs from the new files' makes a candidate of its own; files that
// describe nothing join the only candidate of their id, and none when there are several.
TEST(GroupAgreeingTest, FilesThatDescribeAFileDifferentlyAreNeverMerged) {
  std::vector<par2::ReadResult> each;
  each.push_back(OneFile("copy of backup.vol0+2.par2", 1, true, {0, 1}));  // last week's
  each.push_back(OneFile("backup.par2", 2, true, {}));
  each.push_back(OneFile("backup.vol0+2.par2", 2, true, {0, 1}));
  each.push_back(OneFile("slices only.par2", 0, false, {5}));
  par2::Candidates grouped = par2::GroupAgreeing(std::move(each));
  ASSERT_EQ(grouped.sets.size(), 2u);
  EXPECT_EQ(grouped.sets[0].paths, std::vector<std::string>{"copy of backup.vol0+2.par2"});
  EXPECT_EQ(grouped.sets[1].paths, (std::vector<std::string>{"backup.par2", "backup.vol0+2.par2"}));
  EXPECT_EQ(grouped.sets[1].slices.at(0).path, "backup.vol0+2.par2");
  EXPECT_EQ(grouped.unplaced, std::vector<std::string>{"slices only.par2"});

  // With one candidate of the id, files of recovery slices alone join it.
  each.clear();
  each.push_back(OneFile("backup.par2", 2, true, {}));
  each.push_back(OneFile("slices only.par2", 0, false, {5}));
  grouped = par2::GroupAgreeing(std::move(each));
  ASSERT_EQ(grouped.sets.size(), 1u);
  EXPECT_TRUE(grouped.sets[0].slices.contains(5));
  EXPECT_TRUE(grouped.unplaced.empty());
}

// A main packet whose MD5 is not its set's id is damaged, not a set's main packet.
TEST_F(RecoveryFilesTest, AMainPacketThatIsNotItsSetsIdIsPassedOver) {
  const std::string main = par2::MainBody(1000, {});
  par2::Id wrong{};
  wrong[0] = 1;
  WriteFile(PathOf("odd.par2"), par2::MakePacket(wrong, par2::kMainType, main));
  const par2::Candidates read = par2::ReadRecoveryFiles(fs_, {PathOf("odd.par2")});
  EXPECT_EQ(read.damaged, std::vector<std::string>{PathOf("odd.par2")});
  ASSERT_EQ(read.sets.size(), 1u);
  EXPECT_FALSE(read.sets[0].has_main);
}

}  // namespace
}  // namespace vornalis::testing
