#include "engine/catalogue.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>

#include "engine/format.h"
#include "engine/name_bytes.h"
#include "platform/endian.h"

namespace vornalis::catalogue {
namespace {

void SortRange(const platform::Collator& collator, std::vector<StoredFile>* files,
               std::size_t first) {
  const std::size_t n = files->size() - first;
  if (n < 2) return;
  // Name key then folder key, each closed by a zero byte: bytewise order of the joined keys is
  // the order by name, then folder. Files of one folder mostly come together, so the folder's
  // key is made once for them.
  std::vector<std::string> keys(n);
  const std::string* last_folder = nullptr;
  std::string folder_key;
  for (std::size_t i = 0; i < n; ++i) {
    const StoredFile& file = (*files)[first + i];
    collator.AppendSortKey(file.Name, &keys[i]);
    if (last_folder == nullptr || *last_folder != file.Folder) {
      folder_key.clear();
      collator.AppendSortKey(file.Folder, &folder_key);
      last_folder = &file.Folder;
    }
    keys[i] += folder_key;
  }
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
  keys = std::vector<std::string>();
  // Apply the permutation in place, cycle by cycle, so no second copy of the entries is needed.
  StoredFile* base = files->data() + first;
  for (std::size_t start = 0; start < n; ++start) {
    if (order[start] == start) continue;
    StoredFile held = std::move(base[start]);
    std::size_t at = start;
    while (order[at] != start) {
      base[at] = std::move(base[order[at]]);
      const std::size_t next = order[at];
      order[at] = at;
      at = next;
    }
    base[at] = std::move(held);
    order[at] = at;
  }
}

}  // namespace

int CompareStoredFiles(const platform::Collator& collator, const StoredFile& a,
                       const StoredFile& b) {
  const int by_name = collator.Compare(a.Name, b.Name);
  return by_name != 0 ? by_name : collator.Compare(a.Folder, b.Folder);
}

bool IsSorted(const platform::Collator& collator, const std::vector<StoredFile>& files) {
  for (std::size_t i = 1; i < files.size(); ++i)
    if (CompareStoredFiles(collator, files[i - 1], files[i]) > 0) return false;
  return true;
}

void SortFiles(const platform::Collator& collator, std::vector<StoredFile>* files) {
  SortRange(collator, files, 0);
}

void MergeNewFiles(const platform::Collator& collator, std::vector<StoredFile>* files,
                   std::size_t first_new) {
  SortRange(collator, files, first_new);
  if (first_new == 0 || first_new == files->size()) return;
  std::inplace_merge(files->begin(), files->begin() + static_cast<std::ptrdiff_t>(first_new),
                     files->end(), [&](const StoredFile& a, const StoredFile& b) {
                       return CompareStoredFiles(collator, a, b) < 0;
                     });
}

std::size_t FindFile(const platform::Collator& collator, const std::vector<StoredFile>& files,
                     std::string_view folder, std::string_view name) {
  std::size_t low = 0, high = files.size();
  while (low < high) {
    const std::size_t mid = low + (high - low) / 2;
    int order = collator.Compare(files[mid].Name, name);
    if (order == 0) order = collator.Compare(files[mid].Folder, folder);
    if (order == 0) return mid;
    if (order < 0)
      low = mid + 1;
    else
      high = mid;
  }
  return files.size();
}

std::pair<std::size_t, std::size_t> EqualRange(const platform::Collator& collator,
                                               const std::vector<StoredFile>& files,
                                               std::string_view folder, std::string_view name) {
  const std::size_t found = FindFile(collator, files, folder, name);
  if (found == files.size()) return {found, found};
  auto equal = [&](const StoredFile& file) {
    return collator.Compare(file.Name, name) == 0 && collator.Compare(file.Folder, folder) == 0;
  };
  std::size_t first = found, last = found + 1;
  while (first > 0 && equal(files[first - 1])) --first;
  while (last < files.size() && equal(files[last])) ++last;
  return {first, last};
}

std::size_t FindStored(const platform::Collator& collator, const std::vector<StoredFile>& files,
                       std::string_view folder, std::string_view name) {
  const auto [first, last] = EqualRange(collator, files, folder, name);
  if (first == last) return files.size();
  const std::string folded_folder = platform::FoldCase(folder);
  const std::string folded_name = platform::FoldCase(name);
  for (std::size_t i = first; i < last; ++i)
    if (platform::FoldCase(files[i].Name) == folded_name &&
        platform::FoldCase(files[i].Folder) == folded_folder)
      return i;
  return files.size();
}

format::CatalogueForm FormFor(const std::vector<StoredFile>& files, format::CatalogueForm was) {
  if (was == format::CatalogueForm::kLarge) return was;
  for (const StoredFile& file : files)
    if (file.Size > format::kStandardMaxFileSize) return format::CatalogueForm::kLarge;
  return format::CatalogueForm::kStandard;
}

std::size_t RecordSize(const StoredFile& file, format::CatalogueForm form) {
  return format::RecordFixedSize(form) + StoredNameSize(file.Folder) + StoredNameSize(file.Name);
}

std::size_t BlockEnd(const std::vector<StoredFile>& files, std::size_t first,
                     std::size_t buffer_size, format::CatalogueForm form,
                     std::size_t* block_length) {
  std::size_t length = 0;
  std::size_t i = first;
  while (i < files.size() && length < format::kBlockLimit) {
    const std::size_t record = RecordSize(files[i], form);
    if (length > 0 && length + record > buffer_size) break;
    length += record;
    ++i;
  }
  *block_length = length;
  return i;
}

std::size_t PackBlock(const std::vector<StoredFile>& files, std::size_t first,
                      std::span<char> buffer, format::CatalogueForm form,
                      std::size_t* block_length) {
  const std::size_t end = BlockEnd(files, first, buffer.size(), form, block_length);
  char* out = buffer.data();
  std::string record;
  for (std::size_t i = first; i < end; ++i) {
    const StoredFile& file = files[i];
    record.clear();
    AppendU32(&record, file.Piece);
    AppendU32(&record, file.Offset);
    if (form == format::CatalogueForm::kLarge)
      AppendU64(&record, file.Size);
    else
      AppendU32(&record, static_cast<std::uint32_t>(file.Size));
    for (const std::string* text : {&file.Folder, &file.Name}) {
      const std::string bytes = StoredNameBytes(*text);
      AppendU16(&record, static_cast<std::uint16_t>(bytes.size()));
      record += bytes;
    }
    std::memcpy(out, record.data(), record.size());
    out += record.size();
  }
  return end;
}

std::vector<std::uint32_t> BlockLengths(const std::vector<StoredFile>& files,
                                        std::size_t buffer_size, format::CatalogueForm form) {
  std::vector<std::uint32_t> lengths;
  std::size_t first = 0;
  do {
    std::size_t length = 0;
    first = BlockEnd(files, first, buffer_size, form, &length);
    lengths.push_back(static_cast<std::uint32_t>(length));
  } while (first < files.size());
  return lengths;
}

}  // namespace vornalis::catalogue
