#include "desktop/windows/tavrin/tavrin_main_controller.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/at_exit.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/guid.h"
#include "base/json/json_reader.h"
#include "base/message_loop/message_loop.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/scoped_path_override.h"
#include "components/prefs/pref_registry_simple.h"
#include "components/prefs/pref_service.h"
#include "desktop/windows/rc_l10n_handler/rc_l10n_handler.h"
#include "desktop/windows/tavrin/analytics/analytics.h"
#include "desktop/windows/tavrin/main_window.h"
#include "desktop/windows/tavrin/notifier_path_provider.h"
#include "desktop/windows/tavrin/tavrin_notification_scheduler.h"
#include "desktop/windows/tavrin/test/launcher_layout.h"
#include "gtest/gtest.h"

namespace {

class TavrinMainControllerTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { tavrin::RegisterNotifierPathProvider(); }

  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    install_ = temp_.GetPath() / L"install";
    exe_dir_ = install_ / L"tavrin";
    ASSERT_TRUE(base::CreateDirectory(exe_dir_));
    ASSERT_TRUE(exe_dir_override_.emplace(base::DIR_EXE, exe_dir_).Succeeded());
    prefs_file_ = temp_.GetPath() / L"profile" / L"tavrin_prefs.json";
    ASSERT_TRUE(base::CreateDirectory(prefs_file_.parent_path()));
    ASSERT_TRUE(
        prefs_override_.emplace(tavrin::FILE_PREFS, prefs_file_).Succeeded());
    // The hint content that the build puts next to the test program.
    content_ = temp_.GetPath() / L"notifications";
    ASSERT_TRUE(tavrin_test::CopyHintContent(content_));
    ASSERT_TRUE(content_override_.emplace(tavrin::DIR_NOTIFICATIONS, content_)
                    .Succeeded());
    ResetCommandLine();
  }
  void TearDown() override {
    exe_dir_override_.reset();
    content_override_.reset();
    prefs_override_.reset();
    ResetCommandLine();
  }

  static void ResetCommandLine() {
    base::CommandLine::Reset();
    base::CommandLine::Init(0, nullptr);
  }

  // Starts a notifier's controller as the program does, runs |body| with it,
  // then closes its window and lets the loop finish the prefs file.
  template <typename Body>
  void WithController(Body body) {
    base::AtExitManager exit_manager;
    base::MessageLoop loop(base::MessageLoop::TYPE_UI);
    RecordAnalytics();
    RcL10nHandler::GetInstance()->Init(L"en");
    TavrinMainController* controller = TavrinMainController::GetInstance();
    ASSERT_TRUE(controller->Init(::GetModuleHandleW(nullptr)));
    body(controller);
    ASSERT_TRUE(controller->main_window());
    ::PostMessageW(controller->main_window()->hwnd(), WM_CLOSE, 0, 0);
    loop.Run();
  }

  // Events are kept in |sent_| instead of going to the network.
  void RecordAnalytics() {
    sent_.clear();
    Analytics::GetInstance()->SetPostCallbackForTesting(
        [this](const std::string& body) { sent_.push_back(body); });
  }

  base::Value ReadPrefsFile() {
    std::string text;
    if (!base::ReadFileToString(prefs_file_, &text))
      return base::Value();
    return base::JSONReader::Read(text).value_or(base::Value());
  }

  std::string LauncherCommand(const std::string& tail) const {
    return tavrin_test::LauncherCommandFor(exe_dir_, tail);
  }

  base::ScopedTempDir temp_;
  base::FilePath install_;
  base::FilePath exe_dir_;
  base::FilePath prefs_file_;
  base::FilePath content_;
  std::optional<base::ScopedPathOverride> exe_dir_override_;
  std::optional<base::ScopedPathOverride> prefs_override_;
  std::optional<base::ScopedPathOverride> content_override_;
  std::vector<std::string> sent_;
};

TEST_F(TavrinMainControllerTest, RegistersEveryNotifierSetting) {
  PrefRegistrySimple registry;
  TavrinMainController::RegisterPrefs(&registry);
  const base::Value expected = base::JSONReader::Read(R"({
    "analytics": {"user_id": ""},
    "notifications": {},
    "last_shown_notifications": "",
    "consecutive_dismisses": 0,
    "power_disconnected_event_count": 0,
    "last_power_disconnected_handled_event_time": 0.0,
    "notification_scheduler": {"scheduled_check_time": 0.0},
    "process_monitor": {"launcher_log": {}}
  })")
                                   .value();
  EXPECT_EQ(registry.defaults(), expected);
  EXPECT_TRUE(registry.defaults()["last_power_disconnected_handled_event_time"]
                  .is_number_float());
}

