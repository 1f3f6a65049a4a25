#include "base/logging.h"

#include <windows.h>

#include <regex>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "gtest/gtest.h"

namespace logging {
namespace {

struct Captured {
  LogSeverity severity;
  std::string file;
  int line;
  std::string text;
  std::string message;
};

std::vector<Captured>* g_captured = nullptr;
bool g_swallow = true;

bool CaptureHandler(LogSeverity severity,
                    const char* file,
                    int line,
                    size_t message_start,
                    const std::string& str) {
  g_captured->push_back({severity, file, line, str, str.substr(message_start)});
  return g_swallow;
}

// Collects every message while alive and restores the default settings
// afterwards, so that tests do not leak handlers or verbosity.
class LoggingTest : public testing::Test {
 protected:
  void SetUp() override {
    g_captured = &captured_;
    g_swallow = true;
    SetLogMessageHandler(&CaptureHandler);
  }
  void TearDown() override {
    SetLogMessageHandler(nullptr);
    g_captured = nullptr;
    SetVerbosity(0, "");
    SetMinLogLevel(LOG_INFO);
    LoggingSettings defaults;
    defaults.logging_dest = LOG_TO_SYSTEM_DEBUG_LOG | LOG_TO_STDERR;
    InitLogging(defaults);
  }

  std::vector<Captured> captured_;
};

TEST_F(LoggingTest, LineFormatAndHandler) {
  const int line = __LINE__ + 1;
  LOG(WARNING) << "hello " << 42;
  ASSERT_EQ(1u, captured_.size());
  const Captured& entry = captured_[0];
  EXPECT_EQ(LOG_WARNING, entry.severity);
  EXPECT_EQ(line, entry.line);
  EXPECT_EQ("hello 42\n", entry.message);
  EXPECT_TRUE(std::regex_match(
      entry.text, std::regex("\\[\\d+:\\d+:\\d{4}/\\d{6}\\.\\d{3}:WARNING:"
                             "logging_unittest\\.cc\\(\\d+\\)\\] hello 42\n")))
      << entry.text;
  const std::string ids = base::StringPrintf(
      "[%lu:%lu:", ::GetCurrentProcessId(), ::GetCurrentThreadId());
  EXPECT_EQ(0u, entry.text.find(ids)) << entry.text;
  const std::string place =
      base::StringPrintf(":WARNING:logging_unittest.cc(%d)] ", line);
  EXPECT_NE(std::string::npos, entry.text.find(place)) << entry.text;

  LOG(INFO) << "i";
  LOG(ERROR) << "e";
  ASSERT_EQ(3u, captured_.size());
  EXPECT_NE(std::string::npos, captured_[1].text.find(":INFO:"));
  EXPECT_NE(std::string::npos, captured_[2].text.find(":ERROR:"));
}

TEST_F(LoggingTest, MinLogLevelSkipsStreaming) {
  SetMinLogLevel(LOG_ERROR);
  int evaluated = 0;
  auto count = [&] { return ++evaluated; };
  LOG(WARNING) << count();
  LOG(ERROR) << count();
  EXPECT_EQ(1, evaluated);
  ASSERT_EQ(1u, captured_.size());
  EXPECT_EQ("1\n", captured_[0].message);
  // FATAL can never be switched off.
  SetMinLogLevel(LOG_FATAL + 5);
  EXPECT_EQ(LOG_FATAL, GetMinLogLevel());
  LOG_IF(ERROR, true) << "off";
  EXPECT_EQ(1u, captured_.size());
}

TEST_F(LoggingTest, PlogCapturesErrorBeforeArguments) {
  auto clobber = [] {
    ::SetLastError(ERROR_SUCCESS);
    return "args";
  };
  ::SetLastError(ERROR_FILE_NOT_FOUND);
  PLOG(ERROR) << "open failed " << clobber();
  ASSERT_EQ(1u, captured_.size());
  EXPECT_EQ("open failed args: " +
                SystemErrorCodeToString(ERROR_FILE_NOT_FOUND) + "\n",
            captured_[0].message);
}

TEST_F(LoggingTest, SystemErrorCodeToString) {
  const std::string text = SystemErrorCodeToString(ERROR_ACCESS_DENIED);
  EXPECT_TRUE(base::EndsWith(text, " (0x5)")) << text;
  EXPECT_GT(text.size(), 6u);
  EXPECT_EQ(std::string::npos, text.find_first_of("\r\n")) << text;

  const std::string unknown = SystemErrorCodeToString(0x2FFFFFFF);
  EXPECT_TRUE(base::StartsWith(unknown, "Error (0x")) << unknown;
  EXPECT_TRUE(base::EndsWith(unknown, "while retrieving error. (0x2FFFFFFF)"))
      << unknown;
}

TEST_F(LoggingTest, LoggingKeepsLastError) {
  ::SetLastError(ERROR_SHARING_VIOLATION);
  LOG(INFO) << "x";
  EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), ::GetLastError());
}

