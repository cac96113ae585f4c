#include "platform/name_order.h"

#include <algorithm>
#include <cstdint>

namespace dv {

namespace {

inline unsigned char Folded(char c) {
  auto u = static_cast<unsigned char>(c);
  return u >= 'a' && u <= 'z' ? static_cast<unsigned char>(u - 32) : u;
}

// Eight letters of a name from `from` on, as NameBefore compares them, in one number: names whose numbers differ
// (and whose letters before `from` are alike) are in the numbers' order (a name ends in 0 bytes, which sort
// before any letter, as a shorter name does), so most comparisons of a sort are integer comparisons.
uint64_t Letters(const std::string& name, size_t from) {
  uint64_t key = 0;
  const size_t n = name.size() > from ? std::min<size_t>(name.size() - from, 8) : 0;
  for (size_t i = 0; i < n; ++i) key |= uint64_t{Folded(name[from + i])} << (56 - 8 * i);
  return key;
}

}  // namespace

bool NameBefore(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = Folded(a[i]), y = Folded(b[i]);
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;  // same letters in other cases: the raw bytes decide ("A" before "a")
}

void SortByName(std::vector<DirEntry>& entries) {
  if (entries.size() < 2) return;
  // Sorted as small keys, then the entries moved once into place.
  // Names in one folder often share their first eight letters (lib..., org.gnome...): sixteen are kept.
  struct Key {
    uint64_t first, second;
    uint32_t index;
  };
  std::vector<Key> keys(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string& name = entries[i].name;
    keys[i] = {Letters(name, 0), Letters(name, 8), static_cast<uint32_t>(i)};
  }
  std::sort(keys.begin(), keys.end(), [&](const Key& x, const Key& y) {
    if (x.first != y.first) return x.first < y.first;
    if (x.second != y.second) return x.second < y.second;
    return NameBefore(entries[x.index].name, entries[y.index].name);
  });
  std::vector<DirEntry> sorted;
  sorted.reserve(entries.size());
  for (const Key& k : keys) sorted.push_back(std::move(entries[k.index]));
  entries.swap(sorted);
}

}  // namespace dv
