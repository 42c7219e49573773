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
    auto file = fs_.Open(PathOf(c.name), c.mode);
    EXPECT_EQ(file.ok(), c.error == 0) << c.name;
    EXPECT_EQ(file.error(), c.error) << c.name;
    if (!file.ok()) {
      EXPECT_EQ(file.status().path, PathOf(c.name)) << "a failure names its file";
    }
  }
  EXPECT_EQ(ReadFile(PathOf("file")), "precious");
  auto folder = fs_.OpenDirectory(Dir());
  ASSERT_TRUE(folder.ok());
  // A link, to a file or a folder, is named as a link; a file is no folder.
  EXPECT_EQ(folder->OpenChild("link", true).error(), ELOOP);
  EXPECT_EQ(folder->OpenChild("file", true).error(), ENOTDIR);
  fs::create_directory_symlink(PathOf("folder"), PathOf("folder-link"));
  EXPECT_EQ(folder->OpenChild("folder-link", true).error(), ELOOP);
}

TEST_F(PosixFileSystemTest, InspectTellsLinksOwnersAndNamesAndReadAtKeepsThePosition) {
  WriteFile(PathOf("file"), "0123456789");
  fs::create_symlink(PathOf("file"), PathOf("link"));
  fs::create_hard_link(PathOf("file"), PathOf("second"));
  const auto link = fs_.Inspect(PathOf("link"));
  ASSERT_TRUE(link.ok());
  EXPECT_EQ(link->kind, platform::FileInfo::Kind::kLink);
  const auto info = fs_.Inspect(PathOf("link"), true);
  ASSERT_TRUE(info.ok());
  EXPECT_EQ(info->kind, platform::FileInfo::Kind::kRegular);
  EXPECT_EQ(info->links, 2u);
  EXPECT_EQ(info->owner, platform::CurrentUser());
  EXPECT_EQ(fs_.Inspect(PathOf("missing")).error(), ENOENT);

  auto file = fs_.Open(PathOf("second"), OpenMode::kRead);
  ASSERT_TRUE(file.ok());
  const auto opened = file->Inspect();
  ASSERT_TRUE(opened.ok());
  EXPECT_TRUE(opened->SameFile(*info));
  std::string middle(4, '\0');
  EXPECT_EQ(*file->ReadAt(3, middle), 4u);
  EXPECT_EQ(middle, "3456");
  std::string start(2, '\0');
  EXPECT_EQ(*file->Read(start), 2u);
  EXPECT_EQ(start, "01");
}

TEST_F(PosixFileSystemTest, ALockIsOneHoldersAndOnlyAnEmptyFileOfThisUserIsTakenForOne) {
  auto held = fs_.LockFile(PathOf("set.pec.lock"));
  ASSERT_TRUE(held.ok());
  EXPECT_EQ(fs_.LockFile(PathOf("set.pec.lock")).error(), EWOULDBLOCK);
  held.take().reset();
  EXPECT_FALSE(FileExists(PathOf("set.pec.lock")));  // released, and gone
  EXPECT_TRUE(fs_.LockFile(PathOf("set.pec.lock")).ok());
  // A file with something in it, or a link, at the lock's name is nobody's lock.
  WriteFile(PathOf("other.lock"), "notes");
  EXPECT_EQ(fs_.LockFile(PathOf("other.lock")).error(), platform::kNotALockFile);
  EXPECT_EQ(ReadFile(PathOf("other.lock")), "notes");
  fs::create_symlink(PathOf("other.lock"), PathOf("link.lock"));
  EXPECT_EQ(fs_.LockFile(PathOf("link.lock")).error(), ELOOP);
}

