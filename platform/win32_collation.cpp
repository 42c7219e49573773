// Name order on Windows: the system's own, by the user's locale (CompareStringEx and its sort
// keys), with letter case ignored; case folding by the invariant locale.
#include <windows.h>

#include "platform/collation.h"
#include "platform/text_encoding.h"
#include "platform/win32_path.h"

namespace vornalis::platform {
namespace {

std::wstring WideText(std::string_view s) { return Wide(DecodeText(s)); }

// Case is ignored, as are the widths of East Asian characters; accents are told apart.
constexpr DWORD kFlags = NORM_IGNORECASE | NORM_IGNOREWIDTH;

}  // namespace

struct Collator::Impl {
  std::wstring locale;
};

Collator::Collator(const std::string& locale) : impl_(std::make_unique<Impl>()) {
  if (locale.empty()) {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    if (::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) > 0) impl_->locale = name;
  } else {
    impl_->locale = Wide(locale);
  }
  locale_name_ = impl_->locale.empty() ? "invariant" : Narrow(impl_->locale);
}

Collator::~Collator() = default;

Collator& Collator::Default() {
  static Collator collator;
  return collator;
}

int Collator::Compare(std::string_view a, std::string_view b) const {
  const std::wstring wa = WideText(a), wb = WideText(b);
  const int result =
      ::CompareStringEx(impl_->locale.c_str(), kFlags, wa.data(), static_cast<int>(wa.size()),
                        wb.data(), static_cast<int>(wb.size()), nullptr, nullptr, 0);
  return result == CSTR_LESS_THAN ? -1 : result == CSTR_GREATER_THAN ? 1 : 0;
}

void Collator::AppendSortKey(std::string_view s, std::string* key) const {
  const std::wstring w = WideText(s);
  const int length = ::LCMapStringEx(impl_->locale.c_str(), LCMAP_SORTKEY | kFlags, w.data(),
                                     static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr, 0);
  const std::size_t start = key->size();
  key->resize(start + static_cast<std::size_t>(length));
  // A sort key is bytes, handed back through the wide-character parameter; it ends with a zero
  // byte.
  ::LCMapStringEx(impl_->locale.c_str(), LCMAP_SORTKEY | kFlags, w.data(),
                  static_cast<int>(w.size()), reinterpret_cast<LPWSTR>(key->data() + start), length,
                  nullptr, nullptr, 0);
  if (length == 0 || key->back() != '\0') key->push_back('\0');
}

std::string FoldCase(std::string_view s) {
  const std::wstring w = WideText(s);
  if (w.empty()) return std::string();
  std::wstring folded(w.size(), L'\0');
  const int length =
      ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, w.data(), static_cast<int>(w.size()),
                      folded.data(), static_cast<int>(folded.size()), nullptr, nullptr, 0);
  if (length <= 0) return std::string(s);
  folded.resize(static_cast<std::size_t>(length));
  return Narrow(folded);
}

}  // namespace vornalis::platform
