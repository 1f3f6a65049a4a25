#include "base/json/json_reader.h"

#include <exception>

namespace base {

namespace {

// As deep as the base library lets JSON nest. Deeper text is refused before
// it is parsed: a value that deep would overflow the stack of every walk
// over it that recurses, the writer's among them.
constexpr int kMaxDepth = 200;

constexpr char kTooDeepMessage[] = "JSON nested too deeply";

// True when the brackets of |json| open more than kMaxDepth levels at once.
// Brackets inside strings do not count. Text that is not JSON may be judged
// either way: it is refused anyway.
bool NestsTooDeep(std::string_view json) {
  int depth = 0;
  bool in_string = false;
  for (size_t i = 0; i < json.size(); ++i) {
    const char c = json[i];
    if (in_string) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        in_string = false;
      continue;
    }
    switch (c) {
      case '"':
        in_string = true;
        break;
      case '[':
      case '{':
        if (++depth > kMaxDepth)
          return true;
        break;
      case ']':
      case '}':
        --depth;
        break;
    }
  }
  return false;
}

// Reads nothing but the first syntax error: the message of the parse
// exception that nlohmann would otherwise throw.
class ErrorRecorder : public nlohmann::json_sax<Value> {
 public:
  const std::string& message() const { return message_; }

  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool start_object(std::size_t) override { return true; }
  bool key(string_t&) override { return true; }
  bool end_object() override { return true; }
  bool start_array(std::size_t) override { return true; }
  bool end_array() override { return true; }
  bool parse_error(std::size_t,
                   const std::string&,
                   const nlohmann::detail::exception& error) override {
    message_ = error.what();
    return false;
  }

 private:
  std::string message_;
};

}  // namespace

// static
std::optional<Value> JSONReader::Read(std::string_view json) {
  if (NestsTooDeep(json))
    return std::nullopt;
  Value value = Value::parse(json, nullptr, /*allow_exceptions=*/false);
  if (value.is_discarded())
    return std::nullopt;
  return value;
}

// static
std::optional<Value> JSONReader::ReadAndReturnError(
    std::string_view json,
    std::string* error_message) {
  std::optional<Value> value = Read(json);
  if (error_message) {
    error_message->clear();
    if (!value && NestsTooDeep(json)) {
      *error_message = kTooDeepMessage;
    } else if (!value) {
      ErrorRecorder recorder;
      Value::sax_parse(json, &recorder);
      *error_message =
          recorder.message().empty() ? "Invalid JSON" : recorder.message();
    }
  }
  return value;
}

// static
bool JSONWriter::Write(const Value& value, std::string* json) {
  if (value.is_discarded())
    return false;
  // Invalid UTF-8 in a string would make dump() throw; it is replaced
  // instead so that writing never fails on text.
  *json = value.dump(-1, ' ', false, Value::error_handler_t::replace);
  return true;
}

// static
bool JSONWriter::WritePretty(const Value& value, std::string* json) {
  if (value.is_discarded())
    return false;
  *json = value.dump(3, ' ', false, Value::error_handler_t::replace);
  json->push_back('\n');
  return true;
}

}  // namespace base
