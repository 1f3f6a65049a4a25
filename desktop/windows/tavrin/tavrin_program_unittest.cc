// Starts the real tavrin.exe under Wine in browser installations laid out by
// the tests: launcher.exe (our stand-in, which records how it was called)
// and installer_prefs.json in the installation folder, the notifier in its
// subfolder "tavrin".

#include <windows.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/json/json_reader.h"
#include "base/strings/utf_string_conversions.h"
#include "base/time/time.h"
#include "base/values.h"
#include "desktop/windows/tavrin/test/launcher_layout.h"
#include "desktop/windows/tavrin/test/main_window_finder.h"
#include "gtest/gtest.h"
#include "tests/test/event_capture.h"
#include "tests/test/program_runner.h"

namespace {

using tavrin_test::FindMainWindow;
using tavrin_test::kMainWindowClass;
using tavrin_test::kMainWindowTitle;
using tavrin_test::WaitForMainWindow;
// The tray icon's callback message and id (MainWindow).
constexpr UINT kTrayCallbackMessage = WM_USER + 1;
constexpr UINT kTrayIconId = 1;
constexpr char kTrackingId[] = "UA-6029174-58";

class TavrinProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(FindMainWindow(), nullptr) << "a notifier is already running";
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
  bool StartNotifier(const std::wstring& arguments = std::wstring()) {
    std::wstring command_line = L"\"" + notifier_.native() +
                                L"\" --analytics-client-id=" +
                                base::UTF8ToWide(client_id_);
    if (!arguments.empty())
      command_line += L" " + arguments;
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

  // Starts the notifier, closes it once its window is there and reads the
  // launcher log from its prefs.
  void RunNotifierOnce(base::Value* launcher_log) {
    ASSERT_TRUE(StartNotifier());
    HWND window = WaitForMainWindow(true, 15);
    ASSERT_NE(window, nullptr);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForExit(), 0);
    ASSERT_EQ(WaitForMainWindow(false, 5), nullptr);
    ::CloseHandle(process_);
    process_ = nullptr;

    std::string contents;
    ASSERT_TRUE(
        base::ReadFileToString(profile_ / L"tavrin_prefs.json", &contents));
    std::optional<base::Value> prefs = base::JSONReader::Read(contents);
    ASSERT_TRUE(prefs.has_value()) << contents;
    const base::Value* log =
        base::GetDictionaryAt(*prefs, "process_monitor.launcher_log");
    ASSERT_NE(log, nullptr) << contents;
    *launcher_log = *log;
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
  EXPECT_EQ(FindMainWindow(), window);

  // "Close".
  ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(101, 0), 0);
  EXPECT_EQ(WaitForExit(), 0);
  EXPECT_EQ(WaitForMainWindow(false, 5), nullptr);
  // The second notifier and the menu items sent nothing.
  EXPECT_EQ(tavrin_test::ReadCapturedEvents(client_id_).size(), 2u);
}

