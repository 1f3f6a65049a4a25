#ifndef BASE_TEST_TEST_LOG_CAPTURE_H_
#define BASE_TEST_TEST_LOG_CAPTURE_H_

#include <mutex>
#include <string>
#include <vector>

#include "base/logging.h"

namespace base {

// Collects the text of every message logged while it exists, verbose ones up
// to |verbosity| included (1 unless the test asks for another), and keeps
// them from reaching the debugger output. Messages logged on other threads
// are collected too; read messages() once those threads are done.
class TestLogCapture {
 public:
  struct Message {
    logging::LogSeverity severity;
    std::string text;
  };

  explicit TestLogCapture(int verbosity = 1) {
    Messages().clear();
    logging::SetVerbosity(verbosity, "");
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
  void Clear() {
    std::lock_guard<std::mutex> hold(Lock());
    Messages().clear();
  }

  bool Contains(logging::LogSeverity severity, const std::string& text) const {
    std::lock_guard<std::mutex> hold(Lock());
    for (const Message& message : Messages()) {
      if (message.severity == severity && message.text == text)
        return true;
    }
    return false;
  }

  bool ContainsPrefix(logging::LogSeverity severity,
                      const std::string& prefix) const {
    std::lock_guard<std::mutex> hold(Lock());
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
  static std::mutex& Lock() {
    static std::mutex lock;
    return lock;
  }

  static bool Handle(logging::LogSeverity severity,
                     const char* file,
                     int line,
                     size_t message_start,
                     const std::string& str) {
    std::string text = str.substr(message_start);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
      text.pop_back();
    std::lock_guard<std::mutex> hold(Lock());
    Messages().push_back({severity, std::move(text)});
    return true;
  }
};

}  // namespace base

#endif  // BASE_TEST_TEST_LOG_CAPTURE_H_
