#include "base/values.h"

#include "base/json/json_reader.h"
#include "gtest/gtest.h"

namespace base {
namespace {

TEST(ValuesTest, SetPathCreatesAndReplacesDictionaries) {
  Value root;  // null: becomes a dictionary.
  SetPath(root, "notification_scheduler.scheduled_check_time", 1.5);
  SetPath(root, "notifications.ads.shown", 3);
  SetPath(root, "notifications.ads.name", "ads");
  SetPath(root, "flag", true);
  EXPECT_EQ(JSONReader::Read(R"({
      "flag": true,
      "notification_scheduler": {"scheduled_check_time": 1.5},
      "notifications": {"ads": {"shown": 3, "name": "ads"}}})"),
            root);

  // A value in the way of a deeper path is replaced by a dictionary.
  SetPath(root, "flag.inner", 1);
  EXPECT_EQ(Value({{"inner", 1}}), root["flag"]);
  SetPath(root, "notifications.ads", "replaced");
  EXPECT_EQ(Value("replaced"), root["notifications"]["ads"]);

  Value list = Value::array({1, 2});
  SetPath(list, "a", 1);
  EXPECT_EQ(Value({{"a", 1}}), list);
}

TEST(ValuesTest, FindPathAndRemovePath) {
  Value root = *JSONReader::Read(
      R"({"a": {"b": {"c": 1}, "list": [1]}, "s": "x", "dotted.key": 2})");
  ASSERT_NE(nullptr, FindPath(root, "a.b.c"));
  EXPECT_EQ(Value(1), *FindPath(root, "a.b.c"));
  EXPECT_EQ(nullptr, FindPath(root, "a.b.missing"));
  EXPECT_EQ(nullptr, FindPath(root, "a.missing.c"));
  // Stepping into something that is not a dictionary finds nothing.
  EXPECT_EQ(nullptr, FindPath(root, "s.x"));
  EXPECT_EQ(nullptr, FindPath(root, "a.list.0"));
  // A dot always splits the path.
  EXPECT_EQ(nullptr, FindPath(root, "dotted.key"));
  EXPECT_EQ(nullptr, FindPath(root, ""));
  EXPECT_EQ(nullptr, FindPath(root, "a."));

  Value* mutable_b = FindPath(root, "a.b");
  ASSERT_NE(nullptr, mutable_b);
  (*mutable_b)["d"] = 2;
  EXPECT_EQ(Value(2), *FindPath(root, "a.b.d"));

  EXPECT_TRUE(RemovePath(root, "a.b.c"));
  EXPECT_EQ(nullptr, FindPath(root, "a.b.c"));
  EXPECT_NE(nullptr, FindPath(root, "a.b.d"));
  EXPECT_FALSE(RemovePath(root, "a.b.c"));
  EXPECT_FALSE(RemovePath(root, "missing.c"));
  EXPECT_FALSE(RemovePath(root, "s.x"));
  EXPECT_TRUE(RemovePath(root, "s"));
  EXPECT_FALSE(root.contains("s"));
  Value scalar = 5;
  EXPECT_FALSE(RemovePath(scalar, "a"));
}

TEST(ValuesTest, TypedReads) {
  const Value root = *JSONReader::Read(
      R"({"i": 7, "neg": -3, "d": 2.5, "whole_double": 3.0, "b": false,
          "s": "text", "big": 4294967296, "huge": 18446744073709551615,
          "dict": {"k": 1}})");
  int i = 0;
  double d = 0;
  bool b = true;
  std::string s;

  EXPECT_TRUE(GetIntegerAt(root, "i", &i));
  EXPECT_EQ(7, i);
  EXPECT_TRUE(GetIntegerAt(root, "neg", &i));
  EXPECT_EQ(-3, i);
  // An integer reads as a double, a double never as an integer.
  EXPECT_TRUE(GetDoubleAt(root, "i", &d));
  EXPECT_EQ(7.0, d);
  EXPECT_TRUE(GetDoubleAt(root, "d", &d));
  EXPECT_EQ(2.5, d);
  i = 99;
  EXPECT_FALSE(GetIntegerAt(root, "d", &i));
  EXPECT_FALSE(GetIntegerAt(root, "whole_double", &i));
  EXPECT_EQ(99, i);
  // Whole numbers beyond int are not integers.
  EXPECT_FALSE(GetIntegerAt(root, "big", &i));
  EXPECT_FALSE(GetIntegerAt(root, "huge", &i));
  EXPECT_EQ(99, i);

  EXPECT_TRUE(GetBooleanAt(root, "b", &b));
  EXPECT_FALSE(b);
  EXPECT_TRUE(GetStringAt(root, "s", &s));
  EXPECT_EQ("text", s);

