#include "platform/name_order.h"

#include <algorithm>

namespace dv {

namespace {

inline unsigned char Folded(char c) {
  auto u = static_cast<unsigned char>(c);
  return u >= 'a' && u <= 'z' ? static_cast<unsigned char>(u - 32) : u;
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
  std::sort(entries.begin(), entries.end(),
            [](const DirEntry& x, const DirEntry& y) { return NameBefore(x.name, y.name); });
}

}  // namespace dv
