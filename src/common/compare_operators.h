#pragma once
// The comparison operators of the size and date filters, as every front end writes and reads them. Their
// positions are the codes the scans take (CompareOp).
#include <string>

namespace dv {

inline constexpr const char* kCompareOperators[] = {">", "<", "=", ">=", "<="};
inline constexpr long kCompareOperatorCount = sizeof kCompareOperators / sizeof kCompareOperators[0];

// The code of `text`: its position in kCompareOperators, or -1.
inline long CompareOperatorCode(const std::string& text) {
  for (long i = 0; i < kCompareOperatorCount; ++i)
    if (text == kCompareOperators[i]) return i;
  return -1;
}

}  // namespace dv
