// Starts the real tavrin.exe under Wine in browser installations laid out by
// the tests: launcher.exe (our stand-in, which records how it was called)
// and installer_prefs.json in the installation folder, the notifier in its
// subfolder "tavrin".

#include <windows.h>

#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/utf_string_conversions.h"
#include "base/time/time.h"
#include "base/values.h"
#include "desktop/windows/tavrin/test/launcher_layout.h"
#include "gtest/gtest.h"
#include "tests/support/event_capture.h"
#include "tests/support/program_runner.h"

namespace {

constexpr wchar_t kClassName[] = L"Ulvena Tavrin Main Window Class";
constexpr wchar_t kWindowTitle[] = L"Ulvena Tavrin Main Window";
// The tray icon's callback message and id (MainWindow).
constexpr UINT kTrayCallbackMessage = WM_USER + 1;
constexpr UINT kTrayIconId = 1;
constexpr char kTrackingId[] = "UA-6029174-58";

HWND WaitForMainWindow(bool present, int seconds) {
  for (int i = 0; i < seconds * 20; ++i) {
    HWND window = ::FindWindowW(kClassName, kWindowTitle);
    if ((window != nullptr) == present)
      return window;
    ::Sleep(50);
  }
  return ::FindWindowW(kClassName, kWindowTitle);
}

class TavrinProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::FindWindowW(kClassName, kWindowTitle), nullptr)
        << "a notifier is already running";
    // The real notifier sends its events: they must end at the capture
    // proxy of the test environment, never on the network.
    ASSERT_TRUE(tavrin_test::IsEventCaptureAvailable());
    client_id_ = tavrin_test::MakeUniqueClientId();
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    install_ = temp_.GetPath() / L"install";
    notifier_ = install_ / L"tavrin" / L"tavrin.exe";
    ASSERT_TRUE(base::CreateDirectory(notifier_.parent_path()));
    ASSERT_TRUE(base::CopyFile(tavrin_test::GetProgramNextToTest(L"tavrin.exe"),
                               notifier_));
    ASSERT_TRUE(tavrin_test::InstallFakeLauncher(install_));
    // The hint content ships next to the notifier, which checks it at start.
    ASSERT_TRUE(tavrin_test::CopyHintContent(notifier_.parent_path() /
                                             L"notifications"));
    // The profile folder names the user, as the browser's installer does.
    base::Value prefs = {
        {"profile_path", base::WideToUTF8((temp_.GetPath() / L"profiles" /
                                           L"<USERNAME>" / L"Ulvena")
                                              .native())},
        {"language", "de"}};
    ASSERT_TRUE(
        base::WriteFile(install_ / L"installer_prefs.json", prefs.dump()));
    wchar_t user[257];
    DWORD size = 257;
    ASSERT_TRUE(::GetUserNameW(user, &size));
    profile_ = temp_.GetPath() / L"profiles" / user / L"Ulvena";
  }

  void TearDown() override {
    if (process_)
      others_.push_back(process_);
    for (HANDLE process : others_) {
      if (::WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process, 1);
        ::WaitForSingleObject(process, 5000);
      }
      ::CloseHandle(process);
    }
  }

  // Starts one more notifier without waiting for it; the test's own
  // |process_| is the first one started.
  HANDLE StartAnotherNotifier() {
    HANDLE first = process_;
    process_ = nullptr;
    HANDLE started = StartNotifier() ? process_ : nullptr;
    if (started)
      others_.push_back(started);
    process_ = first;
    return started;
  }

  // Starts the notifier without waiting for it, with this test's own
  // analytics client id.
  bool StartNotifier() {
    std::wstring command_line = L"\"" + notifier_.native() +
                                L"\" --analytics-client-id=" +
                                base::UTF8ToWide(client_id_);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(notifier_.c_str(), command_line.data(), nullptr,
                          nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info)) {
      return false;
    }
    ::CloseHandle(info.hThread);
    process_ = info.hProcess;
    return true;
  }

  // The notifier's exit code, or -1 when it has not ended within 15 s.
  int64_t WaitForExit() {
    if (::WaitForSingleObject(process_, 15000) != WAIT_OBJECT_0)
      return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(process_, &code);
    return code;
  }

  base::ScopedTempDir temp_;
  base::FilePath install_;
  base::FilePath notifier_;
  base::FilePath profile_;
  HANDLE process_ = nullptr;
  std::string client_id_;
  std::vector<HANDLE> others_;
};

