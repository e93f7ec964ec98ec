#pragma once
// The one place where the program's UTF-8 text meets the system's UTF-16:
// every wide call of the platform layer and the window backend converts here.
#include <string>
#include <string_view>

namespace tvx::win32 {

// UTF-8 to UTF-16. Invalid UTF-8 becomes U+FFFD, as the system converts it.
std::wstring Widen(std::string_view utf8);
// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD.
std::string Narrow(std::wstring_view utf16);
// Whether the text is valid UTF-8 (so that Widen loses nothing).
bool IsValidUtf8(std::string_view text);

}  // namespace tvx::win32
