// Stored names as a terminal shows them. A name comes from whoever made the set, so printed raw
// to a terminal it could clear the screen or retitle the window; the CLI and the
// self-assembling program show control characters escaped there instead, as ls does.
#pragma once

#include <string>
#include <string_view>

namespace vornalis {

// text with every control character (C0, DEL, and C1 in UTF-8 or as single bytes) shown as
// \xNN. Folder separators ("\") are left as they are.
std::string EscapeControls(std::string_view text);

}  // namespace vornalis