TEST_F(TavrinProgramTest, ShowsTheTestNotificationInTheCornerOfTheWorkArea) {
  ASSERT_TRUE(StartNotifier(L"--test-notification=ads"));
  HWND window = WaitForMainWindow(true, 15);
  ASSERT_NE(window, nullptr);

  constexpr wchar_t kPopupClass[] =
      L"Ulvena Tavrin Notification Embedded Browser Window Class";
  constexpr wchar_t kPopupTitle[] =
      L"Ulvena Tavrin Notification Embedded Browser Window";
  HWND popup = nullptr;
  for (int i = 0; i < 300 && !(popup && ::IsWindowVisible(popup)); ++i) {
    ::Sleep(50);
    popup = ::FindWindowW(kPopupClass, kPopupTitle);
  }
  ASSERT_TRUE(popup);
  ASSERT_TRUE(::IsWindowVisible(popup));
  DWORD owner = 0;
  ::GetWindowThreadProcessId(popup, &owner);
  EXPECT_EQ(owner, ::GetProcessId(process_));

  // Bottom-right corner, 12 px in; 280 px wide and as tall as the entry of
  // "ads" in notifications.json (150).
  RECT work_area = {};
  ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work_area, 0));
  RECT placed = {};
  ASSERT_TRUE(::GetWindowRect(popup, &placed));
  EXPECT_EQ(placed.right, work_area.right - 12);
  EXPECT_EQ(placed.bottom, work_area.bottom - 12);
  EXPECT_EQ(placed.right - placed.left, 280);
  EXPECT_EQ(placed.bottom - placed.top, 150);
  EXPECT_TRUE(::GetWindowLongW(popup, GWL_EXSTYLE) & WS_EX_TOPMOST);
  HRGN region = ::CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(::GetWindowRgn(popup, region), ERROR);
  EXPECT_FALSE(::PtInRegion(region, 0, 0));
  EXPECT_TRUE(::PtInRegion(region, 140, 75));
  ::DeleteObject(region);

  ::PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForExit(), 0);
  std::string text;
  ASSERT_TRUE(base::ReadFileToString(profile_ / L"tavrin_prefs.json", &text));
  base::Value prefs = base::JSONReader::Read(text).value_or(base::Value());
  int total = 0;
  EXPECT_TRUE(
      base::GetIntegerAt(prefs, "notifications.ads.total_shown", &total));
  EXPECT_EQ(total, 1);
  double shown_at = 0;
  EXPECT_TRUE(
      base::GetDoubleAt(prefs, "notifications.ads.last_show_time", &shown_at));
  EXPECT_GT(shown_at, 0.0);
  std::string last;
  EXPECT_TRUE(base::GetStringAt(prefs, "last_shown_notifications", &last));
  EXPECT_EQ(last, "ads");

  // The variant it chose, the one counted under version 1.
  const base::Value* counts =
      base::GetDictionaryAt(prefs, "notifications.ads.variants_shown.1");
  ASSERT_NE(counts, nullptr) << text;
  ASSERT_EQ(counts->size(), 1u) << text;
  const std::string variant = counts->items().begin().key();

  // On the wire: the start, then the impression, which opens a session.
  std::vector<tavrin_test::CapturedEvent> events =
      tavrin_test::WaitForCapturedEvents(client_id_, 2,
                                         base::TimeDelta::FromSeconds(15));
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].body,
            EventBody(client_id_, "ec=Session&ea=start&el=session"));
  EXPECT_EQ(events[1].path, "/collect");
  EXPECT_EQ(events[1].body,
            EventBody(client_id_, "ec=Hint&ea=impression_showing&el=ads_v1_" +
                                      variant + "&sc=start"));
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
  EXPECT_EQ(FindMainWindow(), nullptr);
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

// Keeps a process of ours named ulvena.exe (or |name|) running, as the
// browser would.
class RunningBrowser {
 public:
  bool Start(const base::FilePath& folder,
             const wchar_t* name = L"ulvena.exe") {
    const base::FilePath program = folder / name;
    if (!base::CreateDirectory(folder) ||
        !base::CopyFile(tavrin_test::GetProgramNextToTest(L"idle_process.exe"),
                        program)) {
      return false;
    }
    std::wstring command_line = L"\"" + program.native() + L"\" 60";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (!::CreateProcessW(program.c_str(), command_line.data(), nullptr,
                          nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info_)) {
      return false;
    }
    ::CloseHandle(info_.hThread);
    return true;
  }
  ~RunningBrowser() {
    if (info_.hProcess) {
      ::TerminateProcess(info_.hProcess, 0);
      ::WaitForSingleObject(info_.hProcess, 10000);
      ::CloseHandle(info_.hProcess);
    }
  }
  DWORD pid() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_ = {};
};

