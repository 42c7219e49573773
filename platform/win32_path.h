// Windows only: UTF-8 paths as the Win32 API's wide-character paths, and back.
#pragma once

#include <string>
#include <string_view>

namespace vornalis::platform {

std::wstring Wide(std::string_view utf8);
std::string Narrow(std::wstring_view wide);
// The wide form of path for the Win32 file functions: absolute, with "\" only, "." and ".."
// resolved, behind the "\\?\" prefix, so that no part of it is reinterpreted: no length limit
// of 260 characters, names ending in a dot or a space and names such as CON stay plain files.
std::wstring SystemPath(std::string_view path);

}  // namespace vornalis::platform
