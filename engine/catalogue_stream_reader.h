// Reading the catalogue stream as it lies on disk: from offset 8 of the header file on,
// continued in the overflow pieces numbered after the last data piece, each after its 8-byte
// head. CatalogueStreamReader reads it back as one sequence of bytes and checks on the way that
// the files have the lengths a well-formed set gives them.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "engine/format.h"
#include "engine/opened_header.h"
#include "platform/file_system.h"

namespace vornalis {

class CatalogueStreamReader {
 public:
  // Reads the stream of header, which it opens; overflow pieces are opened through it.
  explicit CatalogueStreamReader(OpenedHeader& header);

  // Opens the header file, checks its magic (of either form) and reads the fixed fields.
  // Afterwards the reader stands at stream offset 12, the start of the tail.
  Status Open();
  // The form the header's magic gives: the layout of the catalogue's records.
  format::CatalogueForm form() const { return form_; }
  std::uint32_t overflow_count() const { return overflow_count_; }
  std::uint32_t piece_size() const { return piece_size_; }
  std::uint32_t last_piece() const { return last_piece_; }
  std::uint32_t tail_length() const { return tail_length_; }

  // Reads exactly out.size() bytes; a stream that ends first is a damaged catalogue.
  Status Read(std::span<char> out);
  // Copies n bytes to dst's position.
  Status CopyTo(platform::File& dst, std::uint64_t n, std::span<char> buffer);
  // Moves n bytes ahead without reading them.
  Status Skip(std::uint64_t n);
  // True when every byte of the stream was read.
  bool AtEnd();
  // The first failure, ok while there is none.
  const Status& failure() const { return failure_; }

 private:
  Status Fail(Status status);
  Status NextSegment();

  OpenedHeader& header_;
  platform::File* file_ = nullptr;         // the file being read: the header or piece_
  std::unique_ptr<platform::File> piece_;  // the overflow piece being read
  std::uint64_t file_size_ = 0;            // length of file_
  std::uint64_t left_in_file_ = 0;         // stream bytes still unread in file_
  std::uint32_t overflow_count_ = 0;
  std::uint32_t next_overflow_ = 0;  // index (1-based) of the next overflow piece to open
  std::uint32_t piece_size_ = 0;
  std::uint32_t last_piece_ = 0;
  std::uint32_t tail_length_ = 0;
  format::CatalogueForm form_ = format::CatalogueForm::kStandard;
  Status failure_;
};

}  // namespace vornalis
