// Writing JSON text for the CLI's --json output.
#pragma once

#include <string>
#include <string_view>

namespace vornalis::cli {

// text as a JSON string literal, quotes included. Text that is not valid UTF-8 (a name from an
// 8-bit system) is read as Latin-1, so the output is always valid JSON.
std::string JsonString(std::string_view text);

}  // namespace vornalis::cli
