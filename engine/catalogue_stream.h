// The catalogue stream as it lies on disk: from offset 8 of the header file on, continued in
// the overflow pieces numbered after the last data piece, each after its 8-byte head.
//
// CatalogueStreamReader reads it back as one sequence of bytes and checks on the way that the
// files have the lengths a well-formed set gives them. CatalogueStreamWriter writes a new one
// into temporary files beside the header and puts them in place only in Commit, so a failure
// before that leaves the set's previous header and overflow pieces as they were.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/stored_file.h"
#include "platform/file_system.h"

namespace vornalis {

class CatalogueStreamReader {
 public:
  CatalogueStreamReader(platform::FileSystem& fs, std::string base_path);

  // Opens the header file, checks its magic and reads the fixed fields. Afterwards the reader
  // stands at stream offset 12, the start of the tail.
  bool Open();
  std::uint32_t overflow_count() const { return overflow_count_; }
  std::uint32_t piece_size() const { return piece_size_; }
  std::uint32_t last_piece() const { return last_piece_; }
  std::uint32_t tail_length() const { return tail_length_; }

  // Reads exactly out.size() bytes; a stream that ends first is a damaged catalogue.
  bool Read(std::span<char> out);
  // Copies n bytes to dst's position.
  bool CopyTo(platform::File& dst, std::uint64_t n, std::span<char> buffer);
  // Moves n bytes ahead without reading them.
  bool Skip(std::uint64_t n);
  // True when every byte of the stream was read.
  bool AtEnd();
  // The message of the first failure.
  const std::string& error() const { return error_; }

 private:
  bool Fail(std::string message);
  bool NextSegment();

  platform::FileSystem& fs_;
  std::string base_path_;
  std::unique_ptr<platform::File> file_;
  std::uint64_t file_size_ = 0;     // length of file_
  std::uint64_t left_in_file_ = 0;  // stream bytes still unread in file_
  std::uint32_t overflow_count_ = 0;
  std::uint32_t next_overflow_ = 0;  // index (1-based) of the next overflow piece to open
  std::uint32_t piece_size_ = 0;
  std::uint32_t last_piece_ = 0;
  std::uint32_t tail_length_ = 0;
  std::string error_;
};

class CatalogueStreamWriter {
 public:
  // The stream will be stream_size bytes long; overflow pieces are numbered from
  // last_piece + 1.
  CatalogueStreamWriter(platform::FileSystem& fs, std::string base_path, std::uint32_t piece_size,
                        std::uint32_t last_piece, std::uint64_t stream_size);
  ~CatalogueStreamWriter();  // removes temporary files not committed

  // Number of overflow pieces, (S - 1) div (piece size - 8).
  static std::uint32_t OverflowCount(std::uint64_t stream_size, std::uint32_t piece_size);

  // Length of the stream for these entries and a tail of tail_length bytes.
  static std::uint64_t StreamSize(const std::vector<StoredFile>& files, std::uint32_t tail_length,
                                  std::size_t buffer_size);

  // Creates the header file and writes its magic, the overflow count and the stream's fixed
  // fields; the tail follows through CopyFrom, then WriteRecords.
  bool Begin(std::uint32_t tail_length);
  bool Write(std::span<const char> data);
  bool CopyFrom(platform::File& source, std::uint64_t n, std::span<char> buffer);
  // Writes files as catalogue blocks packed in buffer, then the terminator.
  bool WriteRecords(const std::vector<StoredFile>& files, std::span<char> buffer);
  // Closes every file and renames the overflow pieces, then the header, into place.
  bool Commit();
  const std::string& error() const { return error_; }

 private:
  struct Output {
    std::string temp_path;
    std::string final_path;
  };
  bool Fail(std::string message);
  bool StartFile(std::string final_path, std::string_view magic, std::uint32_t number);
  bool CloseCurrent();
  // The current file is full: the stream goes on in the next overflow piece.
  bool StartNextOverflowPiece();

  platform::FileSystem& fs_;
  std::string base_path_;
  std::uint32_t piece_size_;
  std::uint32_t last_piece_;
  std::uint64_t stream_size_;
  std::unique_ptr<platform::File> file_;
  std::uint32_t room_ = 0;  // bytes the current file can still take
  std::vector<Output> outputs_;
  bool committed_ = false;
  std::string error_;
};

}  // namespace vornalis
