// Names Windows does not keep as stored, and how a rebuild on Windows names their files.
#include <gtest/gtest.h>

#include "engine/piece_layout.h"
#include "engine/rebuild.h"
#include "engine/set_reader.h"
#include "engine/windows_names.h"
#include "platform/path.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

TEST(WindowsNamesTest, DeviceNamesAndTrailingDotsAndSpacesGetNamesWindowsAccepts) {
  // Every device name, in three spellings of case, alone, before one or two extensions and
  // with spaces before its dot.
  const std::vector<std::string> devices = {
      "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5",   "COM6",
      "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6",   "LPT7",
      "LPT8", "LPT9", "COM¹", "COM²", "COM³", "LPT¹", "LPT²", "LPT³", "CONIN$", "CONOUT$"};
  for (const std::string& device : devices) {
    std::string lower = device, mixed = device;
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    mixed[1] = lower[1];
    for (const std::string& spelt : {device, lower, mixed}) {
      for (const std::string& name :
           {spelt, spelt + ".c", spelt + ".tar.gz", spelt + "  .txt", spelt + "."}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(JudgeWindowsName(name), WindowsName::kDevice);
        const std::string accepted = WindowsAcceptedName(name);
        EXPECT_EQ(JudgeWindowsName(accepted), WindowsName::kKept) << accepted;
      }
      EXPECT_EQ(WindowsAcceptedName(spelt + ".c"), "_" + spelt + ".c");
      EXPECT_EQ(WindowsAcceptedName(spelt), "_" + spelt);
    }
  }
  struct Case {
    const char* name;
    WindowsName judged;
    const char* accepted;
  };
  const Case cases[] = {
      {"name.", WindowsName::kTrailing, "name_"},
      {"name ", WindowsName::kTrailing, "name_"},
      {"name. .", WindowsName::kTrailing, "name___"},
      {"...", WindowsName::kTrailing, "___"},
      {"con.txt.", WindowsName::kDevice, "_con.txt_"},
      {"aux.", WindowsName::kDevice, "aux_"},  // once the dot is gone, no device is left
      {"com0.c", WindowsName::kKept, "com0.c"},
      {"lpt10", WindowsName::kKept, "lpt10"},
      {"console", WindowsName::kKept, "console"},
      {"auxiliary.c", WindowsName::kKept, "auxiliary.c"},
      {"xnul", WindowsName::kKept, "xnul"},
      {"_aux.c", WindowsName::kKept, "_aux.c"},
      {"con_", WindowsName::kKept, "con_"},
      {".profile", WindowsName::kKept, ".profile"},
      {"a b.txt", WindowsName::kKept, "a b.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(JudgeWindowsName(c.name), c.judged);
    EXPECT_EQ(WindowsAcceptedName(c.name), c.accepted);
  }
  WindowsName reason;
  EXPECT_EQ(WindowsAcceptedFolder("docs\\aux\\x.\\", &reason), "docs\\_aux\\x_\\");
  EXPECT_EQ(reason, WindowsName::kDevice);
  EXPECT_EQ(WindowsAcceptedFolder("a\\b\\", &reason), "a\\b\\");
  EXPECT_EQ(reason, WindowsName::kKept);
}

class WindowsRebuildTest : public SetTest {
 protected:
  // Rebuilds the whole set below target as a rebuild on Windows names files; each entry's
  // outcome by its stored path.
  std::map<std::string, Status> RebuildAsOnWindows(const std::string& target) {
    SetReader reader(platform::RealFileSystem(), Base());
    std::vector<StoredFile> files;
    std::vector<char> buffer(1 << 20);
    EXPECT_TRUE(reader.ReadSnapshot(&files, buffer).ok());
    const OverlapIndex overlaps(files, reader.shape());
    PieceSource source{platform::RealFileSystem(),
                       reader.paths(),
                       reader.shape(),
                       reader.tail_length() > 0 ? reader.last_piece() : 0,
                       &reader.header(),
                       &overlaps};
    source.windows_names = true;
    std::vector<const StoredFile*> entries;
    for (const StoredFile& file : files) entries.push_back(&file);
    struct Outcomes final : RebuildObserver {
      bool Rebuilt(const StoredFile& entry, const Status& status) noexcept override {
        by_path[entry.Folder + entry.Name] = status;
        return true;
      }
      std::map<std::string, Status> by_path;
    } outcomes;
    EXPECT_TRUE(RebuildFiles(source, target, entries, buffer, &outcomes).ok());
    return outcomes.by_path;
  }
};

TEST_F(WindowsRebuildTest, RenamedFilesNeverTakeAnotherFilesNameAndEachChangeIsSaid) {
  if (platform::kWindows) GTEST_SKIP() << "these sources cannot be made under their names here";
  {
    PieceSet set(Base(), 1000);
    ASSERT_TRUE(AddSources(set, {{"aux.c", "device"},
                                 {"_aux.c", "stored with the underscore"},
                                 {"name.", "dot"},
                                 {"name ", "space"},
                                 {"CON", "console"},
                                 {"AUX/inner.txt", "in a device folder"},
                                 {"plain.txt", "plain"}}));
    ASSERT_SET_OK(set, Close());
  }
  const std::map<std::string, Status> outcomes = RebuildAsOnWindows(PathOf("out/"));
  struct Expected {
    const char* stored;
    const char* rebuilt;  // relative to out/
    const char* message;  // empty: rebuilt as stored
  };
  const Expected expected[] = {
      {"_aux.c", "_aux.c", ""},
      {"plain.txt", "plain.txt", ""},
      {"aux.c", "__aux.c", "aux.c was rebuilt as __aux.c: Windows reserves that name"},
      {"CON", "_CON", "CON was rebuilt as _CON: Windows reserves that name"},
      {"AUX\\inner.txt", "_AUX/inner.txt",
       "AUX\\inner.txt was rebuilt as _AUX\\inner.txt: Windows reserves that name"},
  };
  std::map<std::string, std::string> contents = {{"_aux.c", "stored with the underscore"},
                                                 {"plain.txt", "plain"},
                                                 {"aux.c", "device"},
                                                 {"CON", "console"},
                                                 {"AUX\\inner.txt", "in a device folder"}};
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.stored);
    ASSERT_EQ(outcomes.count(e.stored), 1u);
    const Status& status = outcomes.at(e.stored);
    EXPECT_EQ(status.message, e.message);
    EXPECT_EQ(status.code, *e.message ? Status::Code::kRenamed : Status::Code::kOk);
    EXPECT_EQ(ReadFile(PathOf("out/" + std::string(e.rebuilt))), contents[e.stored]);
  }
  // "name." and "name " both become "name_": the first rebuilt takes it, the other one more "_".
  const std::set<std::string> trailing = {outcomes.at("name.").message,
                                          outcomes.at("name ").message};
  EXPECT_EQ(trailing, (std::set<std::string>{
                          "name. was rebuilt as name_: Windows does not keep a dot or a space at "
                          "the end of a name",
                          "name  was rebuilt as _name_: Windows does not keep a dot or a space at "
                          "the end of a name"}));
  EXPECT_EQ(ReadFile(PathOf("out/name_")), "dot");
  EXPECT_EQ(ReadFile(PathOf("out/_name_")), "space");
  EXPECT_EQ(ListFolder(PathOf("out")),
            (std::vector<std::string>{"_AUX", "_CON", "__aux.c", "_aux.c", "_name_", "name_",
                                      "plain.txt"}));
}

}  // namespace
}  // namespace vornalis::testing
