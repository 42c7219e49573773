#include "desktop/file_list.h"

#include <cstdlib>

#include <algorithm>
#include <numeric>
#include <unordered_map>

#include "desktop/texts.h"

namespace vornalis::desktop {
namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

int CompareSizes(std::uint64_t a, std::uint64_t b) { return (a > b) - (a < b); }

}  // namespace

FileList::FileList(TypeNames& types, const platform::Collator& collator)
    : types_(types), collator_(collator) {}

void FileList::SetRows(const std::vector<StoredFile>& files) {
  Clear();
  rows_.reserve(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    AppendRow(files[i]);
    rows_.back().entry = i;
  }
}

void FileList::AppendRow(const StoredFile& file) {
  rows_.push_back({file.Name, file.Folder, file.Size, types_.IndexFor(file.Name)});
  total_bytes_ += file.Size;
}

void FileList::Clear() {
  rows_.clear();
  total_bytes_ = 0;
  Deselect();
}

std::string FileList::Text(std::size_t row, int column) const {
  const FileRow& shown = rows_.at(row);
  switch (column) {
    case kName:
      return texts::Shown(shown.name);
    case kType:
      return types_.TypeName(shown.type);
    case kSize:
      return std::to_string(shown.size);
    case kPath:
      return texts::Shown(shown.folder);
  }
  return std::string();
}

const char* FileList::Header(int column) {
  static const char* const kHeaders[kColumnCount] = {"Name", "Type", "Size", "Path"};
  return column >= 0 && column < kColumnCount ? kHeaders[column] : "";
}

void FileList::MapToEntries(const std::vector<StoredFile>& files) {
  std::unordered_map<std::string, std::vector<std::size_t>> by_path;
  for (std::size_t i = files.size(); i-- > 0;)
    by_path[files[i].Folder + '\0' + files[i].Name].push_back(i);
  for (FileRow& row : rows_) {
    row.entry = FileRow::kNoEntry;
    auto found = by_path.find(row.folder + '\0' + row.name);
    if (found == by_path.end() || found->second.empty()) continue;
    row.entry = found->second.back();
    found->second.pop_back();
  }
}

int FileList::CompareRows(const FileRow& a, const FileRow& b, int key) const {
  int result = 0;
  switch (std::abs(key)) {
    case 1:
      result = collator_.Compare(a.name, b.name);
      break;
    case 2:
      result = a.type == b.type
                   ? 0
                   : collator_.Compare(types_.TypeName(a.type), types_.TypeName(b.type));
      break;
    case 3:
      result = CompareSizes(a.size, b.size);
      break;
    case 4:
      result = collator_.Compare(a.folder, b.folder);
      break;
  }
  return key < 0 ? -Sign(result) : Sign(result);
}

std::vector<std::size_t> FileList::SortRows(int key) {
  const int column = std::abs(key);
  std::vector<std::size_t> place(rows_.size());
  std::iota(place.begin(), place.end(), 0);
  if (column < 1 || column > kColumnCount) return place;

  // One collation key per row (or per type) instead of collating at every comparison.
  std::vector<std::string> keys;
  if (column != 3) {
    std::vector<std::string> type_keys(static_cast<std::size_t>(types_.Size()));
    if (column == 2)
      for (int t = 0; t < types_.Size(); ++t)
        collator_.AppendSortKey(types_.TypeName(t), &type_keys[static_cast<std::size_t>(t)]);
    keys.resize(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      if (column == 1) collator_.AppendSortKey(rows_[i].name, &keys[i]);
      if (column == 2) keys[i] = type_keys[static_cast<std::size_t>(rows_[i].type)];
      if (column == 4) collator_.AppendSortKey(rows_[i].folder, &keys[i]);
    }
  }
  std::vector<std::size_t> order(rows_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const int result =
        column == 3 ? CompareSizes(rows_[a].size, rows_[b].size) : keys[a].compare(keys[b]);
    return key > 0 ? result < 0 : result > 0;
  });
  std::vector<FileRow> sorted;
  sorted.reserve(rows_.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    place[order[i]] = i;
    sorted.push_back(std::move(rows_[order[i]]));
  }
  rows_ = std::move(sorted);
  return place;
}

int FileList::KeyOfClick(int column) const {
  const int clicked = column + 1;
  return clicked == std::abs(sort_mark_) ? -sort_mark_ : clicked;
}

void FileList::Select(std::size_t row, bool selected) {
  if (row >= rows_.size()) return;
  // The stored size counts, never the text shown, so 2 GiB and more add up right.
  const std::uint64_t size = rows_[row].size;
  if (selected) {
    ++selected_count_;
    selected_bytes_ += size;
  } else {
    --selected_count_;
    selected_bytes_ -= size;
  }
}

void FileList::Deselect() {
  selected_count_ = 0;
  selected_bytes_ = 0;
}

FileList::Mark FileList::SortMark() const {
  if (sort_mark_ == 0) return Mark{};
  return Mark{static_cast<Column>(std::abs(sort_mark_) - 1), sort_mark_ < 0};
}

}  // namespace vornalis::desktop