// The launcher log outlasts a restart: the browser process found running at
// the first start is stored; after it has ended, the second start still
// knows it, with the time of the first start's last save as its end.
TEST_F(TavrinProgramTest, KeepsTheLauncherLogAcrossRestarts) {
  auto browser = std::make_unique<RunningBrowser>();
  ASSERT_TRUE(browser->Start(temp_.GetPath() / L"browser"));
  const std::string pid = std::to_string(browser->pid());

  base::Value first;
  ASSERT_NO_FATAL_FAILURE(RunNotifierOnce(&first));
  ASSERT_TRUE(first.contains(pid)) << first.dump();
  EXPECT_EQ(first[pid]["quit_time"], 0.0);
  ASSERT_TRUE(first[pid]["tentative_quit_time"].is_number());
  const double last_save = first[pid]["tentative_quit_time"];
  EXPECT_GT(last_save, 0.0);

  browser.reset();
  base::Value second;
  ASSERT_NO_FATAL_FAILURE(RunNotifierOnce(&second));
  ASSERT_TRUE(second.contains(pid)) << second.dump();
  EXPECT_EQ(second[pid]["quit_time"], last_save);
  EXPECT_FALSE(second[pid].contains("tentative_quit_time"));
}

// The hint checks of a notifier started with small delays, with another
// browser (a process of ours named chrome.exe) running and no Ulvena.
class TavrinHintProgramTest : public TavrinProgramTest {
 protected:
  void SetUp() override {
    TavrinProgramTest::SetUp();
    ASSERT_TRUE(chrome_.Start(temp_.GetPath() / L"other", L"chrome.exe"));
  }

  void StartWithDelays(int initial_seconds, int after_seconds) {
    ASSERT_TRUE(StartNotifier(L"--override-initial-notification-delay=" +
                              std::to_wstring(initial_seconds) +
                              L" --override-after-notification-delay=" +
                              std::to_wstring(after_seconds)));
    ASSERT_NE(WaitForMainWindow(true, 15), nullptr);
  }

  void CloseNotifier() {
    HWND window = FindMainWindow();
    ASSERT_NE(window, nullptr);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForExit(), 0);
    ::CloseHandle(process_);
    process_ = nullptr;
  }

  // The message texts of the log, without their prefixes.
  std::vector<std::string> LogMessages() const {
    std::string contents;
    base::ReadFileToString(profile_ / L"tavrin.log", &contents);
    std::vector<std::string> messages;
    size_t start = 0;
    while (start < contents.size()) {
      size_t end = contents.find('\n', start);
      if (end == std::string::npos)
        end = contents.size();
      std::string line = contents.substr(start, end - start);
      if (!line.empty() && line.back() == '\r')
        line.pop_back();
      const size_t text = line.find("] ");
      if (text != std::string::npos)
        messages.push_back(line.substr(text + 2));
      start = end + 1;
    }
    return messages;
  }

  int CountLogMessages(const std::string& text) const {
    std::vector<std::string> messages = LogMessages();
    return static_cast<int>(std::count(messages.begin(), messages.end(), text));
  }

  // Waits until |text| has been logged |count| times in all.
  bool WaitForLogMessage(const std::string& text, int count = 1) {
    for (int i = 0; i < 300; ++i) {
      if (CountLogMessages(text) >= count)
        return true;
      ::Sleep(100);
    }
    return false;
  }

  base::Value ReadPrefs() const {
    std::string contents;
    base::ReadFileToString(profile_ / L"tavrin_prefs.json", &contents);
    return base::JSONReader::Read(contents).value_or(base::Value());
  }

  RunningBrowser chrome_;
};

