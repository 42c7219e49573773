// Text as bytes: UTF-8, and code page 1252, the 8-bit code page of Western Windows.
//
// Inside the program every text is UTF-8. Bytes that are not valid UTF-8 (a name written by a
// Windows program in its code page) are read as code page 1252 by DecodeText, the one decoding
// that ordering, case folding and display all use, so every text reads as something and as the
// same thing everywhere. Code page 1252 leaves five bytes unassigned (81, 8D, 8F, 90, 9D); they
// become the C1 controls of the same number, as Windows reads them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vornalis::platform {

// Whether text is well-formed UTF-8, and the length of the UTF-8 sequence at text[i] (0 when it
// is not well formed).
bool IsValidUtf8(std::string_view text);
std::size_t Utf8Length(std::string_view text, std::size_t i);

// UTF-8 text unchanged, any other bytes read as code page 1252.
std::string DecodeText(std::string_view bytes);
// Code page 1252 bytes as UTF-8.
std::string Cp1252ToUtf8(std::string_view bytes);
// UTF-8 text in code page 1252, or nothing when a character has no byte there.
std::optional<std::string> Utf8ToCp1252(std::string_view text);

}  // namespace vornalis::platform
