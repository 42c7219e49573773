#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "engine/source_walk.h"
#include "tests/support/test_files.h"

namespace vornalis::testing {
namespace {

class SourceWalkTest : public TempDirTest {};

std::vector<std::string> Names(const SourceGroup& group) {
  std::vector<std::string> names;
  for (const StoredFile& file : group.entries) names.push_back(file.Folder + file.Name);
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(SourceWalkTest, FoldersAreStoredRelativeToTheirParent) {
  WriteFile(PathOf("data/photos/a.jpg"), "a");
  WriteFile(PathOf("data/photos/2000/b.jpg"), "b");
  WriteFile(PathOf("data/photos/2000/deep/.hidden"), "c");
  std::filesystem::create_directories(PathOf("data/photos/empty"));
  WriteFile(PathOf("data/x.txt"), "x");
  WriteFile(PathOf("elsewhere/y.txt"), "y");

  const SourceList list =
      CollectSources({PathOf("data/photos/"), PathOf("data/x.txt"), PathOf("elsewhere/y.txt")});
  EXPECT_TRUE(list.errors.empty());
  ASSERT_EQ(list.groups.size(), 2u);
  EXPECT_EQ(list.groups[0].source_root, PathOf("data/"));
  EXPECT_EQ(Names(list.groups[0]),
            (std::vector<std::string>{"photos\\2000\\b.jpg", "photos\\2000\\deep\\.hidden",
                                      "photos\\a.jpg", "x.txt"}));
  EXPECT_EQ(list.groups[1].source_root, PathOf("elsewhere/"));
  EXPECT_EQ(Names(list.groups[1]), (std::vector<std::string>{"y.txt"}));
  // Breadth first: the folder's own files come before those of its subfolders.
  EXPECT_EQ(list.groups[0].entries.front().Folder, "photos\\");
}

TEST_F(SourceWalkTest, MissingPathsAndLinkedFoldersAreReported) {
  WriteFile(PathOf("data/real/f"), "f");
  std::filesystem::create_directory_symlink(PathOf("data"), PathOf("data/real/loop"));
  const SourceList list = CollectSources({PathOf("data"), PathOf("nothere")});
  EXPECT_EQ(list.errors, (std::vector<std::string>{"Can't open " + PathOf("nothere")}));
  ASSERT_EQ(list.skipped.size(), 1u);
  EXPECT_EQ(list.skipped[0].path, PathOf("data/real/loop"));
  EXPECT_EQ(list.skipped[0].reason,
            "Skipped " + PathOf("data/real/loop") + ": links to folders are not followed");
  ASSERT_EQ(list.groups.size(), 1u);
  EXPECT_EQ(Names(list.groups[0]), (std::vector<std::string>{"data\\real\\f"}));
}

TEST_F(SourceWalkTest, WhatASetCannotHoldIsNamedAndLeftOutAndTheRestIsKept) {
  WriteFile(PathOf("data/before.txt"), "1");
  ASSERT_EQ(mkfifo(PathOf("data/pipe").c_str(), 0644), 0);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = PathOf("data/socket");
  ASSERT_LT(socket_path.size(), sizeof(address.sun_path));
  std::strcpy(address.sun_path, socket_path.c_str());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  WriteFile(PathOf("data/back\\slash"), "a name a set cannot hold");
  std::filesystem::create_directories(PathOf("data/dir\\name"));
  std::filesystem::create_symlink(PathOf("data/before.txt"), PathOf("data/link-to-file"));
  WriteFile(PathOf("data/z-after.txt"), "2");

  const SourceList list = CollectSources(
      {PathOf("data"), "/dev/zero", PathOf("data/pipe"), PathOf("data/z-after.txt")});
  ::close(sock);
  EXPECT_TRUE(list.errors.empty());
  std::vector<std::string> skipped;
  for (const SkippedSource& s : list.skipped) {
    skipped.push_back(s.path);
    EXPECT_EQ(s.reason.rfind("Skipped " + s.path + ": ", 0), 0u) << s.reason;
  }
  std::sort(skipped.begin(), skipped.end());
  EXPECT_EQ(skipped, (std::vector<std::string>{"/dev/zero", PathOf("data/back\\slash"),
                                               PathOf("data/dir\\name"), PathOf("data/pipe"),
                                               PathOf("data/pipe"), PathOf("data/socket")}));
  ASSERT_EQ(list.groups.size(), 2u);
  EXPECT_EQ(
      Names(list.groups[0]),
      (std::vector<std::string>{"data\\before.txt", "data\\link-to-file", "data\\z-after.txt"}));
  EXPECT_EQ(Names(list.groups[1]), (std::vector<std::string>{"z-after.txt"}));
}

}  // namespace
}  // namespace vornalis::testing
