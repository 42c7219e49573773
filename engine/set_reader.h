// SetReader: reads a set's header and catalogue without changing anything on disk. PieceSet
// opens sets through it, and the self-assembling stub uses it with the rebuilding code alone, so
// the reading rules exist once and the stub stays small (no sorting, no locale).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/format.h"
#include "engine/opened_header.h"
#include "engine/piece_layout.h"
#include "engine/set_files.h"
#include "engine/stored_file.h"
#include "platform/file_system.h"

namespace vornalis {

class CatalogueStreamReader;

class SetReader {
 public:
  // The set at base_path, its extension spelt as on disk (see FindSetPaths).
  SetReader(platform::FileSystem& fs, const std::string& base_path);
  // The set whose files are spelt so.
  SetReader(platform::FileSystem& fs, SetPaths paths);
  const SetPaths& paths() const { return set_; }
  ~SetReader();

  // Opens the header file and reads its fixed fields. A failure's message is the user's.
  Status Open();
  // Then reads every catalogue record, in the order of the file, into *files; the records are
  // checked against the set's shape. When tail is given, the payload of the partly filled last
  // piece is copied into it on the way; otherwise the header keeps what it needs to serve the
  // tail later. buffer must hold a whole block (1 MiB).
  Status ReadCatalogue(std::vector<StoredFile>* files, std::span<char> buffer,
                       platform::File* tail = nullptr);
  // Open and ReadCatalogue for a reader beside a possible writer: when the header was replaced
  // while its catalogue was read, what was read may mix two catalogues, so it starts again from
  // the new header (a few times at most).
  Status ReadSnapshot(std::vector<StoredFile>* files, std::span<char> buffer);

  // The header as opened, for reading the set's pieces afterwards; valid after Open. Once
  // taken, it is the taker's, and the reader goes on using it while the taker keeps it.
  OpenedHeader& header() { return *opened_; }
  std::unique_ptr<OpenedHeader> TakeHeader() { return std::move(header_); }

  std::uint32_t piece_size() const { return piece_size_; }
  std::uint32_t last_piece() const { return last_piece_; }
  std::uint32_t tail_length() const { return tail_length_; }
  std::uint32_t overflow_count() const { return overflow_count_; }
  std::uint32_t blocks() const { return blocks_; }
  // The form of the header and its catalogue (format.h).
  format::CatalogueForm form() const { return form_; }
  // The extent of the stored bytes, as the header's fields give it.
  SetShape shape() const { return SetShape::OfHeader(piece_size_, last_piece_, tail_length_); }

 private:
  platform::FileSystem& fs_;
  SetPaths set_;
  std::unique_ptr<OpenedHeader> header_;
  OpenedHeader* opened_ = nullptr;
  std::unique_ptr<CatalogueStreamReader> in_;
  std::uint32_t piece_size_ = 0;
  std::uint32_t last_piece_ = 0;
  std::uint32_t tail_length_ = 0;
  std::uint32_t overflow_count_ = 0;
  std::uint32_t blocks_ = 0;
  format::CatalogueForm form_ = format::CatalogueForm::kStandard;
};

}  // namespace vornalis