// The form body of one event of this test's notifier.
std::string EventBody(const std::string& client_id, const std::string& tail) {
  return std::string("v=1&tid=") + kTrackingId + "&cid=" + client_id +
         "&t=event&" + tail;
}

TEST_F(TavrinProgramTest, RunsWithItsTrayUntilClosedFromTheMenu) {
  ASSERT_TRUE(StartNotifier());
  HWND window = WaitForMainWindow(true, 15);
  ASSERT_NE(window, nullptr);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  EXPECT_EQ(owner, ::GetProcessId(process_));
  EXPECT_FALSE(::IsWindowVisible(window));
  // The profile folder of "profile_path", with the user's name in it.
  EXPECT_TRUE(base::PathExists(profile_ / L"tavrin.log"));

  // Its start, as it went out on the wire.
  std::vector<tavrin_test::CapturedEvent> events =
      tavrin_test::WaitForCapturedEvents(client_id_, 1,
                                         base::TimeDelta::FromSeconds(15));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].host, "www.google-analytics.com:443");
  EXPECT_EQ(events[0].path, "/collect");
  EXPECT_EQ(events[0].body,
            EventBody(client_id_, "ec=Session&ea=start&el=session"));

  // "Launch ulvena".
  ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(100, 0), 0);
  std::vector<std::string> calls =
      tavrin_test::WaitForLauncherCalls(install_, 1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], tavrin_test::LauncherCommandFor(notifier_.parent_path(),
                                                      " --from-tavrin "));

  // A left click on the tray icon, as the shell reports it (version 4).
  ::PostMessageW(window, kTrayCallbackMessage, 0,
                 MAKELPARAM(WM_LBUTTONUP, kTrayIconId));
  events = tavrin_test::WaitForCapturedEvents(client_id_, 2,
                                              base::TimeDelta::FromSeconds(15));
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1].path, "/collect");
  EXPECT_EQ(events[1].body, EventBody(client_id_, "ec=Tray&ea=click"));
  // The click opens the browser as the menu item does.
  calls = tavrin_test::WaitForLauncherCalls(install_, 2);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1], calls[0]);

  // A second notifier leaves at once while this one runs.
  int64_t log_size = 0;
  ASSERT_TRUE(base::GetFileSize(profile_ / L"tavrin.log", &log_size));
  tavrin_test::ProgramResult second =
      tavrin_test::RunProgram(notifier_, L"", base::TimeDelta::FromSeconds(10));
  ASSERT_TRUE(second.started);
  EXPECT_FALSE(second.timed_out);
  EXPECT_EQ(second.exit_code, 0u);
  int64_t log_size_after = 0;
  ASSERT_TRUE(base::GetFileSize(profile_ / L"tavrin.log", &log_size_after));
  EXPECT_EQ(log_size_after, log_size);
  EXPECT_EQ(::FindWindowW(kClassName, kWindowTitle), window);

  // "Close".
  ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(101, 0), 0);
  EXPECT_EQ(WaitForExit(), 0);
  EXPECT_EQ(WaitForMainWindow(false, 5), nullptr);
  // The second notifier and the menu items sent nothing.
  EXPECT_EQ(tavrin_test::ReadCapturedEvents(client_id_).size(), 2u);
}

TEST_F(TavrinProgramTest, EndsOnWmClose) {
  ASSERT_TRUE(StartNotifier());
  HWND window = WaitForMainWindow(true, 15);
  ASSERT_NE(window, nullptr);
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForExit(), 0);
  EXPECT_EQ(WaitForMainWindow(false, 5), nullptr);
}

