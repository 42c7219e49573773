// The real file system on POSIX systems: what it refuses to open, locks, publishing a new file
// under a name, copies in the kernel and through the buffer, and what it tells of files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/file_system.h"
#include "platform/temp_file.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/test_files.h"

namespace vornalis::testing {
namespace {

namespace fs = std::filesystem;
using platform::OpenMode;

class PosixFileSystemTest : public TempDirTest {
 protected:
  platform::FileSystem& fs_ = platform::RealFileSystem();
};

TEST_F(PosixFileSystemTest, OnlyRegularFilesOpenAndNothingIsWrittenThroughALink) {
  WriteFile(PathOf("file"), "precious");
  fs::create_symlink(PathOf("file"), PathOf("link"));
  fs::create_directory(PathOf("folder"));
  ASSERT_EQ(mkfifo(PathOf("fifo").c_str(), 0644), 0);
  struct Case {
    const char* name;
    OpenMode mode;
    int error;  // 0: opens
  };
  const Case cases[] = {
      {"link", OpenMode::kRead, 0},  // reading follows a link: a source may be one
      {"link", OpenMode::kUpdate, ELOOP},
      {"link", OpenMode::kCreate, ELOOP},
      {"link", OpenMode::kCreateNew, EEXIST},
      {"file", OpenMode::kCreateNew, EEXIST},
      {"fifo", OpenMode::kRead, platform::kNotRegularFile},  // refused without blocking
      {"fifo", OpenMode::kCreate, platform::kNotRegularFile},
      {"folder", OpenMode::kRead, EISDIR},
      {"missing", OpenMode::kRead, ENOENT},
      {"new", OpenMode::kCreateNew, 0},
  };
  for (const Case& c : cases) {
    int error = 0;
    auto file = fs_.Open(PathOf(c.name), c.mode, &error);
    EXPECT_EQ(file != nullptr, c.error == 0) << c.name;
    EXPECT_EQ(file ? 0 : error, c.error) << c.name;
  }
  EXPECT_EQ(ReadFile(PathOf("file")), "precious");
  int error = 0;
  auto folder = fs_.OpenDirectory(Dir(), &error);
  ASSERT_TRUE(folder);
  // A link, to a file or a folder, is named as a link; a file is no folder.
  EXPECT_FALSE(folder->OpenChild("link", true, &error));
  EXPECT_EQ(error, ELOOP);
  EXPECT_FALSE(folder->OpenChild("file", true, &error));
  EXPECT_EQ(error, ENOTDIR);
  fs::create_directory_symlink(PathOf("folder"), PathOf("folder-link"));
  EXPECT_FALSE(folder->OpenChild("folder-link", true, &error));
  EXPECT_EQ(error, ELOOP);
}

TEST_F(PosixFileSystemTest, InspectTellsLinksOwnersAndNamesAndReadAtKeepsThePosition) {
  WriteFile(PathOf("file"), "0123456789");
  fs::create_symlink(PathOf("file"), PathOf("link"));
  fs::create_hard_link(PathOf("file"), PathOf("second"));
  platform::FileInfo info;
  ASSERT_EQ(fs_.Inspect(PathOf("link"), &info), 0);
  EXPECT_EQ(info.kind, platform::FileInfo::Kind::kLink);
  ASSERT_EQ(fs_.Inspect(PathOf("link"), &info, true), 0);
  EXPECT_EQ(info.kind, platform::FileInfo::Kind::kRegular);
  EXPECT_EQ(info.links, 2u);
  EXPECT_EQ(info.owner, platform::CurrentUser());
  EXPECT_EQ(fs_.Inspect(PathOf("missing"), &info), ENOENT);
  EXPECT_FALSE(info.exists());

  int error = 0;
  auto file = fs_.Open(PathOf("second"), OpenMode::kRead, &error);
  ASSERT_TRUE(file);
  platform::FileInfo opened;
  ASSERT_EQ(file->Inspect(&opened), 0);
  ASSERT_EQ(fs_.Inspect(PathOf("file"), &info), 0);
  EXPECT_TRUE(opened.SameFile(info));
  std::string middle(4, '\0');
  EXPECT_EQ(file->ReadAt(3, middle).count, 4u);
  EXPECT_EQ(middle, "3456");
  std::string start(2, '\0');
  EXPECT_EQ(file->Read(start).count, 2u);
  EXPECT_EQ(start, "01");
}

TEST_F(PosixFileSystemTest, ALockIsOneHoldersAndOnlyAnEmptyFileOfThisUserIsTakenForOne) {
  int error = 0;
  auto held = fs_.LockFile(PathOf("set.pec.lock"), &error);
  ASSERT_TRUE(held);
  EXPECT_FALSE(fs_.LockFile(PathOf("set.pec.lock"), &error));
  EXPECT_EQ(error, EWOULDBLOCK);
  held.reset();
  EXPECT_FALSE(FileExists(PathOf("set.pec.lock")));  // released, and gone
  EXPECT_TRUE(fs_.LockFile(PathOf("set.pec.lock"), &error));
  // A file with something in it, or a link, at the lock's name is nobody's lock.
  WriteFile(PathOf("other.lock"), "notes");
  EXPECT_FALSE(fs_.LockFile(PathOf("other.lock"), &error));
  EXPECT_EQ(error, platform::kNotALockFile);
  EXPECT_EQ(ReadFile(PathOf("other.lock")), "notes");
  fs::create_symlink(PathOf("other.lock"), PathOf("link.lock"));
  EXPECT_FALSE(fs_.LockFile(PathOf("link.lock"), &error));
  EXPECT_EQ(error, ELOOP);
}

TEST_F(PosixFileSystemTest, ANewFileTakesItsNameWholeAndReplacesOnlyWhenAsked) {
  int error = 0;
  auto folder = fs_.OpenDirectory(Dir(), &error);
  ASSERT_TRUE(folder);
  auto file = folder->CreateNewFile("Qbtm", &error);
  ASSERT_TRUE(file);
  ASSERT_EQ(file->Write(std::string("new bytes")).error, 0);
  EXPECT_EQ(ListFolder(Dir()), std::vector<std::string>{}) << "nobody sees it before";
  WriteFile(PathOf("name"), "old");
  EXPECT_EQ(folder->Publish(file, "name", platform::Directory::Replace::kNever), EEXIST);
  ASSERT_TRUE(file) << "a taken name leaves the file to the caller";
  EXPECT_EQ(ReadFile(PathOf("name")), "old");
  EXPECT_EQ(folder->Publish(file, "name", platform::Directory::Replace::kAny), 0);
  EXPECT_FALSE(file);
  EXPECT_EQ(ReadFile(PathOf("name")), "new bytes");
  // A link at the name is replaced itself, never written through.
  WriteFile(PathOf("target"), "precious");
  fs::create_symlink(PathOf("target"), PathOf("linked"));
  file = folder->CreateNewFile("Qbtm", &error);
  ASSERT_TRUE(file);
  file->Write(std::string("x"));
  EXPECT_EQ(folder->Publish(file, "linked", platform::Directory::Replace::kAny), 0);
  EXPECT_EQ(ReadFile(PathOf("target")), "precious");
  EXPECT_FALSE(fs::is_symlink(PathOf("linked")));
  EXPECT_EQ(ListFolder(Dir()), (std::vector<std::string>{"linked", "name", "target"}));

  // A temporary file that never takes its name is gone when dropped.
  {
    auto temp = platform::TempFile::Create(fs_, Dir(), "Qbtm", &error);
    ASSERT_TRUE(temp);
  }
  EXPECT_EQ(ListFolder(Dir()).size(), 3u);
}

TEST_F(PosixFileSystemTest, CopiesInTheKernelAndThroughTheBufferGiveTheSameBytes) {
  const std::string bytes = PatternBytes(3 << 20, 7);
  WriteFile(PathOf("source"), bytes);
  FaultFileSystem wrapped(fs_);  // its files have no handle: copies go through the buffer
  for (platform::FileSystem* system : {&fs_, static_cast<platform::FileSystem*>(&wrapped)}) {
    int error = 0;
    auto source = system->Open(PathOf("source"), OpenMode::kRead, &error);
    auto target = system->Open(PathOf("target"), OpenMode::kCreate, &error);
    ASSERT_TRUE(source && target);
    std::vector<char> buffer(1 << 16);
    ASSERT_EQ(source->Seek(100), 0);
    const platform::CopyResult copied = system->Copy(*source, *target, bytes.size() - 100, buffer);
    EXPECT_EQ(copied.failure, platform::CopyResult::Failure::kNone);
    EXPECT_EQ(copied.copied, bytes.size() - 100);
    EXPECT_EQ(target->Close(), 0);
    EXPECT_EQ(ReadFile(PathOf("target")), bytes.substr(100));
    // A source that ends first is a read failure without an error code.
    auto short_source = system->Open(PathOf("source"), OpenMode::kRead, &error);
    auto sink = system->Open(PathOf("sink"), OpenMode::kCreate, &error);
    const platform::CopyResult ended = system->Copy(*short_source, *sink, bytes.size() + 1, buffer);
    EXPECT_EQ(ended.failure, platform::CopyResult::Failure::kRead);
    EXPECT_EQ(ended.error, 0);
    EXPECT_EQ(ended.copied, bytes.size());
  }
}

}  // namespace
}  // namespace vornalis::testing
