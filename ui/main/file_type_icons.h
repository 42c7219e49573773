// FileTypeIcons: the Qt face's source of type names for the session's type cache, which also
// keeps the icon the system gives for each entry, by the entry's index, for the list to show.
#pragma once

#include <QIcon>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/type_names.h"
#include "platform/qt/file_types.h"

namespace vornalis::ui {

class FileTypeIcons final : public desktop::TypeSource {
 public:
  explicit FileTypeIcons(platform_qt::FileTypes& system) : system_(system) {}
  std::string NameFor(int index, std::string_view extension) override;
  // The icon of entry index; a null icon for one not seen.
  QIcon Icon(int index) const;

 private:
  platform_qt::FileTypes& system_;
  std::vector<QIcon> icons_;
};

}  // namespace vornalis::ui