TEST_F(LoggingTest, HandlerThatDeclinesLetsMessageThrough) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath log = temp.GetPath() / L"through.log";
  LoggingSettings settings;
  settings.logging_dest = LOG_TO_FILE;
  settings.log_file = log.native();
  ASSERT_TRUE(InitLogging(settings));

  LOG(INFO) << "swallowed";
  g_swallow = false;
  LOG(INFO) << "passed on";
  EXPECT_EQ(2u, captured_.size());

  std::string contents;
  ASSERT_TRUE(base::ReadFileToString(log, &contents));
  EXPECT_EQ(std::string::npos, contents.find("swallowed"));
  EXPECT_NE(std::string::npos, contents.find("] passed on\n"));
}

TEST_F(LoggingTest, LogFileIsCreatedAppendedOrReplaced) {
  SetLogMessageHandler(nullptr);
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath log = temp.GetPath() / L"\u017C\u00F3\u0142w.log";

  LoggingSettings settings;
  settings.logging_dest = LOG_TO_FILE;
  settings.log_file = log.native();
  ASSERT_TRUE(InitLogging(settings));
  LOG(INFO) << "first";
  ASSERT_TRUE(InitLogging(settings));
  LOG(ERROR) << "second";

  std::string contents;
  ASSERT_TRUE(base::ReadFileToString(log, &contents));
  const size_t first = contents.find(":INFO:logging_unittest.cc(");
  const size_t second = contents.find("] second\n");
  ASSERT_NE(std::string::npos, first) << contents;
  ASSERT_NE(std::string::npos, second) << contents;
  EXPECT_LT(first, second);
  EXPECT_EQ(2, std::count(contents.begin(), contents.end(), '\n'));

  settings.delete_old = DELETE_OLD_LOG_FILE;
  ASSERT_TRUE(InitLogging(settings));
  LOG(INFO) << "third";
  ASSERT_TRUE(base::ReadFileToString(log, &contents));
  EXPECT_EQ(std::string::npos, contents.find("first")) << contents;
  EXPECT_NE(std::string::npos, contents.find("] third\n")) << contents;

  // A folder that does not exist cannot hold the log.
  settings.log_file = (temp.GetPath() / L"missing" / L"x.log").native();
  EXPECT_FALSE(InitLogging(settings));
}

TEST_F(LoggingTest, WideTextAndPathsAreWrittenAsUtf8) {
  const std::wstring wide = L"\u017C\u00F3\u0142w";
  const wchar_t* null_text = nullptr;
  LOG(INFO) << wide << "|" << std::wstring_view(wide).substr(1) << "|"
            << L"lit\u00e9ral" << "|" << null_text << "|";
  // The standard library writes a path quoted, backslashes doubled; a log
  // line gets it plain.
  const base::FilePath path = base::FilePath(L"C:\\dir \u00e9") / L"f.txt";
  LOG(INFO) << path;
  ASSERT_EQ(2u, captured_.size());
  EXPECT_EQ("\xC5\xBC\xC3\xB3\xC5\x82w|\xC3\xB3\xC5\x82w|lit\xC3\xA9ral||\n",
            captured_[0].message);
  EXPECT_EQ("C:\\dir \xC3\xA9\\f.txt\n", captured_[1].message);
}

