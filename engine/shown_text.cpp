#include "engine/shown_text.h"

#include <cstdio>

namespace vornalis {

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Utf8Length(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::size_t Utf8Length(std::string_view text, std::size_t i) {
  const auto c = static_cast<unsigned char>(text[i]);
  const std::size_t length = c < 0x80         ? 1
                             : (c >> 5) == 6  ? 2
                             : (c >> 4) == 14 ? 3
                             : (c >> 3) == 30 ? 4
                                              : 0;
  if (length == 0 || i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k)
    if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return 0;
  return length;
}

std::string EscapeControls(std::string_view text) {
  const bool utf8 = IsValidUtf8(text);
  std::string out;
  out.reserve(text.size());
  auto escape = [&](unsigned char c) {
    char code[5];
    std::snprintf(code, sizeof code, "\\x%02x", c);
    out += code;
  };
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t length = utf8 ? Utf8Length(text, i) : 1;
    const auto next = length == 2 ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (c < 0x20 || c == 0x7f || (!utf8 && c >= 0x80 && c <= 0x9f)) {
      escape(c);  // C0 and DEL; in an 8-bit name, C1 bytes (0x9b starts escape sequences)
    } else if (c == 0xc2 && next >= 0x80 && next <= 0x9f) {
      escape(c);  // C1 controls written in UTF-8, which some terminals act on too
      escape(next);
    } else {
      out.append(text.substr(i, length));
    }
    i += length;
  }
  return out;
}

}  // namespace vornalis
