// Helpers for tests that work on real files: a fresh temporary folder per test, and reading,
// writing and generating file contents.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vornalis::testing {

// The std::filesystem path for a path in UTF-8, as the program holds paths (std::filesystem
// would read a plain string in the ANSI code page on Windows).
std::filesystem::path FsPath(const std::string& utf8);

// Gives each test its own empty folder (Dir() ends with a separator), removed afterwards.
class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  const std::string& Dir() const { return dir_; }
  // Dir() + relative, where relative may use "/" as separator: the native path.
  std::string PathOf(const std::string& relative) const;

 private:
  std::string dir_;
};

// Deterministic bytes that differ between seeds and positions.
std::string PatternBytes(std::size_t size, std::uint32_t seed);
// Writes content to path, creating missing folders.
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
std::int64_t FileSize(const std::string& path);
// Names of the files in a folder, sorted.
std::vector<std::string> ListFolder(const std::string& path);

}  // namespace vornalis::testing
