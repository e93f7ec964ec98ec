// The shared text rules that are called rather than inlined (see
// profile_text.h).
#include "store/profile_text.h"

#include <string_view>

#include "platform/case_fold.h"
#include "platform/utf8.h"

namespace tvx::store::detail {

std::string_view TrimView(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (IsBlank(s[b]) || IsBreak(s[b]))) ++b;
  while (e > b && (IsBlank(s[e - 1]) || IsBreak(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() == b.size()) {
    size_t i = 0;
    for (; i < a.size(); ++i) {
      const unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
      if ((x | y) >= 0x80) break;
      if (Fold(x) != Fold(y)) return false;
    }
    if (i == a.size()) return true;
  }
  // A letter's cases may differ in length ("K" and the Kelvin sign).
  return !(utf8::IsAscii(a) && utf8::IsAscii(b)) && text::EqualsFolded(a, b);
}

}  // namespace tvx::store::detail
