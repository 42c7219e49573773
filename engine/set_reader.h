// SetReader: reads a set without changing anything on disk, and rebuilds the bytes of stored
// files from its pieces. PieceSet opens sets through it, and the self-assembling stub uses it
// alone, so the reading rules exist once and the stub stays small (no sorting, no locale).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/stored_file.h"
#include "platform/file_system.h"

namespace vornalis {

class CatalogueStreamReader;

class SetReader {
 public:
  SetReader(platform::FileSystem& fs, std::string base_path);
  ~SetReader();

  // Opens the header file and reads its fixed fields.
  bool Open();
  // Then reads every catalogue record, in the order of the file, into *files; the records are
  // checked against the set's shape. When tail is given, the payload of the partly filled last
  // piece is copied into it on the way. buffer must hold a whole block (1 MiB).
  bool ReadCatalogue(std::vector<StoredFile>* files, std::span<char> buffer,
                     platform::File* tail = nullptr);

  std::uint32_t piece_size() const { return piece_size_; }
  std::uint32_t last_piece() const { return last_piece_; }
  std::uint32_t tail_length() const { return tail_length_; }
  std::uint32_t overflow_count() const { return overflow_count_; }
  std::uint32_t blocks() const { return blocks_; }
  const std::string& error() const { return error_; }

 private:
  platform::FileSystem& fs_;
  std::string base_path_;
  std::unique_ptr<CatalogueStreamReader> in_;
  std::uint32_t piece_size_ = 0;
  std::uint32_t last_piece_ = 0;
  std::uint32_t tail_length_ = 0;
  std::uint32_t overflow_count_ = 0;
  std::uint32_t blocks_ = 0;
  std::string error_;
};

// Where the bytes of a set's data pieces lie.
struct PieceSource {
  platform::FileSystem& fs;
  std::string base_path;
  std::uint32_t piece_size = 0;
  // The piece whose payload lies only in the header file, as the tail of a closed set (0 when
  // every piece has its own file).
  std::uint32_t tail_piece = 0;
};

// Rebuilds entry as target_folder + folder + name, where folder and name are the caller's
// spelling of the stored ones. Names that would lead outside the target are refused. The first
// piece is opened before the file is created, so a missing piece creates nothing; missing
// folders are made only when the file cannot be created without them. Each piece's head is
// checked, so a piece of another set is refused rather than copied, and a file of 0 bytes needs
// no piece. On failure returns false with the message in *error.
bool RebuildStoredFile(const PieceSource& source, const StoredFile& entry,
                       const std::string& target_folder, const std::string& folder,
                       const std::string& name, std::span<char> buffer, std::string* error);

}  // namespace vornalis