  // Missing or mistyped values leave the output alone.
  s = "kept";
  EXPECT_FALSE(GetStringAt(root, "i", &s));
  EXPECT_FALSE(GetStringAt(root, "missing", &s));
  EXPECT_FALSE(GetBooleanAt(root, "s", &b));
  EXPECT_FALSE(GetDoubleAt(root, "s", &d));
  EXPECT_EQ("kept", s);
  EXPECT_EQ(2.5, d);

  EXPECT_NE(nullptr, GetDictionaryAt(root, "dict"));
  EXPECT_EQ(nullptr, GetDictionaryAt(root, "s"));
  EXPECT_EQ(nullptr, GetDictionaryAt(root, "missing"));
  EXPECT_TRUE(GetIntegerAt(root, "dict.k", &i));
  EXPECT_EQ(1, i);
}

TEST(JSONReaderTest, ReadsValuesAndReportsErrors) {
  EXPECT_EQ(Value(3), JSONReader::Read("3"));
  EXPECT_EQ(Value("\u017C"), JSONReader::Read("\"\\u017c\""));
  EXPECT_FALSE(JSONReader::Read(""));
  EXPECT_FALSE(JSONReader::Read("{\"a\": 1,}"));
  EXPECT_FALSE(JSONReader::Read("{\"a\": 1} trailing"));
  EXPECT_FALSE(JSONReader::Read("{'a': 1}"));

  std::string error = "stale";
  EXPECT_TRUE(JSONReader::ReadAndReturnError("[1]", &error));
  EXPECT_EQ("", error);
  EXPECT_FALSE(JSONReader::ReadAndReturnError("[1,", &error));
  EXPECT_NE(std::string::npos, error.find("parse error")) << error;
  EXPECT_FALSE(JSONReader::ReadAndReturnError("nul", nullptr));
}

TEST(JSONReaderTest, RefusesNestingDeeperThanTwoHundred) {
  auto nested = [](int depth, char open, char close) {
    return std::string(depth, open) + std::string(depth, close);
  };
  EXPECT_TRUE(JSONReader::Read(nested(200, '[', ']')));
  EXPECT_FALSE(JSONReader::Read(nested(201, '[', ']')));
  // Objects and arrays count alike.
  std::string mixed;
  for (int i = 0; i < 100; ++i)
    mixed += "{\"a\":[";
  mixed += "1";
  for (int i = 0; i < 100; ++i)
    mixed += "]}";
  EXPECT_TRUE(JSONReader::Read(mixed));
  EXPECT_FALSE(JSONReader::Read("[" + mixed + "]"));

  // Brackets inside strings, escaped quotes among them, are text.
  const std::string in_string = "[\"\\\"" + std::string(300, '[') + "\"]";
  EXPECT_EQ(Value::array({"\"" + std::string(300, '[')}),
            JSONReader::Read(in_string));

  // A damaged file of brackets alone is refused quickly, with a message.
  std::string error;
  EXPECT_FALSE(JSONReader::ReadAndReturnError(nested(20000, '[', ']'), &error));
  EXPECT_EQ("JSON nested too deeply", error);
  EXPECT_FALSE(JSONReader::Read(std::string(20000, '{')));
}

TEST(JSONWriterTest, CompactAndPretty) {
  const Value value = {{"b", {1, 2.5, "x"}}, {"a", {{"n", nullptr}}}};
  std::string json;
  ASSERT_TRUE(JSONWriter::Write(value, &json));
  EXPECT_EQ(R"({"a":{"n":null},"b":[1,2.5,"x"]})", json);
  ASSERT_TRUE(JSONWriter::WritePretty(value, &json));
  EXPECT_EQ(value, JSONReader::Read(json));
  EXPECT_NE(std::string::npos, json.find("\n   \"a\": {")) << json;

  // UTF-8 stays as it is; broken UTF-8 does not stop the writer.
  ASSERT_TRUE(JSONWriter::Write(Value("\xC5\xBC"), &json));
  EXPECT_EQ("\"\xC5\xBC\"", json);
  ASSERT_TRUE(JSONWriter::Write(Value("a\xFF"), &json));
  EXPECT_EQ("\"a\xEF\xBF\xBD\"", json);

  // A double that is a whole number reads back as a double.
  ASSERT_TRUE(JSONWriter::Write(Value{{"t", 1700000000.0}}, &json));
  double d = 0;
  int i = 0;
  const Value reread = *JSONReader::Read(json);
  EXPECT_TRUE(GetDoubleAt(reread, "t", &d));
  EXPECT_EQ(1700000000.0, d);
  EXPECT_FALSE(GetIntegerAt(reread, "t", &i));
}

}  // namespace
}  // namespace base
