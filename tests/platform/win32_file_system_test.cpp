// The Windows file system layer (run under Wine): paths made absolute by their letters, names
// that Windows would otherwise read as something else, names no Windows file can have, new files
// published under a name, and the lock of a set.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>

#include "platform/file_system.h"
#include "platform/path.h"
#include "tests/support/test_files.h"

namespace vornalis::testing {
namespace {

using platform::FileSystem;
using platform::OpenMode;

TEST(Win32PathTest, AbsolutePathsAreResolvedByTheirLetters) {
  const std::u8string current = std::filesystem::current_path().u8string();
  const std::string here(current.begin(), current.end());
  const struct {
    const char* given;
    std::string absolute;
  } cases[] = {
      {"C:\\a\\b\\..\\c", "C:\\a\\c"},
      {"C:/a/./b/", "C:\\a\\b\\"},
      {"C:\\a\\..\\..\\x", "C:\\x"},
      {"\\\\server\\share\\x\\..\\y", "\\\\server\\share\\y"},
      {"\\\\?\\C:\\keep\\..\\as is", "\\\\?\\C:\\keep\\..\\as is"},
      {"name.", platform::WithSeparator(here) + "name."},
      {"sub\\..\\CON", platform::WithSeparator(here) + "CON"},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::AbsolutePath(c.given), c.absolute) << c.given;
}

class Win32FileSystemTest : public TempDirTest {
 protected:
  FileSystem& fs_ = platform::RealFileSystem();
};

TEST_F(Win32FileSystemTest, NamesWindowsWouldReadAsOthersAreKeptAndForbiddenOnesRefused) {
  auto folder = fs_.OpenDirectory(Dir());
  ASSERT_TRUE(folder.ok());
  // A trailing dot or space and a device's name are plain files here.
  for (const char* name : {"name.", "space ", "CON", "caf\xC3\xA9"}) {
    std::unique_ptr<platform::File> file = folder->CreateNewFile("tmp").take();
    ASSERT_TRUE(file) << name;
    ASSERT_TRUE(file->Write(std::string(name)).ok());
    ASSERT_TRUE(folder->Publish(file, name, platform::Directory::Replace::kNever).ok()) << name;
    auto read = fs_.Open(PathOf(name), OpenMode::kRead);
    ASSERT_TRUE(read.ok()) << name;
    std::string bytes(16, '\0');
    EXPECT_EQ(*read->Read(bytes), std::string(name).size()) << name;
  }
  // (The C++ library's own file functions would take CON for the device: the names are listed
  // and removed here through the layer itself.)
  const auto listed = [&] {
    std::vector<std::string> names;
    const Result<std::vector<platform::DirEntry>> entries = fs_.ListDirectory(Dir());
    for (const platform::DirEntry& entry : *entries) names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
  };
  EXPECT_EQ(listed(), (std::vector<std::string>{"CON", "caf\xC3\xA9", "name.", "space "}));
  // A colon would name a stream of another file; these characters no file may have.
  for (const char* name : {"name.:stream", "a|b", "c\x01x", "d\"e", "..", "sub\\name"}) {
    EXPECT_EQ(folder->Inspect(name).error(), EINVAL) << name;
    EXPECT_EQ(folder->OpenChild(name, true).error(), EINVAL) << name;
  }
  EXPECT_EQ(listed().size(), 4u);
  for (const std::string& name : listed()) EXPECT_TRUE(folder->Remove(name).ok()) << name;
}

TEST_F(Win32FileSystemTest, PublishingKeepsOrReplacesAsAskedAndLocksKeepOthersOut) {
  auto folder = fs_.OpenDirectory(Dir());
  ASSERT_TRUE(folder.ok());
  WriteFile(PathOf("taken"), "old");
  std::unique_ptr<platform::File> file = folder->CreateNewFile("tmp").take();
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->Write(std::string("new")).ok());
  const Status refused = folder->Publish(file, "taken", platform::Directory::Replace::kNever);
  EXPECT_EQ(refused.error, EEXIST);
  ASSERT_TRUE(file) << "a taken name leaves the file open";
  EXPECT_EQ(ReadFile(PathOf("taken")), "old");
  ASSERT_TRUE(folder->Publish(file, "taken", platform::Directory::Replace::kAny).ok());
  EXPECT_EQ(ReadFile(PathOf("taken")), "new");
  EXPECT_EQ(ListFolder(Dir()), std::vector<std::string>{"taken"});

  {
    auto lock = fs_.LockFile(PathOf("set.pec.lock"));
    ASSERT_TRUE(lock.ok()) << lock.status().error;
    EXPECT_EQ(fs_.LockFile(PathOf("set.pec.lock")).error(), EWOULDBLOCK);
  }
  EXPECT_FALSE(FileExists(PathOf("set.pec.lock")));
  WriteFile(PathOf("other.lock"), "someone's notes");
  EXPECT_EQ(fs_.LockFile(PathOf("other.lock")).error(), platform::kNotALockFile);
  EXPECT_EQ(ReadFile(PathOf("other.lock")), "someone's notes");
}

}  // namespace
}  // namespace vornalis::testing
