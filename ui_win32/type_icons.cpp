#include "ui_win32/type_icons.h"

#include <shellapi.h>

#include "platform/text_encoding.h"
#include "platform/win32_path.h"

namespace vornalis::win32 {

std::string TypeIcons::NameFor(int index, std::string_view extension) {
  // A name of that extension, which need not exist.
  const std::wstring name = L"x" + platform::Wide(platform::DecodeText(extension));
  SHFILEINFOW info{};
  const UINT flags =
      SHGFI_USEFILEATTRIBUTES | SHGFI_TYPENAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
  const bool found =
      ::SHGetFileInfoW(name.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info, flags) != 0;
  if (index >= 0) {
    if (icons_.size() <= static_cast<std::size_t>(index))
      icons_.resize(static_cast<std::size_t>(index) + 1, -1);
    icons_[static_cast<std::size_t>(index)] = found ? info.iIcon : -1;
  }
  return found ? platform::Narrow(info.szTypeName) : std::string();
}

int TypeIcons::Icon(int index) const {
  return index >= 0 && static_cast<std::size_t>(index) < icons_.size()
             ? icons_[static_cast<std::size_t>(index)]
             : -1;
}

HIMAGELIST TypeIcons::SmallIcons() {
  SHFILEINFOW info{};
  return reinterpret_cast<HIMAGELIST>(
      ::SHGetFileInfoW(L"x", FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                       SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

}  // namespace vornalis::win32