// Run only as a child of LogFileFromSeveralProcesses: appends lines to the
// log file named in the environment.
TEST(LoggingChildTest, DISABLED_AppendLines) {
  wchar_t path[MAX_PATH];
  ASSERT_NE(0u, ::GetEnvironmentVariableW(L"TAVRIN_TEST_LOG", path, MAX_PATH));
  LoggingSettings settings;
  settings.logging_dest = LOG_TO_FILE;
  settings.log_file = path;
  ASSERT_TRUE(InitLogging(settings));
  for (int i = 0; i < 300; ++i)
    LOG(INFO) << "process " << ::GetCurrentProcessId() << " line " << i;
}

TEST_F(LoggingTest, LogFileFromSeveralProcesses) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath log = temp.GetPath() / L"shared.log";
  ASSERT_TRUE(::SetEnvironmentVariableW(L"TAVRIN_TEST_LOG", log.c_str()));
  base::FilePath exe;
  ASSERT_TRUE(base::PathService::Get(base::FILE_EXE, &exe));

  constexpr int kProcesses = 3;
  std::vector<PROCESS_INFORMATION> children;
  for (int i = 0; i < kProcesses; ++i) {
    std::wstring command = L"\"" + exe.native() +
                           L"\" --gtest_also_run_disabled_tests "
                           L"--gtest_filter=LoggingChildTest.DISABLED_"
                           L"AppendLines";
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr,
                                 FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                                 &startup, &process));
    ::CloseHandle(process.hThread);
    children.push_back(process);
  }
  for (const PROCESS_INFORMATION& child : children) {
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(child.hProcess, 60000));
    DWORD exit_code = 1;
    ::GetExitCodeProcess(child.hProcess, &exit_code);
    EXPECT_EQ(0u, exit_code);
    ::CloseHandle(child.hProcess);
  }
  ::SetEnvironmentVariableW(L"TAVRIN_TEST_LOG", nullptr);

  std::string contents;
  ASSERT_TRUE(base::ReadFileToString(log, &contents));
  const std::vector<std::string> lines = base::SplitString(contents, '\n');
  ASSERT_EQ(static_cast<size_t>(kProcesses * 300 + 1), lines.size());
  const std::regex pattern("\\[[^\\]]+\\] process \\d+ line \\d+");
  for (size_t i = 0; i + 1 < lines.size(); ++i)
    ASSERT_TRUE(std::regex_match(lines[i], pattern)) << lines[i];
}

TEST_F(LoggingTest, VmoduleMatching) {
  SetVerbosity(1,
               "foo=3,bar*=4,b?z=5,dir/sub/*=6,*/other/qux.cc=7,foo_bar=8,"
               "broken,=9,bad=x");
  // Without a separator the pattern matches the module: base name without
  // extension, and without a trailing "-inl".
  EXPECT_EQ(3, GetVlogLevel("src/foo.cc"));
  EXPECT_EQ(3, GetVlogLevel("C:\\src\\foo-inl.h"));
  EXPECT_EQ(3, GetVlogLevel("foo.h"));
  EXPECT_EQ(1, GetVlogLevel("src/foo/other.cc"));
  EXPECT_EQ(4, GetVlogLevel("x/barbecue.cc"));
  EXPECT_EQ(4, GetVlogLevel("x/bar.cc"));
  EXPECT_EQ(5, GetVlogLevel("x/baz.cc"));
  EXPECT_EQ(1, GetVlogLevel("x/bz.cc"));
  EXPECT_EQ(8, GetVlogLevel("foo_bar.cc"));
  // With a separator the whole path is matched, '/' and '\' alike.
  EXPECT_EQ(6, GetVlogLevel("dir/sub/file.cc"));
  EXPECT_EQ(6, GetVlogLevel("dir\\sub\\deeper\\file.cc"));
  EXPECT_EQ(1, GetVlogLevel("root/dir/sub/file.cc"));
  EXPECT_EQ(7, GetVlogLevel("C:\\work\\other\\qux.cc"));
  // Case matters; an unreadable level reads as 0.
  EXPECT_EQ(1, GetVlogLevel("x/FOO.cc"));
  EXPECT_EQ(0, GetVlogLevel("x/bad.cc"));

  // The first matching pattern wins.
  SetVerbosity(0, "foo*=1,foo=2");
  EXPECT_EQ(1, GetVlogLevel("foo.cc"));
  SetVerbosity(2, "");
  EXPECT_EQ(2, GetVlogLevel("foo.cc"));
}

