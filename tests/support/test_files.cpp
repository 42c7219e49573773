#include "tests/support/test_files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/path.h"
#include "platform/unique_name.h"

namespace vornalis::testing {

namespace fs = std::filesystem;

fs::path FsPath(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

void TempDirTest::SetUp() {
  const std::u8string temp = fs::temp_directory_path().u8string();
  const std::string folder = platform::WithSeparator(std::string(temp.begin(), temp.end()));
  for (int attempt = 0; attempt < 100 && dir_.empty(); ++attempt) {
    const std::string candidate = platform::UniqueName(folder + "vornalis-test-");
    if (fs::create_directory(FsPath(candidate))) dir_ = candidate + platform::kSeparator;
  }
  ASSERT_FALSE(dir_.empty());
}

void TempDirTest::TearDown() {
  std::error_code ec;
  fs::remove_all(FsPath(dir_), ec);
}

std::string TempDirTest::PathOf(const std::string& relative) const {
  std::string path = dir_ + relative;
  std::replace(path.begin() + static_cast<std::ptrdiff_t>(dir_.size()), path.end(), '/',
               platform::kSeparator);
  return path;
}

std::string PatternBytes(std::size_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  std::uint32_t x = seed * 2654435761u + 12345u;
  for (std::size_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    bytes[i] = static_cast<char>(x);
  }
  return bytes;
}

void WriteFile(const std::string& path, const std::string& content) {
  fs::create_directories(FsPath(path).parent_path());
  std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(FsPath(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool FileExists(const std::string& path) { return fs::exists(FsPath(path)); }

std::int64_t FileSize(const std::string& path) {
  std::error_code ec;
  const auto size = fs::file_size(FsPath(path), ec);
  return ec ? -1 : static_cast<std::int64_t>(size);
}

std::vector<std::string> ListFolder(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(FsPath(path))) {
    const std::u8string name = entry.path().filename().u8string();
    names.emplace_back(name.begin(), name.end());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace vornalis::testing
