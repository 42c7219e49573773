#include "engine/set_reader.h"

#include <algorithm>
#include <array>
#include <cerrno>

#include "engine/catalogue_stream_reader.h"
#include "engine/format.h"
#include "engine/messages.h"
#include "engine/name_bytes.h"
#include "engine/set_files.h"
#include "engine/stored_path.h"
#include "platform/endian.h"
#include "platform/path.h"

namespace vornalis {
namespace {

// Checks one record against the set's shape and appends it; false for a damaged record.
bool UnpackRecords(std::string_view block, format::CatalogueForm form, std::uint32_t piece_size,
                   std::uint32_t last_piece, std::vector<StoredFile>* out) {
  const bool large = form == format::CatalogueForm::kLarge;
  const std::size_t numbers = format::RecordFixedSize(form) - 4;  // Piece, Offset and Size
  const char* p = block.data();
  std::size_t left = block.size();
  auto take_text = [&](std::string* text) {
    if (left < 2) return false;
    const std::size_t length = ReadU16(p);
    p += 2;
    left -= 2;
    if (length > left) return false;
    // A text ends at a zero byte, if one occurs.
    std::size_t used = 0;
    while (used < length && p[used] != '\0') ++used;
    *text = NameFromStored(std::string_view(p, used));
    p += length;
    left -= length;
    return true;
  };
  while (left > 0) {
    if (left < numbers) return false;
    StoredFile file;
    file.Piece = ReadU32(p);
    file.Offset = ReadU32(p + 4);
    file.Size = large ? ReadU64(p + 8) : ReadU32(p + 8);
    p += numbers;
    left -= numbers;
    if (!take_text(&file.Folder) || !take_text(&file.Name)) return false;
    if (file.Piece == 0 || file.Piece > last_piece || file.Offset < format::kPieceHeadSize ||
        file.Offset >= piece_size || file.Size > format::kMaxFileSize)
      return false;
    out->push_back(std::move(file));
  }
  return true;
}

}  // namespace

SetReader::SetReader(platform::FileSystem& fs, const std::string& base_path)
    : SetReader(fs, FindSetPaths(fs, base_path)) {}

SetReader::SetReader(platform::FileSystem& fs, SetPaths paths) : fs_(fs), set_(std::move(paths)) {}

SetReader::~SetReader() = default;

Status SetReader::Open() {
  in_.reset();
  header_ = std::make_unique<OpenedHeader>(fs_, set_);
  opened_ = header_.get();
  in_ = std::make_unique<CatalogueStreamReader>(*header_);
  if (Status opened = in_->Open(); !opened.ok()) return opened;
  piece_size_ = in_->piece_size();
  last_piece_ = in_->last_piece();
  tail_length_ = in_->tail_length();
  overflow_count_ = in_->overflow_count();
  form_ = in_->form();
  return Status::Ok();
}

Status SetReader::ReadCatalogue(std::vector<StoredFile>* files, std::span<char> buffer,
                                platform::File* tail) {
  CatalogueStreamReader& in = *in_;
  const std::string header_path = set_.Header();
  if (tail != nullptr) {
    if (Status copied = in.CopyTo(*tail, tail_length_, buffer); !copied.ok()) return copied;
  } else {
    // The tail is read later from the header itself; the few bytes of it that may run on into
    // the first overflow piece are kept now.
    const std::uint64_t header_room = piece_size_ - format::kHeaderFixedSize;
    const std::uint64_t in_header = std::min<std::uint64_t>(tail_length_, header_room);
    std::array<char, format::kHeaderFixedSize> spill{};
    const std::size_t spilled = static_cast<std::size_t>(tail_length_ - in_header);
    if (Status skipped = in.Skip(in_header); !skipped.ok()) return skipped;
    if (Status read = in.Read(std::span<char>(spill.data(), spilled)); !read.ok()) return read;
    opened_->tail_spill.assign(spill.data(), spilled);
  }

  for (;;) {
    std::array<char, 4> length_bytes{};
    if (Status read = in.Read(length_bytes); !read.ok()) return read;
    const std::uint32_t length = ReadU32(length_bytes.data());
    if (length == format::kTerminator) break;
    if (length > buffer.size()) return messages::FormatNotCorrect(header_path);
    const std::span<char> block = buffer.first(length);
    if (Status read = in.Read(block); !read.ok()) return read;
    if (!UnpackRecords(std::string_view(block.data(), block.size()), form_, piece_size_,
                       last_piece_, files))
      return messages::FormatNotCorrect(header_path);
    ++blocks_;
  }
  if (!in.AtEnd()) return messages::FormatNotCorrect(header_path);
  return Status::Ok();
}

Status SetReader::ReadSnapshot(std::vector<StoredFile>* files, std::span<char> buffer) {
  constexpr int kAttempts = 8;
  for (int attempt = 1;; ++attempt) {
    files->clear();
    blocks_ = 0;
    Status read = Open();
    if (read.ok()) read = ReadCatalogue(files, buffer);
    if (attempt == kAttempts || opened_ == nullptr || opened_->StillCurrent()) return read;
  }
}

}  // namespace vornalis
