#include "ui/main/file_type_icons.h"

#include "ui/main/stored_text.h"

namespace vornalis::ui {

std::string FileTypeIcons::NameFor(int index, std::string_view extension) {
  const platform_qt::FileType type = system_.ForExtension(FromStored(extension));
  if (index >= 0) {
    if (icons_.size() <= static_cast<std::size_t>(index))
      icons_.resize(static_cast<std::size_t>(index) + 1);
    icons_[static_cast<std::size_t>(index)] = type.icon;
  }
  return type.name.toStdString();
}

QIcon FileTypeIcons::Icon(int index) const {
  return index >= 0 && static_cast<std::size_t>(index) < icons_.size()
             ? icons_[static_cast<std::size_t>(index)]
             : QIcon();
}

}  // namespace vornalis::ui
