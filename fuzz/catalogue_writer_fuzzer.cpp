// libFuzzer target for the catalogue writer: the input becomes a piece size, a tail and a list
// of catalogue entries, which are written as a set's header and overflow pieces and read back.
// What is read must equal what was written, entry for entry and byte for byte of the tail, and
// every file must keep to the piece size; anything else, or a crash or sanitizer report, is a
// finding.
//
// Input layout: a u16 piece size (plus 20), a u16 tail length; then entries, each a u8 folder
// length, a u8 name length, the two texts and three u16 numbers for piece, offset and size,
// folded into what the set's shape allows. A size with its top bit set stands for that many
// times 2^24 bytes, so that catalogues of the large form (a file of 4 GB or more) are written
// and read back too.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/catalogue.h"
#include "engine/catalogue_stream_writer.h"
#include "engine/format.h"
#include "engine/set_files.h"
#include "engine/set_reader.h"
#include "fuzz/fuzz_files.h"
#include "platform/endian.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"

namespace {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  std::uint32_t U8() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint32_t U16() { return U8() | U8() << 8; }
  // n bytes; a zero byte would end a text early when read back, so it stands for 'z'.
  std::string Text(std::uint32_t n) {
    std::string text;
    for (std::uint32_t i = 0; i < n && !empty(); ++i) {
      const char c = static_cast<char>(U8());
      text += c == '\0' ? 'z' : c;
    }
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vornalis;
  Input in(data, size);
  const std::uint32_t piece_size = format::kMinPieceSize + in.U16();
  const std::uint32_t payload = piece_size - format::kPieceHeadSize;
  const std::string tail = in.Text(in.U16() % payload);
  const std::uint32_t last_piece = 1 + in.U8();
  std::vector<StoredFile> files;
  while (!in.empty() && files.size() < 4000) {
    StoredFile file;
    const std::uint32_t folder_length = in.U8(), name_length = in.U8();
    file.Folder = in.Text(folder_length);
    file.Name = in.Text(name_length);
    file.Piece = 1 + in.U16() % last_piece;
    file.Offset = format::kPieceHeadSize + in.U16() % payload;
    const std::uint64_t length = in.U16();
    file.Size = length & 0x8000 ? (length & 0x7FFF) << 24 : length;
    files.push_back(std::move(file));
  }

  platform::FileSystem& fs = platform::RealFileSystem();
  const std::string base = fuzz::WorkFolder("writer-fuzz") + "set";
  const SetPaths paths{base};
  std::vector<char> buffer(format::kBufferSize);
  const format::CatalogueForm form = catalogue::FormFor(files, format::CatalogueForm::kStandard);
  {
    CatalogueStreamWriter out(
        fs, paths, piece_size, last_piece, form,
        CatalogueStreamWriter::StreamSize(files, static_cast<std::uint32_t>(tail.size()),
                                          buffer.size(), form));
    if (!out.Begin(static_cast<std::uint32_t>(tail.size())).ok() || !out.Write(tail).ok() ||
        !out.WriteRecords(files, buffer).ok() || !out.Finish().ok() || !out.Commit().ok())
      std::abort();
    // The header and every overflow piece keep to the piece size, all but the last full.
    for (std::uint32_t n = 0; n <= out.OverflowCount(); ++n) {
      const std::string path = n == 0 ? paths.Header() : paths.Piece(last_piece + n);
      const auto length = std::filesystem::file_size(path);
      if (length > piece_size || (n < out.OverflowCount() && length != piece_size)) std::abort();
    }
  }

  SetReader reader(fs, base);
  std::vector<StoredFile> read;
  auto copy = fs.CreateUniqueFile(fuzz::WorkFolder("writer-fuzz"), "tail");
  if (!copy.ok() || !reader.Open().ok() || !reader.ReadCatalogue(&read, buffer, copy.get()).ok())
    std::abort();
  if (reader.piece_size() != piece_size || reader.last_piece() != last_piece ||
      reader.tail_length() != tail.size() || read.size() != files.size() || reader.form() != form)
    std::abort();
  // A name in UTF-8, as the program holds names, comes back unchanged; other bytes, which the
  // program never stores, come back as they read in the code page.
  const auto read_back = [](const std::string& text) {
    return platform::IsValidUtf8(text) ? text : platform::Cp1252ToUtf8(text);
  };
  for (std::size_t i = 0; i < files.size(); ++i) {
    const StoredFile& a = files[i];
    const StoredFile& b = read[i];
    if (read_back(a.Folder) != b.Folder || read_back(a.Name) != b.Name || a.Piece != b.Piece ||
        a.Offset != b.Offset || a.Size != b.Size)
      std::abort();
  }
  std::string tail_read(tail.size(), '\0');
  const Result<std::size_t> tail_length = copy->ReadAt(0, tail_read);
  if (!tail_length.ok() || *tail_length != tail.size() || tail_read != tail) std::abort();

  fuzz::Empty(fuzz::WorkFolder("writer-fuzz"));
  return 0;
}