TEST_F(TavrinHintProgramTest, ShowsTheLeastRecentlyShownHintAndReArms) {
  StartWithDelays(2, 5);
  ASSERT_TRUE(WaitForLogMessage("Show ads."))
      << ::testing::PrintToString(LogMessages());
  // The hint's pop-up is the notifier's.
  HWND popup =
      ::FindWindowW(L"Ulvena Tavrin Notification Embedded Browser Window Class",
                    L"Ulvena Tavrin Notification Embedded Browser Window");
  ASSERT_NE(popup, nullptr);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(popup, &owner);
  EXPECT_EQ(owner, ::GetProcessId(process_));
  // Re-armed with the after delay: the next check finds the pop-up open.
  ASSERT_TRUE(WaitForLogMessage(
      "Don't show because other notification is being shown."));
  CloseNotifier();
  const double ended_at = base::Time::Now().ToDoubleT();

  const std::vector<std::string> messages = LogMessages();
  auto checking = std::find(messages.begin(), messages.end(),
                            "Checking whether to show hint...");
  auto shown = std::find(messages.begin(), messages.end(), "Show ads.");
  EXPECT_LT(checking, shown);
  // No battery under Wine: the battery hint is skipped, "ads" comes before
  // "places" and "places" is not shown.
  EXPECT_EQ(CountLogMessages("Show ads."), 1);
  EXPECT_EQ(CountLogMessages("Show battery."), 0);
  EXPECT_EQ(CountLogMessages("Show places."), 0);

  const base::Value prefs = ReadPrefs();
  std::string last_shown;
  EXPECT_TRUE(
      base::GetStringAt(prefs, "last_shown_notifications", &last_shown));
  EXPECT_EQ(last_shown, "ads");
  int total_shown = 0;
  EXPECT_TRUE(
      base::GetIntegerAt(prefs, "notifications.ads.total_shown", &total_shown));
  EXPECT_EQ(total_shown, 1);
  double shown_at = 0;
  ASSERT_TRUE(
      base::GetDoubleAt(prefs, "notifications.ads.last_show_time", &shown_at));
  EXPECT_EQ(base::GetDictionaryAt(prefs, "notifications.places"), nullptr);
  // The second check came at least 5 s after the showing and stored its
  // own time plus the after delay.
  double scheduled = 0;
  ASSERT_TRUE(base::GetDoubleAt(
      prefs, "notification_scheduler.scheduled_check_time", &scheduled));
  EXPECT_GE(scheduled, shown_at + 10 - 0.5);
  EXPECT_LE(scheduled, ended_at + 5 + 0.5);
}

TEST_F(TavrinHintProgramTest, KeepsTheScheduledCheckAcrossARestart) {
  StartWithDelays(2, 3600);
  ASSERT_TRUE(WaitForLogMessage("Show ads."))
      << ::testing::PrintToString(LogMessages());
  CloseNotifier();
  base::Value prefs = ReadPrefs();
  double shown_at = 0;
  double scheduled = 0;
  ASSERT_TRUE(
      base::GetDoubleAt(prefs, "notifications.ads.last_show_time", &shown_at));
  ASSERT_TRUE(base::GetDoubleAt(
      prefs, "notification_scheduler.scheduled_check_time", &scheduled));
  EXPECT_NEAR(scheduled, shown_at + 3600, 5);

  // Restarted with the same switches, the notifier waits for the stored
  // time, an hour away, instead of checking 2 s after start.
  StartWithDelays(2, 3600);
  // A power event on mains power (all that Wine reports) brings no check
  // either.
  // The battery hint's watcher comes with the scheduler, after the main
  // window and the start event.
  HWND watcher = nullptr;
  for (int i = 0; i < 300 && !watcher; ++i) {
    watcher = ::FindWindowW(L"BatteryWatcherClass", L"BatteryWatcherClass");
    if (!watcher)
      ::Sleep(50);
  }
  ASSERT_NE(watcher, nullptr);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(watcher, &owner);
  EXPECT_EQ(owner, ::GetProcessId(process_));
  ::SendMessageW(watcher, WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
  ::Sleep(5000);
  CloseNotifier();
  EXPECT_EQ(CountLogMessages("Checking whether to show hint..."), 1);
  prefs = ReadPrefs();
  double scheduled_after = 0;
  ASSERT_TRUE(base::GetDoubleAt(
      prefs, "notification_scheduler.scheduled_check_time", &scheduled_after));
  EXPECT_DOUBLE_EQ(scheduled_after, scheduled);
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
  window_class.lpszClassName = kMainWindowClass;
  ASSERT_TRUE(::RegisterClassExW(&window_class));
  HWND window = ::CreateWindowExW(0, kMainWindowClass, kMainWindowTitle,
                                  WS_DISABLED, 0, 0, 0, 0, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);

  tavrin_test::ProgramResult result =
      tavrin_test::RunProgram(notifier_, L"", base::TimeDelta::FromSeconds(10));
  ::DestroyWindow(window);
  ::UnregisterClassW(kMainWindowClass, ::GetModuleHandleW(nullptr));
  ASSERT_TRUE(result.started);
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(result.exit_code, 0u);
  // It wrote nothing: not even the profile folder for its log.
  EXPECT_FALSE(base::PathExists(profile_));
}

}  // namespace
