#include "base/logging.h"

#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "base/command_line.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"

namespace logging {

namespace {

// The exit code of a process ended by FATAL or a failed CHECK. The process
// is terminated rather than aborted: the C run-time's abort() can open a
// message box in a GUI program, which would leave it hanging.
constexpr UINT kFatalExitCode = 3;

const char* const kSeverityNames[] = {"INFO", "WARNING", "ERROR", "FATAL"};

// Where messages go; guarded by DestinationLock().
struct Destinations {
  uint32_t flags = LOG_TO_SYSTEM_DEBUG_LOG | LOG_TO_STDERR;
  std::wstring file_name;
  HANDLE file = INVALID_HANDLE_VALUE;
  LogLockingState lock_state = LOCK_LOG_FILE;
  // Serialises writes of several processes to one log file.
  HANDLE file_mutex = nullptr;
};

std::mutex& DestinationLock() {
  static std::mutex lock;
  return lock;
}

Destinations& GetDestinations() {
  static Destinations destinations;
  return destinations;
}

std::atomic<LogSeverity> g_min_log_level{LOG_INFO};
std::atomic<LogMessageHandlerFunction> g_log_message_handler{nullptr};

struct VmodulePattern {
  std::string pattern;
  int level;
  bool match_whole_path;
};

// Verbosity settings. |g_has_vmodule| lets VlogIsOn skip the lock in the
// common case of no per-file patterns.
std::atomic<int> g_vlog_level{0};
std::atomic<bool> g_has_vmodule{false};

struct VmoduleState {
  std::mutex lock;
  std::vector<VmodulePattern> patterns;
  // Level per __FILE__ pointer; every VLOG of a file shares its pointer.
  std::unordered_map<const char*, int> cache;
};

VmoduleState& GetVmoduleState() {
  static VmoduleState state;
  return state;
}

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

std::string_view BaseName(std::string_view path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (IsSeparator(path[i - 1]))
      return path.substr(i);
  }
  return path;
}

// "dir/foo_bar-inl.h" gives "foo_bar".
std::string_view ModuleName(std::string_view file) {
  std::string_view module = BaseName(file);
  const size_t dot = module.rfind('.');
  if (dot != std::string_view::npos)
    module = module.substr(0, dot);
  constexpr std::string_view kInlSuffix = "-inl";
  if (module.size() > kInlSuffix.size() &&
      module.substr(module.size() - kInlSuffix.size()) == kInlSuffix) {
    module.remove_suffix(kInlSuffix.size());
  }
  return module;
}

bool CharsMatch(char text, char pattern) {
  return text == pattern || (IsSeparator(text) && IsSeparator(pattern));
}

// Glob match with '*' (any run) and '?' (one character), treating '/' and
// '\' as the same character.
bool MatchVlogPattern(std::string_view text, std::string_view pattern) {
  size_t t = 0;
  size_t p = 0;
  size_t star = std::string_view::npos;
  size_t star_text = 0;
  while (t < text.size()) {
    if (p < pattern.size() &&
        (pattern[p] == '?' || CharsMatch(text[t], pattern[p]))) {
      ++t;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_text = t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++star_text;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*')
    ++p;
  return p == pattern.size();
}

int ComputeVlogLevel(const std::vector<VmodulePattern>& patterns,
                     std::string_view file) {
  const std::string_view module = ModuleName(file);
  for (const VmodulePattern& pattern : patterns) {
    if (MatchVlogPattern(pattern.match_whole_path ? file : module,
                         pattern.pattern)) {
      return pattern.level;
    }
  }
  return g_vlog_level.load();
}

std::wstring DefaultLogFile() {
  wchar_t module_path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, module_path, MAX_PATH);
  std::wstring path(module_path, length < MAX_PATH ? length : 0);
  const size_t slash = path.find_last_of(L"\\/");
  path.erase(slash == std::wstring::npos ? 0 : slash + 1);
  return path + L"debug.log";
}

void CloseLogFileLocked(Destinations* destinations) {
  if (destinations->file != INVALID_HANDLE_VALUE) {
    ::CloseHandle(destinations->file);
    destinations->file = INVALID_HANDLE_VALUE;
  }
  if (destinations->file_mutex) {
    ::CloseHandle(destinations->file_mutex);
    destinations->file_mutex = nullptr;
  }
}

bool OpenLogFileLocked(Destinations* destinations) {
  if (destinations->file != INVALID_HANDLE_VALUE)
    return true;
  // Append-only access makes each write land at the end, even with other
  // writers of the same file.
  destinations->file =
      ::CreateFileW(destinations->file_name.c_str(), FILE_APPEND_DATA,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (destinations->file == INVALID_HANDLE_VALUE)
    return false;
  if (destinations->lock_state == LOCK_LOG_FILE && !destinations->file_mutex) {
    // '\' may not appear in an object name, and one file must map to one
    // name whatever the case it was spelled in.
    std::wstring name = base::ToLowerASCII(destinations->file_name);
    std::replace(name.begin(), name.end(), L'\\', L'/');
    name = L"Global\\" + name;
    if (name.size() >= MAX_PATH)
      name = L"Global\\" + name.substr(name.size() - (MAX_PATH - 8));
    destinations->file_mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
  }
  return true;
}

void WriteToLogFileLocked(Destinations* destinations, const std::string& text) {
  if (!OpenLogFileLocked(destinations))
    return;
  const bool locked =
      destinations->file_mutex &&
      ::WaitForSingleObject(destinations->file_mutex, INFINITE) != WAIT_FAILED;
  ::SetFilePointer(destinations->file, 0, nullptr, FILE_END);
  DWORD written = 0;
  ::WriteFile(destinations->file, text.data(), static_cast<DWORD>(text.size()),
              &written, nullptr);
  if (locked)
    ::ReleaseMutex(destinations->file_mutex);
}

void WriteToStderr(const std::string& text) {
  fwrite(text.data(), 1, text.size(), stderr);
  fflush(stderr);
}

// Keeps the caller's last error across logging, so that code like
// `LOG(ERROR) << ...; return GetLastError();` still sees its own error.
class ScopedLastErrorKeeper {
 public:
  ScopedLastErrorKeeper() : error_(::GetLastError()) {}
  ~ScopedLastErrorKeeper() { ::SetLastError(error_); }

 private:
  DWORD error_;
};

}  // namespace

bool InitLogging(const LoggingSettings& settings) {
  bool result = true;
  {
    std::lock_guard<std::mutex> hold(DestinationLock());
    Destinations& destinations = GetDestinations();
    CloseLogFileLocked(&destinations);
    destinations.flags = settings.logging_dest;
    destinations.lock_state = settings.lock_log;
    destinations.file_name.clear();
    if (settings.logging_dest & LOG_TO_FILE) {
      destinations.file_name =
          settings.log_file.empty() ? DefaultLogFile() : settings.log_file;
      if (settings.delete_old == DELETE_OLD_LOG_FILE)
        ::DeleteFileW(destinations.file_name.c_str());
      result = OpenLogFileLocked(&destinations);
    }
  }

  if (base::CommandLine::InitializedForCurrentProcess()) {
    const base::CommandLine* command_line =
        base::CommandLine::ForCurrentProcess();
    if (command_line->HasSwitch("v") || command_line->HasSwitch("vmodule")) {
      int v = 0;
      if (!base::StringToInt(command_line->GetSwitchValueASCII("v"), &v))
        v = 0;
      SetVerbosity(v, command_line->GetSwitchValueASCII("vmodule"));
    }
  }
  return result;
}

void SetMinLogLevel(LogSeverity level) {
  // FATAL is always on, so a failed CHECK ends the process whatever is set.
  g_min_log_level.store(std::min(LOG_FATAL, level));
}

LogSeverity GetMinLogLevel() {
  return g_min_log_level.load();
}

void SetVerbosity(int v, const std::string& vmodule) {
  std::vector<VmodulePattern> patterns;
  for (const std::string& item : base::SplitString(vmodule, ',')) {
    const size_t equals = item.find('=');
    if (equals == std::string::npos || equals == 0)
      continue;
    VmodulePattern pattern;
    pattern.pattern = item.substr(0, equals);
    // An unreadable level keeps whatever prefix could be read (usually 0).
    base::StringToInt(std::string_view(item).substr(equals + 1),
                      &pattern.level);
    pattern.match_whole_path =
        pattern.pattern.find_first_of("/\\") != std::string::npos;
    patterns.push_back(std::move(pattern));
  }

  VmoduleState& state = GetVmoduleState();
  std::lock_guard<std::mutex> hold(state.lock);
  g_vlog_level.store(v);
  state.patterns = std::move(patterns);
  state.cache.clear();
  g_has_vmodule.store(!state.patterns.empty());
}

int GetVlogLevel(std::string_view file) {
  if (!g_has_vmodule.load())
    return g_vlog_level.load();
  VmoduleState& state = GetVmoduleState();
  std::lock_guard<std::mutex> hold(state.lock);
  return ComputeVlogLevel(state.patterns, file);
}

bool VlogIsOn(int level, const char* file) {
  if (!g_has_vmodule.load())
    return level <= g_vlog_level.load();
  VmoduleState& state = GetVmoduleState();
  std::lock_guard<std::mutex> hold(state.lock);
  auto it = state.cache.find(file);
  if (it == state.cache.end())
    it =
        state.cache.emplace(file, ComputeVlogLevel(state.patterns, file)).first;
  return level <= it->second;
}

void SetLogMessageHandler(LogMessageHandlerFunction handler) {
  g_log_message_handler.store(handler);
}

LogMessageHandlerFunction GetLogMessageHandler() {
  return g_log_message_handler.load();
}

std::string SystemErrorCodeToString(uint32_t error_code) {
  char buffer[256];
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      error_code, 0, buffer, sizeof(buffer), nullptr);
  if (length == 0) {
    return base::StringPrintf("Error (0x%lX) while retrieving error. (0x%lX)",
                              ::GetLastError(),
                              static_cast<unsigned long>(error_code));
  }
  // System messages end with a line break.
  return base::TrimWhitespaceASCII(std::string_view(buffer, length)) +
         base::StringPrintf(" (0x%lX)", static_cast<unsigned long>(error_code));
}

uint32_t GetLastSystemErrorCode() {
  return ::GetLastError();
}

LogMessage::LogMessage(const char* file, int line, LogSeverity severity)
    : file_(file), line_(line), severity_(severity) {
  ScopedLastErrorKeeper keep_last_error;
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  stream_ << '[' << ::GetCurrentProcessId() << ':' << ::GetCurrentThreadId()
          << ':'
          << base::StringPrintf("%02u%02u/%02u%02u%02u.%03u", now.wMonth,
                                now.wDay, now.wHour, now.wMinute, now.wSecond,
                                now.wMilliseconds)
          << ':';
  if (severity_ >= 0 && severity_ <= LOG_FATAL)
    stream_ << kSeverityNames[severity_];
  else if (severity_ < 0)
    stream_ << "VERBOSE" << -severity_;
  else
    stream_ << "FATAL";
  stream_ << ':' << BaseName(file_) << '(' << line_ << ")] ";
  message_start_ = stream_.size();
}

LogMessage::LogMessage(const char* file, int line, const char* condition)
    : LogMessage(file, line, LOG_FATAL) {
  stream_ << "Check failed: " << condition << ". ";
}

LogMessage::~LogMessage() {
  ScopedLastErrorKeeper keep_last_error;
  stream_ << '\n';
  const std::string text = stream_.str();
  const bool fatal = severity_ >= LOG_FATAL;

  const LogMessageHandlerFunction handler = g_log_message_handler.load();
  const bool swallowed =
      handler && handler(severity_, file_, line_, message_start_, text);

  if (!swallowed) {
    std::lock_guard<std::mutex> hold(DestinationLock());
    Destinations& destinations = GetDestinations();
    if (destinations.flags & LOG_TO_SYSTEM_DEBUG_LOG)
      ::OutputDebugStringA(text.c_str());
    if (destinations.flags & LOG_TO_FILE)
      WriteToLogFileLocked(&destinations, text);
    // A fatal message always reaches stderr: it is what a death test reads.
    if ((destinations.flags & LOG_TO_STDERR) || fatal)
      WriteToStderr(text);
  }

  if (fatal) {
    {
      std::lock_guard<std::mutex> hold(DestinationLock());
      Destinations& destinations = GetDestinations();
      if (destinations.file != INVALID_HANDLE_VALUE)
        ::FlushFileBuffers(destinations.file);
    }
    fflush(nullptr);
    ::TerminateProcess(::GetCurrentProcess(), kFatalExitCode);
  }
}

Win32ErrorLogMessage::Win32ErrorLogMessage(const char* file,
                                           int line,
                                           LogSeverity severity)
    : error_(GetLastSystemErrorCode()), message_(file, line, severity) {}

Win32ErrorLogMessage::~Win32ErrorLogMessage() {
  stream() << ": " << SystemErrorCodeToString(error_);
}

}  // namespace logging