TEST_F(PosixFileSystemTest, ANewFileTakesItsNameWholeAndReplacesOnlyWhenAsked) {
  auto folder = fs_.OpenDirectory(Dir());
  ASSERT_TRUE(folder.ok());
  auto file = folder->CreateNewFile("Qbtm").take();
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->Write(std::string("new bytes")).ok());
  EXPECT_EQ(ListFolder(Dir()), std::vector<std::string>{}) << "nobody sees it before";
  WriteFile(PathOf("name"), "old");
  EXPECT_EQ(folder->Publish(file, "name", platform::Directory::Replace::kNever).error, EEXIST);
  ASSERT_TRUE(file) << "a taken name leaves the file to the caller";
  EXPECT_EQ(ReadFile(PathOf("name")), "old");
  EXPECT_TRUE(folder->Publish(file, "name", platform::Directory::Replace::kAny).ok());
  EXPECT_FALSE(file);
  EXPECT_EQ(ReadFile(PathOf("name")), "new bytes");
  // A link at the name is replaced itself, never written through.
  WriteFile(PathOf("target"), "precious");
  fs::create_symlink(PathOf("target"), PathOf("linked"));
  file = folder->CreateNewFile("Qbtm").take();
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->Write(std::string("x")).ok());
  EXPECT_TRUE(folder->Publish(file, "linked", platform::Directory::Replace::kAny).ok());
  EXPECT_EQ(ReadFile(PathOf("target")), "precious");
  EXPECT_FALSE(fs::is_symlink(PathOf("linked")));
  EXPECT_EQ(ListFolder(Dir()), (std::vector<std::string>{"linked", "name", "target"}));

  // A temporary file that never takes its name is gone when dropped.
  {
    auto temp = platform::TempFile::Create(fs_, Dir(), "Qbtm");
    ASSERT_TRUE(temp.ok());
  }
  EXPECT_EQ(ListFolder(Dir()).size(), 3u);
}

TEST_F(PosixFileSystemTest, CopiesInTheKernelAndThroughTheBufferGiveTheSameBytes) {
  const std::string bytes = PatternBytes(3 << 20, 7);
  WriteFile(PathOf("source"), bytes);
  FaultFileSystem wrapped(fs_);  // its files have no handle: copies go through the buffer
  for (platform::FileSystem* system : {&fs_, static_cast<platform::FileSystem*>(&wrapped)}) {
    auto source = system->Open(PathOf("source"), OpenMode::kRead);
    auto target = system->Open(PathOf("target"), OpenMode::kCreate);
    ASSERT_TRUE(source.ok() && target.ok());
    std::vector<char> buffer(1 << 16);
    ASSERT_TRUE(source->Seek(100).ok());
    EXPECT_TRUE(system->Copy(*source, *target, bytes.size() - 100, buffer).ok());
    EXPECT_TRUE(target->Close().ok());
    EXPECT_EQ(ReadFile(PathOf("target")), bytes.substr(100));
    // A source that ends first fails as the source's, having copied what there was.
    auto short_source = system->Open(PathOf("source"), OpenMode::kRead);
    auto sink = system->Open(PathOf("sink"), OpenMode::kCreate);
    const Status ended = system->Copy(*short_source, *sink, bytes.size() + 1, buffer);
    EXPECT_EQ(ended.error, platform::kEndedEarly);
    EXPECT_EQ(ended.path, PathOf("source"));
    EXPECT_TRUE(sink->Close().ok());
    EXPECT_EQ(ReadFile(PathOf("sink")), bytes);
  }
}

TEST_F(PosixFileSystemTest, FilesAreFlushedTogetherAndAFailureNamesItsFile) {
  WriteFile(PathOf("a"), "one");
  WriteFile(PathOf("b"), "two");
  fs::create_symlink(PathOf("a"), PathOf("link"));
  ASSERT_EQ(mkfifo(PathOf("fifo").c_str(), 0644), 0);
  struct Case {
    std::vector<std::string> names;
    int error;  // 0: flushed
    const char* failing;
  } cases[] = {
      {{}, 0, ""},
      {{"a", "b"}, 0, ""},
      {{"a", "missing", "b"}, ENOENT, "missing"},
      {{"link"}, ELOOP, "link"},       // a link is never taken for the piece it points to
      {{"a", "link"}, ELOOP, "link"},  // nor when its file system was flushed already
      {{"a", "fifo"}, platform::kNotRegularFile, "fifo"},  // and a FIFO is never opened
  };
  for (const Case& c : cases) {
    std::vector<std::string> paths;
    for (const std::string& name : c.names) paths.push_back(PathOf(name));
    const Status synced = fs_.SyncFiles(paths);
    EXPECT_EQ(synced.error, c.error) << synced.message;
    if (c.error != 0) {
      EXPECT_EQ(synced.path, PathOf(c.failing));
    }
  }
}

}  // namespace
}  // namespace vornalis::testing
