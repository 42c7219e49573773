// The rows of the file list, one per stored file, in four columns: "Name", "Type", "Size" and
// "Path"; the order they are sorted in, the mark on the sorted column, and the totals of the
// rows selected. A face shows the rows (its own list control reads them by index) and tells the
// list which rows the user selects.
//
// A row holds only its entry's texts, size and type index (type_names.h), so 100,000 rows fill
// in well under a second. The rows keep the order they were filled in until a column is sorted;
// each row knows its catalogue entry by index, set for the rows appended while files are stored
// once the set has merged them into its catalogue.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "desktop/type_names.h"
#include "engine/stored_file.h"
#include "platform/collation.h"

namespace vornalis::desktop {

struct FileRow {
  std::string name;
  std::string folder;  // "" or ending with "\"
  std::uint64_t size = 0;
  int type = 0;                  // index in the TypeNames
  std::size_t entry = kNoEntry;  // index of the row's entry in the open set's Files()
  static constexpr std::size_t kNoEntry = static_cast<std::size_t>(-1);
};

class FileList {
 public:
  enum Column { kName = 0, kType = 1, kSize = 2, kPath = 3, kColumnCount = 4 };

  FileList(TypeNames& types, const platform::Collator& collator);

  // The rows of files, in their order, each entry its index there.
  void SetRows(const std::vector<StoredFile>& files);
  void AppendRow(const StoredFile& file);
  void Clear();
  std::size_t Size() const { return rows_.size(); }
  const FileRow& Row(std::size_t row) const { return rows_.at(row); }
  // The text a row shows in a column (names shown with control characters escaped).
  std::string Text(std::size_t row, int column) const;
  static const char* Header(int column);

  // Gives every row the index of its entry in files, by its exact folder and name: rows hold the
  // entries' own texts, so no lookup that ignores case can hand a row another file's entry.
  void MapToEntries(const std::vector<StoredFile>& files);

  // Sorts every row by a key: 1 "Name", 2 "Type", 3 "Size", 4 "Path"; positive ascending,
  // negative descending. Texts compare by the user's locale with letter case ignored, sizes as
  // unsigned numbers. Rows that compare equal keep their order. Returns, for each row before,
  // its place after (so that a face's selection can follow its rows).
  std::vector<std::size_t> SortRows(int key);
  // The key of a click on column (0 to 3): a second click on the sorted column reverses it,
  // another column starts ascending.
  int KeyOfClick(int column) const;
  // The mark on the column headers: an arrow up on the column of a positive key, down on that
  // of a negative one, none for 0. Only shown; the rows stay as they are.
  void SetSortMark(int key) { sort_mark_ = key; }
  // The mark as the column headers show it: the column sorted by (none: the rows stand in the
  // order they were stored or added) and whether it runs down.
  struct Mark {
    std::optional<Column> column;
    bool descending = false;
    bool operator==(const Mark&) const = default;
  };
  Mark SortMark() const;
  // Negative, zero or positive as row a goes before, with or after row b under key.
  int CompareRows(const FileRow& a, const FileRow& b, int key) const;

  // The rows selected: a row's selection changed; all deselected; the totals.
  void Select(std::size_t row, bool selected);
  void Deselect();
  std::int32_t SelectedCount() const { return selected_count_; }
  std::uint64_t SelectedBytes() const { return selected_bytes_; }
  std::uint64_t TotalBytes() const { return total_bytes_; }

 private:
  TypeNames& types_;
  const platform::Collator& collator_;
  std::vector<FileRow> rows_;
  int sort_mark_ = 0;
  std::uint64_t total_bytes_ = 0;  // summed in 64 bits: a set may hold more than 4 GB
  std::int32_t selected_count_ = 0;
  std::uint64_t selected_bytes_ = 0;
};

}  // namespace vornalis::desktop
