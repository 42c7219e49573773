#include "engine/name_claims.h"

#include <array>
#include <cerrno>

#include "engine/aside_pieces.h"
#include "engine/format.h"
#include "engine/messages.h"
#include "engine/piece_layout.h"
#include "platform/endian.h"

namespace vornalis {
namespace {

// Looks at path and, for a regular file with one name owned by owner, reads its head; the
// claim is the set's when accept says the head is right.
template <typename Accept>
NameClaim Claim(platform::FileSystem& fs, const std::string& path, std::uint32_t owner,
                Accept accept) {
  NameClaim claim;
  const Result<platform::FileInfo> there = fs.Inspect(path);
  if (there.error() == ENOENT) return claim;
  if (there.ok()) claim.info = *there;
  std::array<char, format::kPieceHeadSize> head{};
  std::size_t length = 0;
  if (there.ok() && claim.info.kind == platform::FileInfo::Kind::kRegular) {
    // Opened through the same checks as anything aside, so a link swapped in is not followed.
    if (auto file = OpenOwnedFile(fs, path, claim.info.owner); file.ok()) {
      if (const Result<std::size_t> read = file->Read(head); read.ok()) length = *read;
    }
  }
  const std::string_view magic(head.data(), length >= 4 ? 4 : 0);
  // An empty file is a piece whose writer died before its head was written: nothing in it can
  // be lost.
  const bool own = claim.info.kind == platform::FileInfo::Kind::kRegular && claim.info.links == 1 &&
                   claim.info.owner == owner &&
                   (claim.info.size == 0 || accept(std::span<const char>(head.data(), length)));
  if (own) {
    claim.owner = NameClaim::Owner::kThisSet;
    return claim;
  }
  claim.owner = NameClaim::Owner::kOther;
  const bool set_file = format::IsHeaderMagic(magic) || magic == format::kPieceMagic;
  claim.refusal =
      Status::Error(Status::Code::kNameTaken, path,
                    set_file && claim.info.links == 1 ? messages::BelongsToAnotherSet(path)
                                                      : messages::NameInTheWay(path));
  return claim;
}

}  // namespace

NameClaim ClaimPiece(platform::FileSystem& fs, const SetPaths& set, std::uint32_t n,
                     std::uint32_t owner) {
  return ClaimPieceAt(fs, set.Piece(n), n, owner);
}

NameClaim ClaimPieceAt(platform::FileSystem& fs, const std::string& path, std::uint32_t n,
                       std::uint32_t owner) {
  return Claim(fs, path, owner, [n](std::span<const char> head) { return IsPieceHead(head, n); });
}

NameClaim ClaimHeader(platform::FileSystem& fs, const SetPaths& set, std::uint32_t owner) {
  return Claim(fs, set.Header(), owner, [](std::span<const char> head) {
    return head.size() >= 4 && format::IsHeaderMagic(std::string_view(head.data(), 4));
  });
}

}  // namespace vornalis
