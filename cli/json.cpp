#include "cli/json.h"

#include <cstdio>

#include "platform/text_encoding.h"

namespace vornalis::cli {

std::string JsonString(std::string_view text) {
  const bool utf8 = platform::IsValidUtf8(text);
  std::string out = "\"";
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    char escape[8];
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20 || c == 0x7f || (!utf8 && c >= 0x80)) {
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

}  // namespace vornalis::cli
