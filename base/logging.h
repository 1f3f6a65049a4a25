#ifndef BASE_LOGGING_H_
#define BASE_LOGGING_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "base/log_stream.h"

// LOG(INFO) << ...; VLOG(1) << ...; PLOG(ERROR) appends the text of the
// thread's last system error. VLOG levels come from the switches "v" and
// "vmodule" ("name=N,other*=M": a pattern matches the source file's base name
// without extension, or its whole path when the pattern holds a separator).
// CHECK(condition) stops the process in every build; DCHECK only in debug.

namespace logging {

using LogSeverity = int;
constexpr LogSeverity LOG_VERBOSE = -1;
constexpr LogSeverity LOG_INFO = 0;
constexpr LogSeverity LOG_WARNING = 1;
constexpr LogSeverity LOG_ERROR = 2;
constexpr LogSeverity LOG_FATAL = 3;
// <windows.h> defines ERROR as 0, which turns LOG(ERROR) into LOG_0.
constexpr LogSeverity LOG_0 = LOG_ERROR;

enum LoggingDestination : uint32_t {
  LOG_NONE = 0,
  LOG_TO_FILE = 1 << 0,
  LOG_TO_SYSTEM_DEBUG_LOG = 1 << 1,
  LOG_TO_STDERR = 1 << 2,
  LOG_TO_ALL = LOG_TO_FILE | LOG_TO_SYSTEM_DEBUG_LOG | LOG_TO_STDERR,
};

enum LogLockingState { LOCK_LOG_FILE, DONT_LOCK_LOG_FILE };
enum OldFileDeletionState { DELETE_OLD_LOG_FILE, APPEND_TO_OLD_LOG_FILE };

struct LoggingSettings {
  uint32_t logging_dest = LOG_TO_SYSTEM_DEBUG_LOG;
  std::wstring log_file;
  LogLockingState lock_log = LOCK_LOG_FILE;
  OldFileDeletionState delete_old = APPEND_TO_OLD_LOG_FILE;
};

// Sets destinations and reads "v" and "vmodule" from the process command
// line when one exists.
bool InitLogging(const LoggingSettings& settings);

// Verbosity, normally taken from the command line by InitLogging.
void SetMinLogLevel(LogSeverity level);
LogSeverity GetMinLogLevel();
void SetVerbosity(int v, const std::string& vmodule);
int GetVlogLevel(std::string_view file);
bool VlogIsOn(int level, const char* file);

// A handler sees every message first; returning true swallows it. Tests use
// it to read what was logged.
using LogMessageHandlerFunction = bool (*)(LogSeverity severity,
                                           const char* file,
                                           int line,
                                           size_t message_start,
                                           const std::string& str);
void SetLogMessageHandler(LogMessageHandlerFunction handler);
LogMessageHandlerFunction GetLogMessageHandler();

// The system's text for an error code, without a trailing line break,
// followed by the code in hex: "Access is denied. (0x5)".
std::string SystemErrorCodeToString(uint32_t error_code);

class LogMessage {
 public:
  LogMessage(const char* file, int line, LogSeverity severity);
  LogMessage(const char* file, int line, const char* condition);
  LogMessage(const LogMessage&) = delete;
  LogMessage& operator=(const LogMessage&) = delete;
  ~LogMessage();

  LogStream& stream() { return stream_; }

 private:
  const char* file_;
  int line_;
  LogSeverity severity_;
  size_t message_start_;
  LogStream stream_;
};

// Appends ": " and the text of the error code captured at construction.
class Win32ErrorLogMessage {
 public:
  Win32ErrorLogMessage(const char* file, int line, LogSeverity severity);
  ~Win32ErrorLogMessage();
  LogStream& stream() { return message_.stream(); }

 private:
  uint32_t error_;
  LogMessage message_;
};

uint32_t GetLastSystemErrorCode();

// Turns a stream expression into void so it fits the ternary below.
class LogMessageVoidify {
 public:
  void operator&(LogStream&) {}
};

}  // namespace logging

#define LOG_STREAM_INFO \
  ::logging::LogMessage(__FILE__, __LINE__, ::logging::LOG_INFO).stream()
#define LOG_STREAM_WARNING \
  ::logging::LogMessage(__FILE__, __LINE__, ::logging::LOG_WARNING).stream()
#define LOG_STREAM_ERROR \
  ::logging::LogMessage(__FILE__, __LINE__, ::logging::LOG_ERROR).stream()
#define LOG_STREAM_FATAL \
  ::logging::LogMessage(__FILE__, __LINE__, ::logging::LOG_FATAL).stream()

#define LOG_IS_ON(severity) \
  (::logging::LOG_##severity >= ::logging::GetMinLogLevel())

#define LAZY_STREAM(stream, condition) \
  !(condition) ? (void)0 : ::logging::LogMessageVoidify() & (stream)

#define LOG(severity) LAZY_STREAM(LOG_STREAM_##severity, LOG_IS_ON(severity))
#define LOG_IF(severity, condition) \
  LAZY_STREAM(LOG_STREAM_##severity, LOG_IS_ON(severity) && (condition))

#define VLOG_IS_ON(verbose_level) ::logging::VlogIsOn((verbose_level), __FILE__)
#define VLOG(verbose_level)                                                 \
  LAZY_STREAM(                                                              \
      ::logging::LogMessage(__FILE__, __LINE__, -(verbose_level)).stream(), \
      VLOG_IS_ON(verbose_level))

#define PLOG(severity)                                                   \
  LAZY_STREAM(::logging::Win32ErrorLogMessage(__FILE__, __LINE__,        \
                                              ::logging::LOG_##severity) \
                  .stream(),                                             \
              LOG_IS_ON(severity))

#define CHECK(condition)                                                      \
  LAZY_STREAM(::logging::LogMessage(__FILE__, __LINE__, #condition).stream(), \
              !(condition))

#ifdef NDEBUG
#define DCHECK_IS_ON() 0
#define DCHECK(condition) LAZY_STREAM(LOG_STREAM_FATAL, false && (condition))
#define DLOG(severity) LAZY_STREAM(LOG_STREAM_##severity, false)
#else
#define DCHECK_IS_ON() 1
#define DCHECK(condition) CHECK(condition)
#define DLOG(severity) LOG(severity)
#endif

#define NOTREACHED() DCHECK(false)

#endif  // BASE_LOGGING_H_
