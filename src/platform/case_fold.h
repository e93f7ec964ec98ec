#pragma once
// Letter case without regard to script, as file names compare in Explorer:
// Unicode's simple case folding from a table, no call into the system.
//
// None fails or raises: bytes that are not UTF-8 compare as themselves.
#include <string>
#include <string_view>

namespace tvx::text {

// The code point's simple case fold (mostly its small letter).
char32_t FoldCase(char32_t c);
// Whether every code point of [first, last] folds to itself (false may also
// mean that only some of them fold to others).
bool FoldsToItself(char32_t first, char32_t last);
// The UTF-8 text with every letter folded; bytes that are not valid UTF-8
// stay as they are.
std::string Folded(std::string_view s);
// Equal once every letter is folded: "Ñ" and "ñ", "ПРОЕКТ" and "проект".
bool EqualsFolded(std::string_view a, std::string_view b);
// Order of the folded code points: <0, 0, >0.
int CompareFolded(std::string_view a, std::string_view b);

}  // namespace tvx::text
