// SetTest: a temporary folder with a source tree under src/ and sets made from it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/piece_set.h"
#include "engine/stored_file.h"
#include "tests/support/test_files.h"

namespace vornalis::testing {

// Entry for a relative native path: "a/b/c.txt" gives Folder "a\b\" and Name "c.txt".
StoredFile EntryFor(const std::string& relative_path);

// Shows LastError() when an engine call fails.
#define EXPECT_SET_OK(set, call) EXPECT_TRUE((set).call) << (set).LastError()
#define ASSERT_SET_OK(set, call) ASSERT_TRUE((set).call) << (set).LastError()

class SetTest : public TempDirTest {
 protected:
  std::string Base() const { return PathOf("backup"); }
  std::string Header() const { return PathOf("backup.pec"); }
  std::string Piece(std::uint32_t n) const { return PathOf("backup" + std::to_string(n) + ".pec"); }
  std::string SourceRoot() const { return PathOf("src/"); }

  // Writes each (relative path, content) below src/ and returns the entries, in order.
  std::vector<StoredFile> MakeSources(
      const std::vector<std::pair<std::string, std::string>>& files);
  // Writes the sources and adds them to set; returns AddFiles' result.
  bool AddSources(PieceSet& set, const std::vector<std::pair<std::string, std::string>>& files);
};

}  // namespace vornalis::testing