TEST_F(TavrinMainControllerTest, InitCreatesPrefsAndTheMainWindow) {
  WithController([](TavrinMainController* controller) {
    EXPECT_EQ(controller->instance(), ::GetModuleHandleW(nullptr));
    ASSERT_TRUE(controller->pref_service());
    EXPECT_EQ(controller->pref_service()->GetInteger("consecutive_dismisses"),
              0);
    ASSERT_TRUE(controller->main_window());
    EXPECT_EQ(::FindWindowW(MainWindow::kClassName, MainWindow::kWindowTitle),
              controller->main_window()->hwnd());
    // The first hint check is armed; with a fresh prefs file it is the
    // initial delay away.
    ASSERT_TRUE(controller->scheduler());
    EXPECT_TRUE(controller->scheduler()->IsRunning());
    EXPECT_EQ(controller->scheduler()->GetCurrentDelay(),
              base::TimeDelta::FromSeconds(300));
  });
}

TEST_F(TavrinMainControllerTest, InitReportsTheSessionStart) {
  std::string client_id;
  WithController([&client_id](TavrinMainController* controller) {
    client_id = controller->GetAnalyticsClientId();
  });
  EXPECT_EQ(sent_, std::vector<std::string>(
                       {"v=1&tid=UA-6029174-58&cid=" + client_id +
                        "&t=event&ec=Session&ea=start&el=session"}));

  // The switch replaces the tracking id, even when it is empty.
  base::CommandLine::ForCurrentProcess()->AppendSwitchASCII(
      "analytics-client-id", "c1");
  base::CommandLine::ForCurrentProcess()->AppendSwitchASCII("analytics-app-id",
                                                            "UA-1-2");
  WithController([](TavrinMainController*) {});
  EXPECT_EQ(sent_, std::vector<std::string>(
                       {"v=1&tid=UA-1-2&cid=c1&t=event&ec=Session&ea=start&"
                        "el=session"}));
  ResetCommandLine();
  base::CommandLine::ForCurrentProcess()->AppendSwitchASCII(
      "analytics-client-id", "c1");
  base::CommandLine::ForCurrentProcess()->AppendSwitch("analytics-app-id");
  WithController([](TavrinMainController*) {});
  EXPECT_EQ(sent_, std::vector<std::string>(
                       {"v=1&tid=&cid=c1&t=event&ec=Session&ea=start&"
                        "el=session"}));
}

// Content that is not the shipped one: the notifier builds nothing at all.
TEST_F(TavrinMainControllerTest, ChangedContentStopsInit) {
  std::string page;
  ASSERT_TRUE(base::ReadFileToString(content_ / L"ads.html", &page));
  page[page.size() / 2] ^= 0x20;
  ASSERT_TRUE(base::WriteFile(content_ / L"ads.html", page));
  {
    base::AtExitManager exit_manager;
    base::MessageLoop loop(base::MessageLoop::TYPE_UI);
    RecordAnalytics();
    TavrinMainController* controller = TavrinMainController::GetInstance();
    EXPECT_FALSE(controller->Init(::GetModuleHandleW(nullptr)));
    EXPECT_FALSE(controller->main_window());
    EXPECT_FALSE(controller->pref_service());
    EXPECT_EQ(::FindWindowW(MainWindow::kClassName, MainWindow::kWindowTitle),
              nullptr);
    loop.RunUntilIdle();
  }
  EXPECT_TRUE(sent_.empty());
  EXPECT_FALSE(base::PathExists(prefs_file_));
}

// Cancels the creation of the notifier's main window on this thread, as a
// system out of window resources would refuse it.
LRESULT CALLBACK RefuseMainWindow(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTW* create =
        reinterpret_cast<CBT_CREATEWNDW*>(lparam)->lpcs;
    if (create->lpszName &&
        std::wstring(create->lpszName) == MainWindow::kWindowTitle) {
      return 1;
    }
  }
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

// Without its main window the notifier still keeps its prefs and reports
// the session.
TEST_F(TavrinMainControllerTest, InitGoesOnWithoutTheMainWindow) {
  HHOOK hook = ::SetWindowsHookExW(WH_CBT, &RefuseMainWindow, nullptr,
                                   ::GetCurrentThreadId());
  ASSERT_TRUE(hook);
  {
    base::AtExitManager exit_manager;
    base::MessageLoop loop(base::MessageLoop::TYPE_UI);
    RecordAnalytics();
    RcL10nHandler::GetInstance()->Init(L"en");
    TavrinMainController* controller = TavrinMainController::GetInstance();
    EXPECT_TRUE(controller->Init(::GetModuleHandleW(nullptr)));
    EXPECT_FALSE(controller->main_window());
    EXPECT_EQ(::FindWindowW(MainWindow::kClassName, MainWindow::kWindowTitle),
              nullptr);
    ASSERT_TRUE(controller->pref_service());
    controller->pref_service()->SetInteger("consecutive_dismisses", 2);
    loop.RunUntilIdle();
  }
  ::UnhookWindowsHookEx(hook);
  ASSERT_EQ(sent_.size(), 1u);
  EXPECT_NE(sent_[0].find("&ec=Session&ea=start&el=session"), std::string::npos)
      << sent_[0];
  EXPECT_EQ(ReadPrefsFile()["consecutive_dismisses"], base::Value(2));
}