// With one content file changed the notifier refuses to run: it logs why and
// idles without window, tray icon or prefs until it is ended from outside.
TEST_F(TavrinProgramTest, IdlesWhenAContentFileWasChanged) {
  const base::FilePath picture = notifier_.parent_path() / L"notifications" /
                                 L"assets" / L"delights" / L"peru_4.jpg";
  std::string bytes;
  ASSERT_TRUE(base::ReadFileToString(picture, &bytes));
  bytes[bytes.size() / 2] ^= 0x01;
  ASSERT_TRUE(base::WriteFile(picture, bytes));

  ASSERT_TRUE(StartNotifier());
  std::string log;
  for (int i = 0; i < 150; ++i) {
    base::ReadFileToString(profile_ / L"tavrin.log", &log);
    if (log.find("Files integrity check failed!") != std::string::npos)
      break;
    ::Sleep(100);
  }
  EXPECT_NE(log.find("Files integrity check failed!"), std::string::npos)
      << log;
  // Still running, but without its main window (and so without tray icon).
  ::Sleep(1000);
  EXPECT_EQ(::WaitForSingleObject(process_, 0),
            static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(::FindWindowW(kClassName, kWindowTitle), nullptr);
  EXPECT_FALSE(base::PathExists(profile_ / L"tavrin_prefs.json"));
  // No start event either: the check comes before the analytics.
  EXPECT_TRUE(tavrin_test::ReadCapturedEvents(client_id_).empty());

  // With the content mended, the next notifier starts beside the idle one:
  // the idle one holds no start-up turn.
  bytes[bytes.size() / 2] ^= 0x01;
  ASSERT_TRUE(base::WriteFile(picture, bytes));
  HANDLE next = StartAnotherNotifier();
  ASSERT_TRUE(next);
  HWND window = WaitForMainWindow(true, 15);
  ASSERT_NE(window, nullptr);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  EXPECT_EQ(owner, ::GetProcessId(next));
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(::WaitForSingleObject(next, 15000),
            static_cast<DWORD>(WAIT_OBJECT_0));
}

// Started at the same moment, one notifier waits for the other's start-up,
// then finds its window and leaves.
TEST_F(TavrinProgramTest, OfTwoStartedAtOnceOneRuns) {
  HANDLE first = StartAnotherNotifier();
  HANDLE second = StartAnotherNotifier();
  ASSERT_TRUE(first);
  ASSERT_TRUE(second);
  HWND window = WaitForMainWindow(true, 15);
  ASSERT_NE(window, nullptr);
  HANDLE both[] = {first, second};
  const DWORD ended = ::WaitForMultipleObjects(2, both, FALSE, 15000);
  ASSERT_LT(ended, WAIT_OBJECT_0 + 2) << "neither notifier left";
  HANDLE leaver = both[ended - WAIT_OBJECT_0];
  HANDLE runner = leaver == first ? second : first;
  DWORD code = 1;
  ::GetExitCodeProcess(leaver, &code);
  EXPECT_EQ(code, 0u);
  // The one left running owns the window, and stays.
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  EXPECT_EQ(owner, ::GetProcessId(runner));
  EXPECT_EQ(::WaitForSingleObject(runner, 500),
            static_cast<DWORD>(WAIT_TIMEOUT));
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(::WaitForSingleObject(runner, 15000),
            static_cast<DWORD>(WAIT_OBJECT_0));
}

LRESULT CALLBACK PlainWindowProc(HWND hwnd,
                                 UINT message,
                                 WPARAM wparam,
                                 LPARAM lparam) {
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

TEST_F(TavrinProgramTest, StaysAwayFromARunningNotifierWindow) {
  // Any window with the main window's class and title counts.
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &PlainWindowProc;
  window_class.hInstance = ::GetModuleHandleW(nullptr);
  window_class.lpszClassName = kClassName;
  ASSERT_TRUE(::RegisterClassExW(&window_class));
  HWND window =
      ::CreateWindowExW(0, kClassName, kWindowTitle, WS_DISABLED, 0, 0, 0, 0,
                        nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);

  tavrin_test::ProgramResult result =
      tavrin_test::RunProgram(notifier_, L"", base::TimeDelta::FromSeconds(10));
  ::DestroyWindow(window);
  ::UnregisterClassW(kClassName, ::GetModuleHandleW(nullptr));
  ASSERT_TRUE(result.started);
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(result.exit_code, 0u);
  // It wrote nothing: not even the profile folder for its log.
  EXPECT_FALSE(base::PathExists(profile_));
}

}  // namespace
