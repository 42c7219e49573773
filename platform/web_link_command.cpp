#include "platform/web_link_command.h"

namespace vornalis::platform {

std::vector<std::string> WindowsPlaceholders() { return {"%1"}; }

std::string CutCommandTemplate(std::string_view command_template, std::string_view address,
                               const std::vector<std::string>& placeholders) {
  // The earliest position of any placeholder, each wrapped in before and after.
  const auto first_of = [&](std::string_view wrap) {
    std::size_t first = std::string_view::npos;
    for (const std::string& placeholder : placeholders) {
      const std::string wrapped = std::string(wrap) + placeholder + std::string(wrap);
      const std::size_t at = command_template.find(wrapped);
      if (at != std::string_view::npos && (first == std::string_view::npos || at < first))
        first = at;
    }
    return first;
  };
  std::size_t cut = first_of("\"");
  if (cut == std::string_view::npos) cut = first_of("");
  const std::string_view kept =
      cut == std::string_view::npos ? command_template : command_template.substr(0, cut);
  return std::string(kept) + " " + std::string(address);
}

}  // namespace vornalis::platform
