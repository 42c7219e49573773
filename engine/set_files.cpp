#include "engine/set_files.h"

#include <array>

#include "engine/endian.h"
#include "engine/format.h"
#include "engine/messages.h"
#include "platform/path.h"

namespace vornalis {
namespace {

// Reads the first bytes of path into head; returns how many could be read, or -1 when the file
// cannot be opened, with the reason in *error.
int ReadHead(platform::FileSystem& fs, const std::string& path, std::array<char, 8>* head,
             int* error) {
  auto file = fs.Open(path, platform::OpenMode::kRead, error);
  if (!file) return -1;
  return static_cast<int>(file->Read(*head).count);
}

bool HasMagic(const std::array<char, 8>& head, int length, std::string_view magic) {
  return length >= 4 && std::string_view(head.data(), 4) == magic;
}

}  // namespace

std::string HeaderPath(std::string_view base_path) {
  return std::string(base_path) + std::string(format::kExtension);
}

std::string PiecePath(std::string_view base_path, std::uint32_t number) {
  return std::string(base_path) + std::to_string(number) + std::string(format::kExtension);
}

std::string SetNameOf(std::string_view base_path) { return platform::FileNameOf(base_path); }

std::string TempPrefix(std::string_view base_path) {
  return std::string(format::kTempPrefix) + SetNameOf(base_path) + "~";
}

SetIdentity IdentifySetFile(const std::string& path, platform::FileSystem& fs) {
  SetIdentity identity;
  std::array<char, 8> head{};
  int error = 0;
  const int length = ReadHead(fs, path, &head, &error);
  if (length < 0) {
    identity.message = messages::CantOpen(path, error);
    return identity;
  }
  const std::size_t ext = format::kExtension.size();
  if (HasMagic(head, length, format::kHeaderMagic) && path.size() >= ext) {
    identity.ok = true;
    identity.base_path = path.substr(0, path.size() - ext);
    return identity;
  }
  if (!HasMagic(head, length, format::kPieceMagic) || length < 8) {
    identity.message = messages::InvalidPiece(path);
    return identity;
  }
  const std::size_t digits = std::to_string(ReadU32(head.data() + 4)).size();
  if (path.size() < digits + ext) {
    identity.message = messages::InvalidPiece(path);
    return identity;
  }
  const std::string base = path.substr(0, path.size() - digits - ext);
  const std::string header = HeaderPath(base);
  std::array<char, 8> header_head{};
  const int header_length = ReadHead(fs, header, &header_head, &error);
  if (header_length < 0) {
    identity.message = messages::CantOpen(header, error);
  } else if (!HasMagic(header_head, header_length, format::kHeaderMagic)) {
    identity.message = messages::InvalidPiece(header);
  } else {
    identity.ok = true;
    identity.base_path = base;
  }
  return identity;
}

}  // namespace vornalis
