// The bytes of a piece set: every constant of the on-disk format, in one place.
//
// A set is a header file (base path + ".pec", magic "QBXR") and data pieces (base path + n +
// ".pec", magic "QBTM"), none longer than the set's piece size. All integers are unsigned
// little-endian; text is stored behind a u16 length, without terminator.
//
// A set that holds a file of 4 GB or more is written in the large form: its header starts with
// "QBXL" instead, so that readers of the standard form refuse it, and its records hold Size as
// a u64. Everything else is the same in both forms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vornalis::format {

inline constexpr std::string_view kHeaderMagic = "QBXR";
inline constexpr std::string_view kLargeHeaderMagic = "QBXL";
inline constexpr std::string_view kPieceMagic = "QBTM";
inline constexpr std::string_view kExtension = ".pec";
// What the user is shown for a file with that extension: in the file dialogs' filters, the file
// list and the system's file type (install/vornalis-mime.xml.in is made from these lines).
inline constexpr std::string_view kTypeName = "Split piece files";

// Pieces are numbered from 1 up to this; a set that would need more is refused.
inline constexpr std::uint32_t kMaxPieceNumber = 0xFFFFFFFF;

// Magic and piece number: the whole overhead of a data or overflow piece.
inline constexpr std::uint32_t kPieceHeadSize = 8;
// The header file must hold its own fields and the catalogue stream's fixed fields, since they
// say where the rest of the stream lies; smaller pieces would make sets that cannot be read.
inline constexpr std::uint32_t kMinPieceSize = 20;

// Header file: magic, overflow count K, then the catalogue stream, whose fixed fields are the
// piece size, the last piece number and the tail length L, followed by the L tail bytes.
inline constexpr std::uint32_t kHeaderStreamOffset = 8;
inline constexpr std::uint32_t kStreamFixedSize = 12;
inline constexpr std::uint32_t kHeaderFixedSize = kHeaderStreamOffset + kStreamFixedSize;  // 20
static_assert(kMinPieceSize == kHeaderFixedSize);

// Catalogue blocks: a u32 length, then records. A writer starts a new block once the current
// one holds kBlockLimit bytes or more; the stream ends with kTerminator.
inline constexpr std::uint32_t kBlockLimit = 0xFFC00;
inline constexpr std::uint32_t kTerminator = 0xFFFFFFFF;
// Piece, Offset, Size (u32 each), then u16 folder length and u16 name length.
inline constexpr std::uint32_t kRecordFixedSize = 16;
// The large form's records: Piece and Offset (u32), Size (u64), the two lengths (u16).
inline constexpr std::uint32_t kLargeRecordFixedSize = 20;
inline constexpr std::size_t kMaxTextLength = 0xFFFF;

// Every copy between files goes through one transfer buffer of this size, and a catalogue
// block must fit in it.
inline constexpr std::size_t kBufferSize = 1 << 20;

// The record of pieces a writer keeps aside (aside_pieces.h) begins with this.
inline constexpr std::string_view kAsideMagic = "QBAS";

// Temporary files of a set start with this prefix.
inline constexpr std::string_view kTempPrefix = "Qbtm";

// Stored folders use this separator whatever the system.
inline constexpr char kStoredSeparator = '\\';

// The largest size a record of the standard form holds; a set with a larger file is written in
// the large form.
inline constexpr std::uint64_t kStandardMaxFileSize = 0xFFFFFFFFull;
// The largest file a set holds, 2^63 - 1 bytes: file sizes and positions are signed 64-bit
// numbers on every system.
inline constexpr std::uint64_t kMaxFileSize = 0x7FFFFFFFFFFFFFFFull;

// The two forms of a set's header and catalogue.
enum class CatalogueForm { kStandard, kLarge };

inline constexpr std::string_view HeaderMagic(CatalogueForm form) {
  return form == CatalogueForm::kLarge ? kLargeHeaderMagic : kHeaderMagic;
}
inline constexpr std::uint32_t RecordFixedSize(CatalogueForm form) {
  return form == CatalogueForm::kLarge ? kLargeRecordFixedSize : kRecordFixedSize;
}
// True for the first four bytes of a header file of either form.
inline constexpr bool IsHeaderMagic(std::string_view magic) {
  return magic == kHeaderMagic || magic == kLargeHeaderMagic;
}

}  // namespace vornalis::format
