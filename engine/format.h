// The bytes of a piece set: every constant of the on-disk format, in one place.
//
// A set is a header file (base path + ".pec", magic "QBXR") and data pieces (base path + n +
// ".pec", magic "QBTM"), none longer than the set's piece size. All integers are unsigned
// little-endian; text is stored behind a u16 length, without terminator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vornalis::format {

inline constexpr std::string_view kHeaderMagic = "QBXR";
inline constexpr std::string_view kPieceMagic = "QBTM";
inline constexpr std::string_view kExtension = ".pec";
// What the user is shown for a file with that extension: in the file dialogs' filters, the file
// list and the system's file type (install/vornalis-mime.xml.in is made from these lines).
inline constexpr std::string_view kTypeName = "Split piece files";

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

// Sizes and offsets are u32: a source of this many bytes or more cannot be stored.
inline constexpr std::uint64_t kMaxFileSize = 0xFFFFFFFFull;

}  // namespace vornalis::format
