// TypeIcons: the type names of the session's type cache as the Windows shell gives them
// (SHGetFileInfoW by extension alone, SHGFI_USEFILEATTRIBUTES, so no file is opened), and for
// each entry the index of its small icon in the system's image list, which the list view shows.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <string_view>
#include <vector>

#include "desktop/type_names.h"

namespace vornalis::win32 {

class TypeIcons final : public desktop::TypeSource {
 public:
  std::string NameFor(int index, std::string_view extension) override;
  // The system image list's index of entry's icon; -1 for one not seen.
  int Icon(int index) const;
  // The system's list of small icons (shared: never destroyed by its users).
  static HIMAGELIST SmallIcons();

 private:
  std::vector<int> icons_;
};

}  // namespace vornalis::win32
