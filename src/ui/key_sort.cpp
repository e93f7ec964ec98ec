#include "ui/key_sort.h"

#include <algorithm>
#include <new>

namespace tvx::ui {

namespace {

// Sorting by keys held in one block. Each item carries eight bytes of its key,
// from `depth` on, as a number: a range sorts on those numbers alone, then
// each run of equal numbers sorts on its next eight bytes, and so on down.
// Keys that end within a run's bytes are prefixes of the others there: they
// come first, shorter first. Equal keys keep the order they came in.
struct KeyItem {
  uint64_t head;
  size_t offset;
  uint32_t size, index;
};

uint64_t KeyHead(const std::string& keys, const KeyItem& item, size_t depth) {
  uint64_t head = 0;
  for (size_t b = depth; b < depth + 8; ++b)
    head = (head << 8) | (b < item.size ? static_cast<unsigned char>(keys[item.offset + b]) : 0u);
  return head;
}

void SortKeyItems(const std::string& keys, KeyItem* first, KeyItem* last, size_t depth) {
  for (KeyItem* i = first; i != last; ++i) i->head = KeyHead(keys, *i, depth);
  std::sort(first, last, [](const KeyItem& a, const KeyItem& b) {
    return a.head < b.head || (a.head == b.head && a.index < b.index);
  });
  const size_t next = depth + 8;
  for (KeyItem* run = first; run != last;) {
    KeyItem* end = run + 1;
    while (end != last && end->head == run->head) ++end;
    if (end - run > 1) {
      KeyItem* going = std::stable_partition(run, end, [next](const KeyItem& k) { return k.size <= next; });
      std::stable_sort(run, going, [](const KeyItem& a, const KeyItem& b) { return a.size < b.size; });
      if (end - going > 1) SortKeyItems(keys, going, end, next);
    }
    run = end;
  }
}

}  // namespace

std::optional<std::vector<uint32_t>> OrderByKeys(size_t n, const SortKeyFunction& sortKey,
                                                 const TextAtFunction& textAt) {
  if (!sortKey) return std::nullopt;
  if (n > UINT32_MAX) throw std::bad_alloc();
  std::string keys;
  keys.reserve(n * 24);
  std::vector<KeyItem> items(n);
  for (size_t i = 0; i < n; ++i) {
    const size_t offset = keys.size();
    if (!sortKey(textAt(i), keys)) return std::nullopt;
    const size_t size = keys.size() - offset;
    if (size > UINT32_MAX) throw std::bad_alloc();
    items[i] = KeyItem{0, offset, static_cast<uint32_t>(size), static_cast<uint32_t>(i)};
  }
  SortKeyItems(keys, items.data(), items.data() + n, 0);
  std::vector<uint32_t> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = items[i].index;
  return order;
}

std::vector<uint32_t> SortOrder(size_t n, const SortKeyFunction& sortKey, const CompareFunction& compare,
                                const TextAtFunction& textAt) {
  if (auto order = OrderByKeys(n, sortKey, textAt)) return std::move(*order);
  if (n > UINT32_MAX) throw std::bad_alloc();
  // Each text becomes a string once, not at every comparison.
  std::vector<std::string> texts;
  texts.reserve(n);
  for (size_t i = 0; i < n; ++i) texts.emplace_back(textAt(i));
  std::vector<uint32_t> order(n);
  for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return compare(texts[a], texts[b]) < 0; });
  return order;
}

}  // namespace tvx::ui
