// The type name of every file extension the list has shown this run, as the system names it.
//
// The system is asked once per extension, in order of first sight; entries are never dropped,
// so a type seen in an earlier set is not asked again. Extensions that differ only in letter
// case (by the user's locale) share one entry: .TXT and .txt get one name. Each face keeps the
// icons of the entries itself, by their index, as it learns them when it is asked.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/collation.h"

namespace vornalis::desktop {

// What a face asks its system for a new entry: the type name of an extension ("" or ".txt").
// The face may note, for the same index, the icon the system gives.
class TypeSource {
 public:
  virtual ~TypeSource() = default;
  virtual std::string NameFor(int index, std::string_view extension) = 0;
};

// The extension of a stored name: from its last dot on, dot included; "" without a dot.
std::string_view ExtensionOf(std::string_view name);

class TypeNames {
 public:
  TypeNames(TypeSource& source, const platform::Collator& collator);

  // The entry for the extension of name, asking the source when the extension is new.
  int IndexFor(std::string_view name);
  int Size() const { return static_cast<int>(entries_.size()); }
  const std::string& Extension(int index) const { return entries_.at(index).extension; }
  const std::string& TypeName(int index) const { return entries_.at(index).name; }

 private:
  struct Entry {
    std::string extension;  // as first seen
    std::string name;
  };

  TypeSource& source_;
  const platform::Collator& collator_;
  std::vector<Entry> entries_;
  // Every spelling seen, so a row costs one hash lookup; and the collation key of each entry,
  // which finds the entry of a spelling that differs only in letter case.
  std::unordered_map<std::string, int> by_spelling_;
  std::unordered_map<std::string, int> by_key_;
};

}  // namespace vornalis::desktop
