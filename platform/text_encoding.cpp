#include "platform/text_encoding.h"

#include <array>
#include <cstdint>

namespace vornalis::platform {
namespace {

// The characters of bytes 80 to 9F in code page 1252; the unassigned ones are the C1 control
// of their own number.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    *out += static_cast<char>(c);
  } else if (c < 0x800) {
    *out += static_cast<char>(0xC0 | (c >> 6));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out += static_cast<char>(0xE0 | (c >> 12));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The code point of the well-formed sequence of length n at text[i].
char32_t CodePoint(std::string_view text, std::size_t i, std::size_t n) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  if (n == 1) return byte(0);
  char32_t c = byte(0) & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k) c = (c << 6) | (byte(k) & 0x3F);
  return c;
}

}  // namespace

std::size_t Utf8Length(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char c = byte(0);
  if (c < 0x80) return 1;
  // The lead byte gives the length and the range of the second byte, which rules out overlong
  // forms, surrogates and code points above U+10FFFF, as Unicode's table of well-formed
  // sequences does.
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  }
  if (length == 0 || i + length > text.size()) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k)
    if ((byte(k) >> 6) != 2) return 0;
  return length;
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {  // ASCII, most of every name
      ++i;
      continue;
    }
    const std::size_t length = Utf8Length(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char b : bytes) {
    const auto c = static_cast<unsigned char>(b);
    AppendUtf8(c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c, &out);
  }
  return out;
}

std::string DecodeText(std::string_view bytes) {
  return IsValidUtf8(bytes) ? std::string(bytes) : Cp1252ToUtf8(bytes);
}

std::optional<std::string> Utf8ToCp1252(std::string_view text) {
  if (!IsValidUtf8(text)) return std::nullopt;
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Utf8Length(text, i);
    const char32_t c = CodePoint(text, i, length);
    i += length;
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out += static_cast<char>(c);
      continue;
    }
    std::size_t k = 0;
    while (k < kHigh.size() && kHigh[k] != c) ++k;
    if (k == kHigh.size()) return std::nullopt;
    out += static_cast<char>(0x80 + k);
  }
  return out;
}

}  // namespace vornalis::platform
