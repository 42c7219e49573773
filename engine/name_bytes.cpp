#include "engine/name_bytes.h"

#include <algorithm>
#include <optional>

#include "platform/text_encoding.h"

namespace vornalis {

namespace {

bool IsAscii(std::string_view name) {
  return std::all_of(name.begin(), name.end(), [](char c) { return (c & 0x80) == 0; });
}

}  // namespace

std::string StoredNameBytes(std::string_view name) {
  if (IsAscii(name)) return std::string(name);
  const std::optional<std::string> cp1252 = platform::Utf8ToCp1252(name);
  if (cp1252 && !platform::IsValidUtf8(*cp1252)) return *cp1252;
  return std::string(name);
}

std::size_t StoredNameSize(std::string_view name) {
  return IsAscii(name) ? name.size() : StoredNameBytes(name).size();
}

std::string NameFromStored(std::string_view bytes) { return platform::DecodeText(bytes); }

}  // namespace vornalis
