// The thirteen values as the journal keeps them: one JSON object a row, read back exactly as
// it was written, by every build (the Windows ones too).
#include <gtest/gtest.h>

#include <string>

#include "main/journal/values.h"

namespace {

using journal::Values;
using journal::values_from_json;
using journal::values_json;

Values thirteen(const std::string& id) {
  Values v(journal::kValueCount);
  v[0] = id;
  return v;
}

// With each key's value: "{"ID":"x","IP":"",...}".
std::string object_with(const std::string& id_json) {
  std::string out = "{\"ID\":" + id_json;
  for (size_t i = 1; i < journal::kValueCount; ++i) out += ",\"" + std::string(journal::value_key(i)) + "\":\"\"";
  return out + "}";
}

// A row as journals already hold it: quotes, backslashes, line breaks, control characters
// (with capital hex digits), DEL and Chinese text. It reads as the values it was written
// from, and those values are written to the same bytes again.
TEST(JournalValues, AStoredRowReadsAndWritesBackByteForByte) {
  const std::string stored =
      R"j({"ID":"DTU-7","IP":"10.0.0.7","PT":"9000","DN":"a\"b\\c/d","AP":"cmnet","TM":"TCP","UB":"9600",)j"
      R"j("HT":"\t120\r\n","OT":"\u0001\u0008\u000C\u001B\u001F\u007F","RV1":"中文","RV2":"","SS1":"+86 139",)j"
      R"j("SS2":"-----"})j";
  const Values values = {"DTU-7", "10.0.0.7", "9000", "a\"b\\c/d", "cmnet", "TCP", "9600", "\t120\r\n",
                         std::string("\x01\x08\x0C\x1B\x1F\x7F", 6), "中文", "", "+86 139", "-----"};
  EXPECT_EQ(values_from_json(stored), values);
  EXPECT_EQ(values_json(values), stored);
  EXPECT_EQ(values_json({}), "");
  EXPECT_EQ(values_from_json(""), Values{});
  // Blanks between the parts and the keys in another order, as a person or a database tool
  // may leave them.
  EXPECT_EQ(values_from_json(" {\n  \"SS2\" : \"-----\", " + stored.substr(1, stored.rfind(",\"SS2\"") - 1) + "}\n"),
            values);
}

// Valid JSON that the journal once refused (its value then read as nothing at all): a
// character other than a control character written as \u escapes, as other JSON writers
// and database tools write it.
TEST(JournalValues, EscapedCharactersOfAnyKindAreRead) {
  EXPECT_EQ(values_from_json(object_with(R"("\u4e2d\u6587 DTU")")), thirteen("中文 DTU"));
  EXPECT_EQ(values_from_json(object_with(R"("\ud83d\ude00")")), thirteen("\xF0\x9F\x98\x80"));
  EXPECT_EQ(values_from_json(object_with(R"("\u00e9")")), thirteen("é"));
}

// What is not the object the journal writes reads as no values, never as a guess: keys
// missing, repeated or in another letter case, other kinds of values, text around the
// object, and text that is not JSON (which the journal once took: parts without the comma
// between them, a \u escape with a letter that is no hex digit).
TEST(JournalValues, AnythingElseIsRefusedWhole) {
  const std::string good = object_with("\"x\"");
  ASSERT_EQ(values_from_json(good), thirteen("x"));
  std::string no_comma = good;
  no_comma.erase(no_comma.find(",\"IP\""), 1);
  std::string twice = good;
  twice.insert(1, "\"ID\":\"y\",");
  std::string dropped = good;
  dropped.erase(dropped.find(",\"SS2\""), 9);
  for (const std::string& bad :
       {no_comma, twice, dropped, object_with(R"("\u000g")"), object_with(R"("\x41")"), object_with("7"),
        object_with("null"), object_with("[\"x\"]"), object_with("{\"ID\":\"x\"}"), "{\"id\"" + good.substr(5),
        good + "x", good + "{}", "[" + good + "]", good.substr(0, good.size() - 1), std::string("{}"),
        std::string("\"x\""), std::string(" "), std::string("{\"ID\":\"x\",}")})
    EXPECT_EQ(values_from_json(bad), std::nullopt) << bad;
}

}  // namespace
