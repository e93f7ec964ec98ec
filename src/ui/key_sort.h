#pragma once
// Putting many texts in order at once, as the sorted lists do when a whole
// list is set: by sort keys whose byte order is the wanted order (one key a
// text, then nothing moves but numbers), or else by a comparison with each
// text made a string once. Both keep equal texts in their given order and
// give the order as indexes into the texts.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvx::ui {

// Appends to `keys` a sort key of the text whose byte order is the control's
// comparison order; false when there is none (the comparison is used then).
using SortKeyFunction = std::function<bool(std::string_view text, std::string& keys)>;
// The order of two texts: <0, 0, >0.
using CompareFunction = std::function<int(const std::string&, const std::string&)>;
// The text at an index, valid until the next call.
using TextAtFunction = std::function<std::string_view(std::size_t index)>;

// The order of n texts by their sort keys; nothing when a key is missing.
std::optional<std::vector<std::uint32_t>> OrderByKeys(std::size_t n, const SortKeyFunction& sortKey,
                                                      const TextAtFunction& textAt);

// The order of n texts by their keys when every text has one, else by the
// comparison.
std::vector<std::uint32_t> SortOrder(std::size_t n, const SortKeyFunction& sortKey, const CompareFunction& compare,
                                     const TextAtFunction& textAt);

// The items rearranged into the order.
template <typename T>
void Reorder(std::vector<T>& items, const std::vector<std::uint32_t>& order) {
  std::vector<T> ordered;
  ordered.reserve(items.size());
  for (std::uint32_t i : order) ordered.push_back(std::move(items[i]));
  items = std::move(ordered);
}

}  // namespace tvx::ui
