// Writing a new catalogue stream: the header file and its overflow pieces (see
// catalogue_stream_reader.h for the layout). CatalogueStreamWriter writes them into temporary
// files beside the header and puts them in place only in Commit, the header last; until the
// header's rename, the previous header stays in place. Keeping the previous header's overflow
// pieces readable while their numbers are taken is the caller's part (see aside_pieces.h).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/format.h"
#include "engine/set_files.h"
#include "engine/stored_file.h"
#include "platform/file_system.h"
#include "platform/temp_file.h"

namespace vornalis {

class CatalogueStreamWriter {
 public:
  // The stream will be stream_size bytes long, in the layout of form; overflow pieces are
  // numbered from last_piece + 1.
  CatalogueStreamWriter(platform::FileSystem& fs, SetPaths set, std::uint32_t piece_size,
                        std::uint32_t last_piece, format::CatalogueForm form,
                        std::uint64_t stream_size);
  ~CatalogueStreamWriter();

  // Number of overflow pieces, (S - 1) div (piece size - 8).
  static std::uint32_t OverflowCount(std::uint64_t stream_size, std::uint32_t piece_size);

  // Length of the stream for these entries in the layout of form and a tail of tail_length bytes.
  static std::uint64_t StreamSize(const std::vector<StoredFile>& files, std::uint32_t tail_length,
                                  std::size_t buffer_size, format::CatalogueForm form);

  // Creates the header file and writes its magic, the overflow count and the stream's fixed
  // fields; the tail follows through CopyFrom, then WriteRecords.
  // Each step fails with a message naming the file it concerns; after a failure, the steps
  // that follow fail with the same Status.
  Status Begin(std::uint32_t tail_length);
  Status Write(std::span<const char> data);
  Status CopyFrom(platform::File& source, std::uint64_t n, std::span<char> buffer);
  // Writes files as catalogue blocks packed in buffer, then the terminator.
  Status WriteRecords(const std::vector<StoredFile>& files, std::span<char> buffer);
  // Closes the last file written; every byte of the new catalogue is then in its temporary files.
  Status Finish();
  // Overflow pieces are numbered last_piece + 1 to last_piece + OverflowCount().
  std::uint32_t OverflowCount() const { return OverflowCount(stream_size_, piece_size_); }
  // Where the new header lies until Commit (after Begin).
  const std::string& HeaderTempPath() const { return outputs_.front().file->Path(); }
  // Renames the overflow pieces, then the header, into place (after Finish).
  Status Commit();

 private:
  struct Output {
    std::unique_ptr<platform::TempFile> file;  // removes itself unless put in place
    std::string final_path;
  };
  Status Fail(Status status);
  Status StartFile(std::string final_path, std::string_view magic, std::uint32_t number);
  Status CloseCurrent();
  // The current file is full: the stream goes on in the next overflow piece.
  Status StartNextOverflowPiece();
  // A failure of the file being written, named by the path it will have.
  Status WriteFailed(const Status& status);

  platform::FileSystem& fs_;
  SetPaths set_;
  std::uint32_t piece_size_;
  std::uint32_t last_piece_;
  format::CatalogueForm form_;
  std::uint64_t stream_size_;
  platform::File* file_ = nullptr;  // the file being written: the last output's
  std::uint32_t room_ = 0;          // bytes the current file can still take
  std::vector<Output> outputs_;
  Status failure_;
};

}  // namespace vornalis
