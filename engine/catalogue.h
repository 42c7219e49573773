// The catalogue: its order, and its records and blocks as they lie in the catalogue stream.
//
// Order: by Name, then by Folder, letter case ignored by the user's locale. Sorting computes one
// sort key per entry; lookups collate only the few strings a binary search touches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/format.h"
#include "engine/stored_file.h"
#include "platform/collation.h"

namespace vornalis::catalogue {

int CompareStoredFiles(const platform::Collator& collator, const StoredFile& a,
                       const StoredFile& b);
bool IsSorted(const platform::Collator& collator, const std::vector<StoredFile>& files);
// Sorts all of files into catalogue order.
void SortFiles(const platform::Collator& collator, std::vector<StoredFile>* files);
// files[0, first_new) is sorted; sorts the rest and merges it in.
void MergeNewFiles(const platform::Collator& collator, std::vector<StoredFile>* files,
                   std::size_t first_new);
// Index of the entry with this name and folder in sorted files, or files.size().
std::size_t FindFile(const platform::Collator& collator, const std::vector<StoredFile>& files,
                     std::string_view folder, std::string_view name);

// Index of the entry in sorted files that a file with this folder and name counts as: the one
// equal to it once letter case is folded. Names that the order merely ranks alike (differing
// in invisible characters, controls or Unicode form) are other files. files.size() when none.
std::size_t FindStored(const platform::Collator& collator, const std::vector<StoredFile>& files,
                       std::string_view folder, std::string_view name);

// The range [first, last) of entries in sorted files that compare equal to this name and
// folder: more than one when names differ only in what the order ignores (case, Unicode form).
std::pair<std::size_t, std::size_t> EqualRange(const platform::Collator& collator,
                                               const std::vector<StoredFile>& files,
                                               std::string_view folder, std::string_view name);

// The form a catalogue of files is written in: the large form when one of them is larger than a
// record of the standard form holds, or when the set is in the large form already (a set never
// changes back, so no reader that could read it before is told otherwise).
format::CatalogueForm FormFor(const std::vector<StoredFile>& files, format::CatalogueForm was);

// Length of an entry's record in a catalogue of this form: its fixed fields and its two texts as
// stored (name_bytes.h).
std::size_t RecordSize(const StoredFile& file, format::CatalogueForm form);

// Where the block that starts at files[first] ends: it takes records until it holds
// kBlockLimit bytes or more, or until the next record would overflow a buffer of buffer_size.
// Returns the index of the first entry not in it (files.size() when all are), and its length.
std::size_t BlockEnd(const std::vector<StoredFile>& files, std::size_t first,
                     std::size_t buffer_size, format::CatalogueForm form,
                     std::size_t* block_length);

// Packs the records of the block that starts at files[first] into buffer (see BlockEnd), in the
// layout of form. Returns the index of the first entry not packed (files.size() when all were).
std::size_t PackBlock(const std::vector<StoredFile>& files, std::size_t first,
                      std::span<char> buffer, format::CatalogueForm form,
                      std::size_t* block_length);

// The lengths of the blocks that PackBlock makes of files.
std::vector<std::uint32_t> BlockLengths(const std::vector<StoredFile>& files,
                                        std::size_t buffer_size, format::CatalogueForm form);

}  // namespace vornalis::catalogue
