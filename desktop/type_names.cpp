#include "desktop/type_names.h"

namespace vornalis::desktop {

std::string_view ExtensionOf(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

TypeNames::TypeNames(TypeSource& source, const platform::Collator& collator)
    : source_(source), collator_(collator) {}

int TypeNames::IndexFor(std::string_view name) {
  const std::string_view extension = ExtensionOf(name);
  std::string spelling(extension);
  if (auto found = by_spelling_.find(spelling); found != by_spelling_.end()) return found->second;

  std::string key;
  collator_.AppendSortKey(extension, &key);
  int index = 0;
  if (auto found = by_key_.find(key); found != by_key_.end()) {
    index = found->second;
  } else {
    index = Size();
    entries_.push_back({spelling, source_.NameFor(index, extension)});
    by_key_.emplace(std::move(key), index);
  }
  by_spelling_.emplace(std::move(spelling), index);
  return index;
}

}  // namespace vornalis::desktop