TEST_F(TavrinMainControllerTest, ClientIdIsMadeOnceAndKept) {
  std::string first;
  WithController([&first](TavrinMainController* controller) {
    first = controller->GetAnalyticsClientId();
    EXPECT_TRUE(base::IsValidGUID(first)) << first;
    EXPECT_EQ(controller->GetAnalyticsClientId(), first);
  });
  std::string stored;
  ASSERT_TRUE(base::GetStringAt(ReadPrefsFile(), "analytics.user_id", &stored));
  EXPECT_EQ(stored, first);

  // A restarted notifier keeps it.
  WithController([&first](TavrinMainController* controller) {
    EXPECT_EQ(controller->GetAnalyticsClientId(), first);
  });
}

TEST_F(TavrinMainControllerTest, ClientIdSwitchWinsAndLeavesThePref) {
  ASSERT_TRUE(
      base::WriteFile(prefs_file_, R"({"analytics": {"user_id": "kept-id"}})"));
  base::CommandLine::ForCurrentProcess()->AppendSwitchASCII(
      "analytics-client-id", "from-switch");
  WithController([](TavrinMainController* controller) {
    EXPECT_EQ(controller->GetAnalyticsClientId(), "from-switch");
    EXPECT_EQ(controller->pref_service()->GetString("analytics.user_id"),
              "kept-id");
  });
  std::string stored;
  ASSERT_TRUE(base::GetStringAt(ReadPrefsFile(), "analytics.user_id", &stored));
  EXPECT_EQ(stored, "kept-id");

  // Present but empty, the switch still wins.
  ResetCommandLine();
  base::CommandLine::ForCurrentProcess()->AppendSwitch("analytics-client-id");
  WithController([](TavrinMainController* controller) {
    EXPECT_EQ(controller->GetAnalyticsClientId(), "");
  });
}

TEST_F(TavrinMainControllerTest, LaunchesTheBrowserThroughItsLauncher) {
  ASSERT_TRUE(tavrin_test::InstallFakeLauncher(install_));
  base::AtExitManager exit_manager;
  TavrinMainController* controller = TavrinMainController::GetInstance();
  controller->LaunchBrowser("https://example.com/p?a=1&b=\xc3\xbc", true);
  ASSERT_EQ(tavrin_test::WaitForLauncherCalls(install_, 1).size(), 1u);
  controller->LaunchBrowser("https://example.com/", false);
  ASSERT_EQ(tavrin_test::WaitForLauncherCalls(install_, 2).size(), 2u);
  controller->LaunchBrowser("", false);
  std::vector<std::string> calls =
      tavrin_test::WaitForLauncherCalls(install_, 3);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0], LauncherCommand(" --from-tavrin=hint "
                                      "https://example.com/p?a=1&b=\xc3\xbc"));
  EXPECT_EQ(calls[1], LauncherCommand(" --from-tavrin https://example.com/"));
  EXPECT_EQ(calls[2], LauncherCommand(" --from-tavrin "));
}

TEST_F(TavrinMainControllerTest, QuotesALauncherPathWithBlanks) {
  const base::FilePath install = temp_.GetPath() / L"Ulvena Browser";
  const base::FilePath exe_dir = install / L"tavrin";
  ASSERT_TRUE(base::CreateDirectory(exe_dir));
  ASSERT_TRUE(exe_dir_override_.emplace(base::DIR_EXE, exe_dir).Succeeded());
  ASSERT_TRUE(tavrin_test::InstallFakeLauncher(install));
  // A program at the prefix before the first blank: what an unquoted path
  // would start instead. Wine quotes the child's command line itself, so
  // only the program started tells the two apart.
  ASSERT_TRUE(base::CopyFile(install / L"launcher.exe",
                             temp_.GetPath() / L"Ulvena.exe"));
  base::AtExitManager exit_manager;
  TavrinMainController::GetInstance()->LaunchBrowser("", false);
  std::vector<std::string> calls =
      tavrin_test::WaitForLauncherCalls(install, 1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], "\"" + base::WideToUTF8(exe_dir.native()) +
                          "\\..\\launcher.exe\" --from-tavrin ");
  EXPECT_FALSE(base::PathExists(temp_.GetPath() / L"launcher_calls.txt"));
}

TEST_F(TavrinMainControllerTest, MissingLauncherStartsNothing) {
  base::AtExitManager exit_manager;
  TavrinMainController::GetInstance()->LaunchBrowser("", false);
  EXPECT_FALSE(base::PathExists(install_ / L"launcher_calls.txt"));
}

}  // namespace
