// Opening a web address on Windows: through the shell ("open"), and when the shell cannot, by
// the command the registry names for ".htm" files (its class's shell\open\command), cut at its
// placeholder with the one rule both desktop programs use (platform/web_link_command.h). The
// browser runs on its own; nothing is told when neither way works.
#pragma once

#include <string_view>

namespace vornalis::win32 {

// True when the shell or the fallback started something.
bool OpenWebLink(std::string_view address);

}  // namespace vornalis::win32
