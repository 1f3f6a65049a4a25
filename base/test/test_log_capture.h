#ifndef BASE_TEST_TEST_LOG_CAPTURE_H_
#define BASE_TEST_TEST_LOG_CAPTURE_H_

#include <string>
#include <vector>

#include "base/logging.h"

namespace base {

// Collects the text of every message logged while it exists, verbose ones at
// level 1 included, and keeps them from reaching the debugger output.
class TestLogCapture {
 public:
  struct Message {
    logging::LogSeverity severity;
    std::string text;
  };

  TestLogCapture() {
    Messages().clear();
    logging::SetVerbosity(1, "");
    logging::SetLogMessageHandler(&Handle);
  }
  TestLogCapture(const TestLogCapture&) = delete;
  TestLogCapture& operator=(const TestLogCapture&) = delete;
  ~TestLogCapture() {
    logging::SetLogMessageHandler(nullptr);
    logging::SetVerbosity(0, "");
    Messages().clear();
  }

  const std::vector<Message>& messages() const { return Messages(); }
  void Clear() { Messages().clear(); }

  bool Contains(logging::LogSeverity severity, const std::string& text) const {
    for (const Message& message : Messages()) {
      if (message.severity == severity && message.text == text)
        return true;
    }
    return false;
  }

  bool ContainsPrefix(logging::LogSeverity severity,
                      const std::string& prefix) const {
    for (const Message& message : Messages()) {
      if (message.severity == severity &&
          message.text.compare(0, prefix.size(), prefix) == 0) {
        return true;
      }
    }
    return false;
  }

 private:
  static std::vector<Message>& Messages() {
    static std::vector<Message> messages;
    return messages;
  }

  static bool Handle(logging::LogSeverity severity,
                     const char* file,
                     int line,
                     size_t message_start,
                     const std::string& str) {
    std::string text = str.substr(message_start);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
      text.pop_back();
    Messages().push_back({severity, text});
    return true;
  }
};

}  // namespace base

#endif  // BASE_TEST_TEST_LOG_CAPTURE_H_
