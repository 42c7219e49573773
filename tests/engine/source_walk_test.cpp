#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>

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
  std::filesystem::create_symlink(PathOf("data/gone"), PathOf("data/dangling"));
  std::filesystem::create_symlink(PathOf("data/loop-b"), PathOf("data/loop-a"));
  std::filesystem::create_symlink(PathOf("data/loop-a"), PathOf("data/loop-b"));
  WriteFile(PathOf("data/latin\xE9.txt"), "x");
  WriteFile(PathOf("data/z-after.txt"), "2");

  const SourceList list = CollectSources(
      {PathOf("data"), "/dev/zero", PathOf("data/pipe"), PathOf("data/z-after.txt")});
  ::close(sock);
  EXPECT_TRUE(list.errors.empty());
  // Each is named with its own reason: a link that leads nowhere never as a FIFO or device.
  const std::string no_file = "it is not a regular file", no_name = "a set cannot hold its name",
                    nowhere = "it is a link that leads nowhere (";
  const std::map<std::string, std::string> reasons = {
      {"/dev/zero", no_file},
      {PathOf("data/pipe"), no_file},
      {PathOf("data/socket"), no_file},
      {PathOf("data/back\\slash"), no_name},
      {PathOf("data/dir\\name"), no_name},
      {PathOf("data/latin\xE9.txt"), "its name is not UTF-8"},
      {PathOf("data/dangling"), nowhere + "No such file or directory)"},
      {PathOf("data/loop-a"), nowhere + "Too many levels of symbolic links)"},
      {PathOf("data/loop-b"), nowhere + "Too many levels of symbolic links)"}};
  std::vector<std::string> skipped;
  for (const SkippedSource& s : list.skipped) {
    skipped.push_back(s.path);
    ASSERT_EQ(reasons.count(s.path), 1u) << s.path;
    EXPECT_EQ(s.reason.rfind("Skipped " + s.path + ": " + reasons.at(s.path), 0), 0u) << s.reason;
  }
  std::sort(skipped.begin(), skipped.end());
  EXPECT_EQ(skipped, (std::vector<std::string>{"/dev/zero", PathOf("data/back\\slash"),
                                               PathOf("data/dangling"), PathOf("data/dir\\name"),
                                               PathOf("data/latin\xE9.txt"), PathOf("data/loop-a"),
                                               PathOf("data/loop-b"), PathOf("data/pipe"),
                                               PathOf("data/pipe"), PathOf("data/socket")}));
  ASSERT_EQ(list.groups.size(), 2u);
  EXPECT_EQ(
      Names(list.groups[0]),
      (std::vector<std::string>{"data\\before.txt", "data\\link-to-file", "data\\z-after.txt"}));
  EXPECT_EQ(Names(list.groups[1]), (std::vector<std::string>{"z-after.txt"}));
}

TEST_F(SourceWalkTest, PathsWhoseFilesWouldMeetAreStoredFromTheFolderThatHoldsThemAll) {
  WriteFile(PathOf("home/photos/img1.jpg"), "h");
  WriteFile(PathOf("usb/photos/img1.jpg"), "u");
  WriteFile(PathOf("usb/photos/IMG2.jpg"), "u2");
  WriteFile(PathOf("home/photos/img2.jpg"), "h2");
  WriteFile(PathOf("x/n.txt"), "x");
  WriteFile(PathOf("y/n.txt"), "y");
  WriteFile(PathOf("y/c:drive.txt"), "c");
  struct Case {
    std::vector<std::string> paths;
    std::vector<std::string> stored;  // all groups, sorted
    std::vector<std::string> skipped;
  };
  const Case cases[] = {
      {{"home/photos", "usb/photos"},
       {"home\\photos\\img1.jpg", "home\\photos\\img2.jpg", "usb\\photos\\IMG2.jpg",
        "usb\\photos\\img1.jpg"},
       {}},
      {{"x/n.txt", "y/n.txt"}, {"x\\n.txt", "y\\n.txt"}, {}},
      // Nothing meets: each keeps its own short names.
      {{"x/n.txt", "home/photos"}, {"n.txt", "photos\\img1.jpg", "photos\\img2.jpg"}, {}},
      // The same path twice is stored once; a file inside a folder given is another path.
      {{"x/n.txt", "x/../x/n.txt", "x"}, {"n.txt", "x\\n.txt"}, {}},
      // A name a rebuild would refuse is named and left out.
      {{"y"}, {"y\\n.txt"}, {"y/c:drive.txt"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> paths;
    for (const std::string& path : c.paths) paths.push_back(PathOf(path));
    const SourceList list = CollectSources(paths);
    std::vector<std::string> stored, skipped;
    for (const SourceGroup& group : list.groups) {
      EXPECT_EQ(group.source_root.back(), '/');
      for (const std::string& name : Names(group)) stored.push_back(name);
    }
    std::sort(stored.begin(), stored.end());
    for (const SkippedSource& skip : list.skipped) skipped.push_back(skip.path);
    EXPECT_EQ(stored, c.stored) << c.paths[0];
    std::vector<std::string> expected_skipped;
    for (const std::string& path : c.skipped) expected_skipped.push_back(PathOf(path));
    EXPECT_EQ(skipped, expected_skipped) << c.paths[0];
  }
  // Two files that still meet (names of one folder that differ only in case, which a set counts
  // as one): the later one is named and left out, whether given each or found in one folder.
  WriteFile(PathOf("x/N.TXT"), "X");
  if (ReadFile(PathOf("x/n.txt")) != "x") return;  // a system that ignores case has one file
  const SourceList list = CollectSources({PathOf("x/n.txt"), PathOf("x/N.TXT")});
  ASSERT_EQ(list.skipped.size(), 1u);
  EXPECT_EQ(list.skipped[0].reason,
            "Skipped " + PathOf("x/N.TXT") + ": another file given is stored as N.TXT");
  const SourceList walked = CollectSources({PathOf("x")});
  ASSERT_EQ(walked.skipped.size(), 1u);
  EXPECT_NE(walked.skipped[0].reason.find("differ only in letter case"), std::string::npos)
      << walked.skipped[0].reason;
  EXPECT_EQ(walked.groups.at(0).entries.size(), 1u);
}

}  // namespace
}  // namespace vornalis::testing
