// FileTypeCache: the type name and icon of every file extension the list has shown this run.
//
// The system is asked once per extension, in order of first sight; entries are never dropped,
// so a type seen in an earlier set is not asked again. Extensions that differ only in letter
// case (by the user's locale) share one entry: .TXT and .txt get one name and one icon.
#pragma once

#include <QIcon>
#include <QString>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/collation.h"
#include "platform/qt/file_types.h"

namespace vornalis::ui {

// The extension of a stored name: from its last dot on, dot included; "" without a dot.
std::string_view ExtensionOf(std::string_view name);

class FileTypeCache {
 public:
  FileTypeCache(platform_qt::FileTypes& source, const platform::Collator& collator);

  // The entry for the extension of name, asking the system when the extension is new.
  int IndexFor(std::string_view name);
  int Size() const { return static_cast<int>(entries_.size()); }
  const std::string& Extension(int index) const { return entries_.at(index).extension; }
  const QString& TypeName(int index) const { return entries_.at(index).type.name; }
  const QIcon& Icon(int index) const { return entries_.at(index).type.icon; }

 private:
  struct Entry {
    std::string extension;  // as first seen
    platform_qt::FileType type;
  };

  platform_qt::FileTypes& source_;
  const platform::Collator& collator_;
  std::vector<Entry> entries_;
  // Every spelling seen, so a row costs one hash lookup; and the collation key of each entry,
  // which finds the entry of a spelling that differs only in letter case.
  std::unordered_map<std::string, int> by_spelling_;
  std::unordered_map<std::string, int> by_key_;
};

}  // namespace vornalis::ui
