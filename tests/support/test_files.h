// Helpers for tests that work on real files: a fresh temporary folder per test, and reading,
// writing and generating file contents.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vornalis::testing {

// Gives each test its own empty folder (Dir() ends with "/"), removed afterwards.
class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  const std::string& Dir() const { return dir_; }
  // Dir() + relative, with "/" as separator.
  std::string PathOf(const std::string& relative) const { return dir_ + relative; }

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