TEST_F(LoggingTest, VlogFollowsThisFilesLevel) {
  SetVerbosity(0, "");
  VLOG(1) << "hidden";
  EXPECT_TRUE(captured_.empty());

  SetVerbosity(0, "logging_unittest=2");
  EXPECT_TRUE(VLOG_IS_ON(2));
  EXPECT_FALSE(VLOG_IS_ON(3));
  VLOG(2) << "shown";
  VLOG(3) << "hidden";
  ASSERT_EQ(1u, captured_.size());
  EXPECT_EQ(-2, captured_[0].severity);
  EXPECT_NE(std::string::npos,
            captured_[0].text.find(":VERBOSE2:logging_unittest.cc("));
  EXPECT_EQ("shown\n", captured_[0].message);

  // A later setting replaces what an earlier call cached.
  SetVerbosity(0, "logging_unittest=0");
  VLOG(1) << "hidden";
  EXPECT_EQ(1u, captured_.size());
  SetVerbosity(1, "other=5");
  VLOG(1) << "shown again";
  EXPECT_EQ(2u, captured_.size());
}

TEST_F(LoggingTest, InitLoggingReadsVerbosityFromCommandLine) {
  const bool had_command_line =
      base::CommandLine::InitializedForCurrentProcess();
  base::CommandLine::Init(0, nullptr);
  base::CommandLine* command_line = base::CommandLine::ForCurrentProcess();
  command_line->AppendSwitchASCII("v", "2");
  command_line->AppendSwitchASCII("vmodule", "special=4");
  LoggingSettings settings;
  settings.logging_dest = LOG_NONE;
  EXPECT_TRUE(InitLogging(settings));
  EXPECT_EQ(2, GetVlogLevel("x/plain.cc"));
  EXPECT_EQ(4, GetVlogLevel("x/special.cc"));
  if (!had_command_line)
    base::CommandLine::Reset();
}

TEST(LoggingDeathTest, FailedCheckEndsProcess) {
  int value = 1;
  EXPECT_DEATH(CHECK(value == 2) << "value was " << value,
               "FATAL:logging_unittest\\.cc\\(\\d+\\)\\] Check failed: "
               "value == 2\\. value was 1");
  EXPECT_EXIT(LOG(FATAL) << "fatal text", testing::ExitedWithCode(3),
              "fatal text");
  // A swallowing handler hides the message but cannot stop the exit.
  EXPECT_EXIT(
      {
        SetLogMessageHandler([](LogSeverity, const char*, int, size_t,
                                const std::string&) { return true; });
        CHECK(false);
      },
      testing::ExitedWithCode(3), "");
}

TEST(LoggingDeathTest, PassingCheckDoesNotEvaluateStream) {
  int evaluated = 0;
  CHECK(evaluated == 0) << ++evaluated;
  EXPECT_EQ(0, evaluated);
}

}  // namespace
}  // namespace logging
