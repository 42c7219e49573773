#include "platform/collation.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/uloc.h>
#include <unicode/ustring.h>

#include <cstring>

#include "platform/text_encoding.h"

namespace vornalis::platform {
namespace {

// Decodes UTF-8; bytes that are not UTF-8 are read as DecodeText reads them.
void ToUtf16(std::string_view s, std::u16string* out) {
  const auto decode = [out](std::string_view utf8) {
    out->resize(utf8.size());
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(reinterpret_cast<UChar*>(out->data()), static_cast<int32_t>(out->size()), &length,
                  utf8.data(), static_cast<int32_t>(utf8.size()), &status);
    out->resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
    return U_SUCCESS(status);
  };
  if (!decode(s)) decode(DecodeText(s));
}

bool IsAscii(std::string_view s) {
  for (const char c : s) {
    if ((static_cast<unsigned char>(c) & 0x80) != 0) return false;
  }
  return true;
}

bool IsPosixLocale(const char* name) {
  return name == nullptr || *name == '\0' || std::strcmp(name, "c") == 0 ||
         std::strcmp(name, "C") == 0 || std::strncmp(name, "en_US_POSIX", 11) == 0 ||
         std::strcmp(name, "POSIX") == 0;
}

}  // namespace

struct Collator::Impl {
  UCollator* collator = nullptr;
};

std::string FoldCase(std::string_view s) {
  std::u16string wide;
  ToUtf16(s, &wide);
  std::u16string folded(wide.size() * 3 + 1, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t length =
      u_strFoldCase(reinterpret_cast<UChar*>(folded.data()), static_cast<int32_t>(folded.size()),
                    reinterpret_cast<const UChar*>(wide.data()), static_cast<int32_t>(wide.size()),
                    U_FOLD_CASE_DEFAULT, &status);
  if (U_FAILURE(status)) return std::string(s);
  std::string out(static_cast<std::size_t>(length) * 3 + 1, '\0');
  int32_t out_length = 0;
  status = U_ZERO_ERROR;
  u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &out_length,
              reinterpret_cast<const UChar*>(folded.data()), length, &status);
  if (U_FAILURE(status)) return std::string(s);
  out.resize(static_cast<std::size_t>(out_length));
  return out;
}

Collator::Collator(const std::string& locale) : impl_(std::make_unique<Impl>()) {
  const char* name = locale.empty() ? uloc_getDefault() : locale.c_str();
  if (IsPosixLocale(name)) name = "";  // root
  UErrorCode status = U_ZERO_ERROR;
  impl_->collator = ucol_open(name, &status);
  if (U_FAILURE(status)) {
    status = U_ZERO_ERROR;
    impl_->collator = ucol_open("", &status);
  }
  ucol_setStrength(impl_->collator, UCOL_SECONDARY);
  locale_name_ = *name == '\0' ? "root" : name;
}

Collator::~Collator() { ucol_close(impl_->collator); }

Collator& Collator::Default() {
  static Collator collator;
  return collator;
}

int Collator::Compare(std::string_view a, std::string_view b) const {
  // Plain ASCII, the most common name, is compared as it stands, with nothing decoded or
  // allocated: a sorted catalogue of half a million names is checked in one such call per name.
  if (IsAscii(a) && IsAscii(b)) {
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult result =
        ucol_strcollUTF8(impl_->collator, a.data(), static_cast<int32_t>(a.size()), b.data(),
                         static_cast<int32_t>(b.size()), &status);
    if (U_SUCCESS(status)) return result == UCOL_LESS ? -1 : result == UCOL_GREATER ? 1 : 0;
  }
  std::u16string wa, wb;
  ToUtf16(a, &wa);
  ToUtf16(b, &wb);
  const UCollationResult result = ucol_strcoll(
      impl_->collator, reinterpret_cast<const UChar*>(wa.data()), static_cast<int32_t>(wa.size()),
      reinterpret_cast<const UChar*>(wb.data()), static_cast<int32_t>(wb.size()));
  return result == UCOL_LESS ? -1 : result == UCOL_GREATER ? 1 : 0;
}

void Collator::AppendSortKey(std::string_view s, std::string* key) const {
  std::u16string w;
  ToUtf16(s, &w);
  const std::size_t start = key->size();
  // Secondary keys take a few bytes per character; grow once when the guess is short.
  std::size_t capacity = w.size() * 4 + 16;
  for (;;) {
    key->resize(start + capacity);
    const int32_t length = ucol_getSortKey(
        impl_->collator, reinterpret_cast<const UChar*>(w.data()), static_cast<int32_t>(w.size()),
        reinterpret_cast<uint8_t*>(key->data() + start), static_cast<int32_t>(capacity));
    if (static_cast<std::size_t>(length) <= capacity) {
      key->resize(start + static_cast<std::size_t>(length));  // includes the final zero byte
      return;
    }
    capacity = static_cast<std::size_t>(length);
  }
}

}  // namespace vornalis::platform
