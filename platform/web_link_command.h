// The command line that opens a web address with the command a system has registered for web
// pages, when its desktop cannot open the address itself: one rule for both desktop programs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vornalis::platform {

// The placeholders a registered template may hold for the page: "%1" on Windows.
std::vector<std::string> WindowsPlaceholders();

// The command line that opens address with command_template: the template is cut before the
// first placeholder that stands in double quotes (the quote, the placeholder and all after it
// are dropped); failing that, before the first bare placeholder; a template without any is kept
// whole. One space and the address, unquoted, follow. Arguments after the placeholder are lost.
// Case matters in the search.
std::string CutCommandTemplate(std::string_view command_template, std::string_view address,
                               const std::vector<std::string>& placeholders);

}  // namespace vornalis::platform
