// Collator: orders names the way the user's locale does, letter case ignored.
//
// Names are UTF-8; bytes that are not valid UTF-8 are read as code page 1252, as DecodeText
// (text_encoding.h) reads them, so every name has one definite place in the order. Under the C or
// POSIX locale the root order of Unicode is used, because the POSIX order would tell case apart.
// ICU does the work on POSIX systems; on Windows the system's own order does (CompareStringEx).
// Compare and AppendSortKey may be called from several threads at once: they only read the
// collator, which ICU and the Windows order allow; Default() is made once, whichever thread asks.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace vornalis::platform {

class Collator {
 public:
  // locale "" means the user's default locale.
  explicit Collator(const std::string& locale = "");
  ~Collator();
  Collator(const Collator&) = delete;
  Collator& operator=(const Collator&) = delete;

  // The collator of the user's default locale, made on first use.
  static Collator& Default();

  // Negative, zero or positive as a sorts before, equal to, or after b.
  int Compare(std::string_view a, std::string_view b) const;
  // Appends the sort key of s, ending in a zero byte: comparing keys bytewise (as std::string
  // does) gives the order of Compare, so a sort computes each key once instead of collating
  // strings at every comparison.
  void AppendSortKey(std::string_view s, std::string* key) const;
  // Name of the locale whose order is used ("root" for the root order).
  const std::string& LocaleName() const { return locale_name_; }

 private:
  struct Impl;  // the system's collator
  std::unique_ptr<Impl> impl_;
  std::string locale_name_;
};

// s with letter case folded (Unicode default case folding), as UTF-8; nothing else changes:
// invisible characters, controls and the normalisation form stay as they are. Bytes that are
// not valid UTF-8 are read as the collator reads them.
std::string FoldCase(std::string_view s);

}  // namespace vornalis::platform
