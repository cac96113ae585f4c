#include "common/json_text.h"

#include <gtest/gtest.h>

namespace dv {
namespace {

TEST(JsonText, AnyBytesMakeAValidString) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"", R"("")"},
      {"plain name.txt", R"("plain name.txt")"},
      {"q\"b\\s/", R"("q\"b\\s/")"},
      {std::string("\b\f\n\r\t\x01\x1f\x7f", 8), R"("\b\f\n\r\t\u0001\u001f\u007f")"},
      {std::string("nul\0x", 5), R"("nul\u0000x")"},
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80\""},
      // Each byte that starts no valid character becomes U+FFFD; what follows it is read afresh.
      {"a\xff" "b", "\"a\xef\xbf\xbd" "b\""},
      {"\xc3", "\"\xef\xbf\xbd\""},                                    // cut short at the end
      {"\xe2\x82" "x", "\"\xef\xbf\xbd\xef\xbf\xbd" "x\""},            // cut short before an ASCII byte
      {"\xc0\xaf", "\"\xef\xbf\xbd\xef\xbf\xbd\""},                    // overlong "/"
      {"\xed\xa0\x80", "\"\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\""},    // a surrogate
      {"\x80" "\xc3\xa9", "\"\xef\xbf\xbd\xc3\xa9\""},                 // a stray continuation byte
  };
  for (const auto& c : cases) {
    std::string out = "[";
    AppendJsonString(out, c.in);
    EXPECT_EQ(out, "[" + c.out) << c.in;
  }
}

}  // namespace
}  // namespace dv
