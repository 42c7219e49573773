// Stored names as the CLI prints them. A name comes from whoever made the set, so printed raw to
// a terminal it could clear the screen or retitle the window; on a terminal its control
// characters are shown escaped instead, as ls does. Elsewhere (a pipe, a file) names are written
// as stored, so scripts get the exact bytes.
#pragma once

#include <string>
#include <string_view>

namespace vornalis::cli {

// Whether text is well-formed UTF-8, and the length of the UTF-8 sequence at text[i] (0 when
// it is not well formed).
bool IsValidUtf8(std::string_view text);
std::size_t Utf8Length(std::string_view text, std::size_t i);

// text with every control character (C0, DEL, and C1 in UTF-8 or as single bytes) shown as
// \xNN. Folder separators ("\") are left as they are.
std::string EscapeControls(std::string_view text);

// Whether standard output is a terminal.
bool StdoutIsTerminal();

// text for printing to standard output: escaped on a terminal, as it is otherwise.
std::string ShownName(std::string_view text);

}  // namespace vornalis::cli
