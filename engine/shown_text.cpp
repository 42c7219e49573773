#include "engine/shown_text.h"

#include "platform/text_encoding.h"

namespace vornalis {

using platform::IsValidUtf8;
using platform::Utf8Length;

std::string EscapeControls(std::string_view text) {
  const bool utf8 = IsValidUtf8(text);
  std::string out;
  out.reserve(text.size());
  auto escape = [&](unsigned char c) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 15];
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
