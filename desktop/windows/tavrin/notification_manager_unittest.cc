#include "desktop/windows/tavrin/notification_manager.h"

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "base/at_exit.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/json/json_reader.h"
#include "base/message_loop/message_loop.h"
#include "base/path_service.h"
#include "base/test/test_log_capture.h"
#include "base/values.h"
#include "components/prefs/pref_service.h"
#include "desktop/windows/rc_l10n_handler/rc_l10n_handler.h"
#include "desktop/windows/tavrin/analytics/analytics.h"
#include "desktop/windows/tavrin/browser_window/browser_window.h"
#include "desktop/windows/tavrin/browser_window/test/script_call.h"
#include "desktop/windows/tavrin/main_window.h"
#include "desktop/windows/tavrin/notification.h"
#include "desktop/windows/tavrin/notifier_path_provider.h"
#include "desktop/windows/tavrin/tavrin_main_controller.h"
#include "desktop/windows/tavrin/test/launcher_layout.h"
#include "gtest/gtest.h"

namespace {

using tavrin_test::CallScript;
using tavrin_test::FindPopups;
using tavrin_test::GetExternal;
using tavrin_test::ThisArgument;

// Refuses the creation of the pop-up's window on this thread, as a system
// out of window resources would.
LRESULT CALLBACK RefusePopupCreation(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_CREATEWND) {
    wchar_t class_name[128] = {};
    ::GetClassNameW(reinterpret_cast<HWND>(wparam), class_name,
                    std::size(class_name));
    if (std::wstring(class_name) == BrowserWindow::kClassName)
      return 1;
  }
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

// The manager driven as the notifier drives it: a real controller with its
// prefs file, main window and pop-ups, in a browser installation of our own.
class NotificationManagerTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { tavrin::RegisterNotifierPathProvider(); }

  void SetUp() override {
    // The notifier's UI thread is an OLE apartment (WinMain initialises it);
    // the pop-ups' browser controls need one.
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    install_ = temp_.GetPath() / L"install";
    exe_dir_ = install_ / L"tavrin";
    ASSERT_TRUE(base::CreateDirectory(exe_dir_));
    ASSERT_TRUE(tavrin_test::InstallFakeLauncher(install_));
    ASSERT_TRUE(base::PathService::Override(base::DIR_EXE, exe_dir_));
    prefs_file_ = temp_.GetPath() / L"profile" / L"tavrin_prefs.json";
    ASSERT_TRUE(base::CreateDirectory(prefs_file_.parent_path()));
    ASSERT_TRUE(base::PathService::Override(tavrin::FILE_PREFS, prefs_file_));
    content_ = temp_.GetPath() / L"notifications";
    ASSERT_TRUE(tavrin_test::CopyHintContent(content_));
    ASSERT_TRUE(
        base::PathService::Override(tavrin::DIR_NOTIFICATIONS, content_));
    SetCommandLine({});
  }
  void TearDown() override {
    base::PathService::RemoveOverride(base::DIR_EXE);
    base::PathService::RemoveOverride(tavrin::DIR_NOTIFICATIONS);
    base::PathService::RemoveOverride(tavrin::FILE_PREFS);
    base::Time::SetNowForTesting(nullptr);
    SetCommandLine({});
    ::OleUninitialize();
  }

  // The process's own command line plus |switches| ("--name" or
  // "--name=value"): Init reads the real command line on Windows and
  // ignores the arguments it is given.
  static void SetCommandLine(std::vector<const char*> switches) {
    base::CommandLine::Reset();
    base::CommandLine::Init(0, nullptr);
    for (std::string text : switches) {
      text.erase(0, 2);
      const size_t equals = text.find('=');
      base::CommandLine::ForCurrentProcess()->AppendSwitchASCII(
          text.substr(0, equals), equals == std::string::npos
                                      ? std::string()
                                      : text.substr(equals + 1));
    }
  }

  // Our own notifications.json; the content check is then switched off, as
  // the switch allows for a program without a certificate.
  void WriteDescription(const std::string& json) {
    ASSERT_TRUE(base::WriteFile(content_ / L"notifications.json", json));
    SetCommandLine({"--disable-file-verification"});
  }

  void WritePrefs(const std::string& json) {
    ASSERT_TRUE(base::WriteFile(prefs_file_, json));
  }

  // Runs |body| with a started controller and its manager, then closes the
  // notifier as the tray menu does and lets the prefs file be written.
  template <typename Body>
  void WithManager(Body body) {
    base::AtExitManager exit_manager;
    base::MessageLoop loop(base::MessageLoop::TYPE_UI);
    sent_.clear();
    Analytics::GetInstance()->SetPostCallbackForTesting(
        [this](const std::string& body) { sent_.push_back(body); });
    RcL10nHandler::GetInstance()->Init(L"en");
    TavrinMainController* controller = TavrinMainController::GetInstance();
    ASSERT_TRUE(controller->Init(::GetModuleHandleW(nullptr)));
    ASSERT_TRUE(controller->notification_manager());
    ASSERT_EQ(GetNotificationManager(), controller->notification_manager());
    sent_.clear();  // The session start is the controller's.
    body(controller, controller->notification_manager());
    ASSERT_TRUE(controller->main_window());
    ::PostMessageW(controller->main_window()->hwnd(), WM_CLOSE, 0, 0);
    loop.Run();
  }

  base::Value ReadPrefsFile() {
    std::string text;
    if (!base::ReadFileToString(prefs_file_, &text))
      return base::Value();
    return base::JSONReader::Read(text).value_or(base::Value());
  }

  // The one pop-up showing hint |name|, or null.
  static BrowserWindow* PopupFor(const std::string& name) {
    BrowserWindow* found = nullptr;
    for (BrowserWindow* popup : FindPopups()) {
      if (popup->notification() && popup->notification()->name() == name) {
        EXPECT_FALSE(found) << "two pop-ups for " << name;
        found = popup;
      }
    }
    return found;
  }

  // Calls the page of |name|'s pop-up as its script would.
  static void CallPage(
      const std::string& name,
      const wchar_t* method,
      std::vector<VARIANT> arguments = {},
      tavrin_test::ThisArgument this_argument = ThisArgument::kAbsent) {
    BrowserWindow* popup = PopupFor(name);
    ASSERT_TRUE(popup);
    Microsoft::WRL::ComPtr<IDispatch> external =
        GetExternal(static_cast<IOleClientSite*>(popup->client_site()));
    ASSERT_TRUE(external);
    EXPECT_EQ(
        CallScript(external.Get(), method, arguments, nullptr, this_argument),
        S_OK);
    for (VARIANT& argument : arguments)
      ::VariantClear(&argument);
  }

  static void RunPostedTasks() { base::MessageLoop::current()->RunUntilIdle(); }

  // The events sent with |action| ("&ea=" up to the next field).
  std::vector<std::string> EventsWith(const std::string& action) const {
    std::vector<std::string> events;
    for (const std::string& body : sent_) {
      size_t start = body.find("&ea=");
      if (start == std::string::npos)
        continue;
      start += 4;
      size_t end = body.find('&', start);
      if (body.substr(start, end == std::string::npos ? end : end - start) ==
          action) {
        events.push_back(body);
      }
    }
    return events;
  }

  std::string LauncherCommand(const std::string& tail) const {
    return tavrin_test::LauncherCommandFor(exe_dir_, tail);
  }

  base::ScopedTempDir temp_;
  base::FilePath install_;
  base::FilePath exe_dir_;
  base::FilePath prefs_file_;
  base::FilePath content_;
  std::vector<std::string> sent_;
};

TEST_F(NotificationManagerTest, ShowingOpensThePopupCountsAndReports) {
  double now = 1700000000.5;
  base::Time::SetNowForTesting([&now] { return base::Time::FromDoubleT(now); });
  std::string first_variant;
  WithManager([&](TavrinMainController*, NotificationManager* manager) {
    EXPECT_FALSE(manager->HasOpenWindow());
    EXPECT_TRUE(manager->GetLastShowTime("ads").is_null());

    manager->ShowNotification("ads");
    EXPECT_TRUE(manager->HasOpenWindow());
    BrowserWindow* popup = PopupFor("ads");
    ASSERT_TRUE(popup);
    first_variant = popup->notification()->variant();
    // The control exists and was sent to the page (it renders nothing here).
    EXPECT_TRUE(popup->web_browser());
    EXPECT_EQ(manager->GetLastShownNotification(), "ads");
    EXPECT_EQ(manager->GetLastShowTime("ads").ToDoubleT(), now);

    now += 60;
    manager->ShowNotification("ads");
    EXPECT_EQ(manager->GetLastShowTime("ads").ToDoubleT(), now);
    EXPECT_EQ(FindPopups().size(), 2u);
  });

  const base::Value prefs = ReadPrefsFile();
  int total = 0;
  EXPECT_TRUE(
      base::GetIntegerAt(prefs, "notifications.ads.total_shown", &total));
  EXPECT_EQ(total, 2);
  double last = 0;
  EXPECT_TRUE(
      base::GetDoubleAt(prefs, "notifications.ads.last_show_time", &last));
  EXPECT_EQ(last, 1700000060.5);
  std::string last_shown;
  EXPECT_TRUE(
      base::GetStringAt(prefs, "last_shown_notifications", &last_shown));
  EXPECT_EQ(last_shown, "ads");
  // Two different variants of version 1, once each (the second choice is
  // among the two still at 0).
  const base::Value* counts =
      base::GetDictionaryAt(prefs, "notifications.ads.variants_shown.1");
  ASSERT_TRUE(counts);
  EXPECT_EQ(counts->size(), 2u);
  int first_count = 0;
  EXPECT_TRUE(base::GetIntegerAt(*counts, first_variant, &first_count));
  EXPECT_EQ(first_count, 1);

  // Each showing starts an analytics session with its impression.
  std::vector<std::string> impressions = EventsWith("impression_showing");
  ASSERT_EQ(impressions.size(), 2u);
  EXPECT_NE(impressions[0].find("&ec=Hint&ea=impression_showing&el=ads_v1_" +
                                first_variant + "&sc=start"),
            std::string::npos)
      << impressions[0];
  EXPECT_EQ(sent_.size(), 2u);
}

TEST_F(NotificationManagerTest, ChoosesTheLeastShownVariant) {
  WritePrefs(R"({"notifications": {"ads": {"variants_shown": {"1":
      {"browser": 2, "block": 1}}}}})");
  WithManager([&](TavrinMainController*, NotificationManager* manager) {
    manager->ShowNotification("ads");
    BrowserWindow* popup = PopupFor("ads");
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->notification()->variant(), "enjoy");
  });
  int count = 0;
  EXPECT_TRUE(base::GetIntegerAt(
      ReadPrefsFile(), "notifications.ads.variants_shown.1.enjoy", &count));
  EXPECT_EQ(count, 1);
  ASSERT_EQ(EventsWith("impression_showing").size(), 1u);
  EXPECT_NE(sent_[0].find("&el=ads_v1_enjoy&"), std::string::npos) << sent_[0];
}

TEST_F(NotificationManagerTest, EqualCountsStayWithinOneOfEachOther) {
  WithManager([&](TavrinMainController*, NotificationManager* manager) {
    std::vector<std::string> chosen;
    for (int showing = 0; showing < 12; ++showing) {
      manager->ShowNotification("ads");
      BrowserWindow* popup = PopupFor("ads");
      ASSERT_TRUE(popup);
      chosen.push_back(popup->notification()->variant());
      manager->CloseFirstWindow();
      RunPostedTasks();
      ASSERT_FALSE(manager->HasOpenWindow());
      int browser = std::count(chosen.begin(), chosen.end(), "browser");
      int block = std::count(chosen.begin(), chosen.end(), "block");
      int enjoy = std::count(chosen.begin(), chosen.end(), "enjoy");
      EXPECT_EQ(browser + block + enjoy, showing + 1);
      EXPECT_LE(
          std::max({browser, block, enjoy}) - std::min({browser, block, enjoy}),
          1);
    }
  });
}

TEST_F(NotificationManagerTest, ANewContentVersionStartsTheCountsAgain) {
  WriteDescription(R"({"ads": {"src": "ads.html", "height": 150,
      "version": 2, "variants": ["browser", "block", "enjoy"]}})");
  // Under version 1, "browser" would be chosen three times.
  WritePrefs(R"({"notifications": {"ads": {"variants_shown": {"1":
      {"browser": 0, "block": 5, "enjoy": 5}}}}})");
  WithManager([&](TavrinMainController*, NotificationManager* manager) {
    for (int showing = 0; showing < 3; ++showing) {
      manager->ShowNotification("ads");
      manager->CloseFirstWindow();
      RunPostedTasks();
    }
  });
  const base::Value prefs = ReadPrefsFile();
  for (const char* variant : {"browser", "block", "enjoy"}) {
    int count = 0;
    EXPECT_TRUE(base::GetIntegerAt(
        prefs, std::string("notifications.ads.variants_shown.2.") + variant,
        &count));
    EXPECT_EQ(count, 1) << variant;
  }
  int old_count = -1;
  EXPECT_TRUE(base::GetIntegerAt(
      prefs, "notifications.ads.variants_shown.1.block", &old_count));
  EXPECT_EQ(old_count, 5);
}

TEST_F(NotificationManagerTest, AHintWithoutVariantsIsLabelledByVersion) {
  WriteDescription(R"({"ads": {"src": "ads.html", "height": 150,
      "version": 3}})");
  WithManager([&](TavrinMainController*, NotificationManager* manager) {
    manager->ShowNotification("ads");
    BrowserWindow* popup = PopupFor("ads");
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->notification()->variant(), "");
  });
  ASSERT_EQ(sent_.size(), 1u);
  EXPECT_NE(sent_[0].find("&ea=impression_showing&el=ads_v3&sc=start"),
            std::string::npos)
      << sent_[0];
  const base::Value prefs = ReadPrefsFile();
  EXPECT_FALSE(base::FindPath(prefs, "notifications.ads.variants_shown"));
  int total = 0;
  EXPECT_TRUE(
      base::GetIntegerAt(prefs, "notifications.ads.total_shown", &total));
  EXPECT_EQ(total, 1);
}

TEST_F(NotificationManagerTest, DismissDismissAcceptCountsAndCloses) {
  std::vector<int> dismisses;
  WithManager([&](TavrinMainController*, NotificationManager* manager) {
    for (const wchar_t* answer : {L"dismiss", L"dismiss", L"accept"}) {
      manager->ShowNotification("places");
      CallPage("places", answer);
      dismisses.push_back(manager->GetConsecutiveDismisses());
      // The close is posted: the page's call returns first.
      EXPECT_TRUE(manager->HasOpenWindow());
      RunPostedTasks();
      EXPECT_FALSE(manager->HasOpenWindow());
      EXPECT_TRUE(FindPopups().empty());
    }
  });
  EXPECT_EQ(dismisses, std::vector<int>({1, 2, 0}));
  // The click bodies as they go out: the hint's name as label, no value and
  // no session start (the impressions before them took it).
  auto fields_after_type = [](const std::string& body) {
    const size_t start = body.find("&t=event&");
    return start == std::string::npos ? body : body.substr(start);
  };
  std::vector<std::string> dismiss_events = EventsWith("click_dismiss");
  ASSERT_EQ(dismiss_events.size(), 2u);
  for (const std::string& body : dismiss_events) {
    EXPECT_EQ(body.rfind("v=1&tid=UA-6029174-58&cid=", 0), 0u) << body;
    EXPECT_EQ(fields_after_type(body),
              "&t=event&ec=Hint&ea=click_dismiss&el=places");
  }
  std::vector<std::string> accepts = EventsWith("click_accept");
  ASSERT_EQ(accepts.size(), 1u);
  EXPECT_EQ(fields_after_type(accepts[0]),
            "&t=event&ec=Hint&ea=click_accept&el=places");
  // Without an address from the page, accept opens the entry's cta (empty
  // in the shipped content).
  EXPECT_EQ(
      tavrin_test::WaitForLauncherCalls(install_, 1),
      std::vector<std::string>({LauncherCommand(" --from-tavrin=hint ")}));
}

TEST_F(NotificationManagerTest, AcceptOpensTheAddressThePageGives) {
  WithManager([&](TavrinMainController*, NotificationManager* manager) {
    manager->ShowNotification("places");
    // The script's last argument is the one looked at.
    CallPage("places", L"accept",
             {tavrin_test::StringArgument(L"https://example.org/one"),
              tavrin_test::StringArgument(L"https://example.org/two")});
    RunPostedTasks();
    EXPECT_FALSE(manager->HasOpenWindow());
  });
  EXPECT_EQ(tavrin_test::WaitForLauncherCalls(install_, 1),
            std::vector<std::string>({LauncherCommand(
                " --from-tavrin=hint https://example.org/two")}));
}

TEST_F(NotificationManagerTest, AcceptOpensTheStringThePageGivesElseTheCta) {
  WriteDescription(R"({"ads": {"src": "ads.html", "height": 150,
      "cta": "https://example.org/cta", "version": 1}})");
  const struct {
    std::vector<VARIANT> arguments;
    ThisArgument this_argument;
    std::string opened;
  } kCalls[] = {
      {{}, ThisArgument::kAbsent, "https://example.org/cta"},
      {{tavrin_test::IntArgument(7)},
       ThisArgument::kAbsent,
       "https://example.org/cta"},
      {{tavrin_test::StringArgument(L"https://example.org/one")},
       ThisArgument::kAbsent,
       "https://example.org/one"},
      {{tavrin_test::StringArgument(L"https://example.org/this")},
       ThisArgument::kPassed,
       "https://example.org/this"},
  };
  std::vector<std::string> expected;
  WithManager([&](TavrinMainController*, NotificationManager* manager) {
    for (const auto& call : kCalls) {
      manager->ShowNotification("ads");
      CallPage("ads", L"accept", call.arguments, call.this_argument);
      RunPostedTasks();
      EXPECT_FALSE(manager->HasOpenWindow());
      expected.push_back(LauncherCommand(" --from-tavrin=hint " + call.opened));
      // One at a time, so that the calls are recorded in this order.
      tavrin_test::WaitForLauncherCalls(install_, expected.size());
    }
  });
  EXPECT_EQ(tavrin_test::WaitForLauncherCalls(install_, expected.size()),
            expected);
}

TEST_F(NotificationManagerTest, DontShowAgainKeepsThePopupOpen) {
  WithManager([&](TavrinMainController*, NotificationManager* manager) {
    manager->ShowNotification("ads");
    CallPage("ads", L"dontShowAgain", {tavrin_test::BoolArgument(true)});
    EXPECT_TRUE(manager->IsDontShowAgain("ads"));
    CallPage("ads", L"dontShowAgain", {tavrin_test::BoolArgument(false)});
    RunPostedTasks();
    EXPECT_FALSE(manager->IsDontShowAgain("ads"));
    EXPECT_TRUE(manager->HasOpenWindow());
    EXPECT_EQ(manager->GetConsecutiveDismisses(), 0);

    // A later accept still closes it.
    CallPage("ads", L"accept");
    RunPostedTasks();
    EXPECT_FALSE(manager->HasOpenWindow());
  });
  bool flag = true;
  EXPECT_TRUE(base::GetBooleanAt(ReadPrefsFile(),
                                 "notifications.ads.dont_show_again", &flag));
  EXPECT_FALSE(flag);
  EXPECT_EQ(EventsWith("click_do_not_show_again").size(), 2u);
}

TEST_F(NotificationManagerTest, DontShowAgainWithoutABooleanMeansTrue) {
  WithManager([&](TavrinMainController*, NotificationManager* manager) {
    manager->ShowNotification("ads");
    CallPage("ads", L"dontShowAgain", {tavrin_test::StringArgument(L"false")});
    EXPECT_TRUE(manager->IsDontShowAgain("ads"));
    CallPage("ads", L"dontShowAgain", {tavrin_test::BoolArgument(false)});
    EXPECT_FALSE(manager->IsDontShowAgain("ads"));
    CallPage("ads", L"dontShowAgain");
    EXPECT_TRUE(manager->IsDontShowAgain("ads"));
    CallPage("ads", L"dontShowAgain", {tavrin_test::BoolArgument(false)},
             ThisArgument::kPassed);
    EXPECT_FALSE(manager->IsDontShowAgain("ads"));
  });
}

TEST_F(NotificationManagerTest, TrayClickClosesTheOlderOfTwoPopups) {
  WithManager(
      [&](TavrinMainController* controller, NotificationManager* manager) {
        // With none open, the click sends only its own event.
        controller->main_window()->OnTrayNotification(WM_LBUTTONUP, 0, 0);
        RunPostedTasks();
        EXPECT_EQ(sent_.size(), 1u);
        EXPECT_TRUE(EventsWith("closed_by_tray_icon_click").empty());

        manager->ShowNotification("ads");
        manager->ShowNotification("places");
        controller->main_window()->OnTrayNotification(WM_LBUTTONUP, 0, 0);
        RunPostedTasks();
        EXPECT_TRUE(manager->HasOpenWindow());
        EXPECT_FALSE(PopupFor("ads"));
        EXPECT_TRUE(PopupFor("places"));
      });
  std::vector<std::string> closes = EventsWith("closed_by_tray_icon_click");
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_NE(closes[0].find("&el=ads"), std::string::npos);
}

TEST_F(NotificationManagerTest, ACloseForAWindowAlreadyGoneDoesNothing) {
  WithManager([&](TavrinMainController*, NotificationManager* manager) {
    manager->ShowNotification("ads");
    scoped_refptr<Notification> gone = PopupFor("ads")->notification();
    manager->PostCloseWindowForNotification(gone.get());
    RunPostedTasks();
    EXPECT_FALSE(manager->HasOpenWindow());

    manager->ShowNotification("places");
    manager->PostCloseWindowForNotification(gone.get());
    RunPostedTasks();
    EXPECT_TRUE(PopupFor("places"));
    EXPECT_TRUE(manager->HasOpenWindow());
  });
}

TEST_F(NotificationManagerTest, APopupClosedFromOutsideLeavesTheListUncounted) {
  WithManager([&](TavrinMainController*, NotificationManager* manager) {
    for (const tavrin_test::CloseRoute& route : tavrin_test::kCloseRoutes) {
      SCOPED_TRACE(route.name);
      manager->ShowNotification("ads");
      BrowserWindow* popup = PopupFor("ads");
      ASSERT_TRUE(popup);
      const HWND hwnd = popup->hwnd();
      route.close(hwnd);
      // The window object goes in a task of the manager's, not on its own
      // window procedure.
      EXPECT_TRUE(manager->HasOpenWindow());
      RunPostedTasks();
      EXPECT_FALSE(manager->HasOpenWindow());
      EXPECT_FALSE(::IsWindow(hwnd));
      EXPECT_EQ(manager->GetConsecutiveDismisses(), 0);
    }
  });
  // No answer of the user's: only the impressions went out.
  EXPECT_EQ(EventsWith("impression_showing").size(),
            std::size(tavrin_test::kCloseRoutes));
  EXPECT_EQ(sent_.size(), std::size(tavrin_test::kCloseRoutes));
}

TEST_F(NotificationManagerTest, APopupThatCannotBeCreatedRecordsNothing) {
  WritePrefs(R"({"last_shown_notifications": "places", "notifications":
      {"ads": {"last_show_time": 1600000000.5, "total_shown": 3}}})");
  base::TestLogCapture log;
  WithManager([&](TavrinMainController*, NotificationManager* manager) {
    HHOOK hook = ::SetWindowsHookExW(WH_CBT, &RefusePopupCreation, nullptr,
                                     ::GetCurrentThreadId());
    ASSERT_TRUE(hook);
    manager->ShowNotification("ads");
    ::UnhookWindowsHookEx(hook);
    EXPECT_FALSE(manager->HasOpenWindow());
    EXPECT_TRUE(FindPopups().empty());
    EXPECT_EQ(manager->GetLastShowTime("ads").ToDoubleT(), 1600000000.5);
    EXPECT_EQ(manager->GetLastShownNotification(), "places");
  });
  EXPECT_TRUE(log.ContainsPrefix(logging::LOG_ERROR, "No hint shown"));
  EXPECT_TRUE(sent_.empty());
  const base::Value prefs = ReadPrefsFile();
  int total = 0;
  EXPECT_TRUE(
      base::GetIntegerAt(prefs, "notifications.ads.total_shown", &total));
  EXPECT_EQ(total, 3);
  EXPECT_FALSE(base::FindPath(prefs, "notifications.ads.variants_shown"));
}

TEST_F(NotificationManagerTest, AnUnknownHintShowsNothing) {
  // From after the controller's start: under Wine its process monitor logs
  // at error level what WMI lacks.
  std::optional<base::TestLogCapture> log;
  WithManager([&](TavrinMainController*, NotificationManager* manager) {
    log.emplace();
    manager->ShowNotification("weather");
    manager->ShowNotification("ads.src");
    EXPECT_FALSE(manager->HasOpenWindow());
    EXPECT_EQ(manager->GetLastShownNotification(), "");
  });
  EXPECT_TRUE(sent_.empty());
  EXPECT_FALSE(base::FindPath(ReadPrefsFile(), "notifications.weather"));
  ASSERT_TRUE(log);
  for (const auto& message : log->messages())
    EXPECT_LT(message.severity, logging::LOG_ERROR) << message.text;
}

TEST_F(NotificationManagerTest, ADescriptionThatIsNotAnObjectShowsNothing) {
  for (const char* text : std::vector<const char*>(
           {"[{\"ads\": {\"src\": \"ads.html\"}}]", "{ads", nullptr})) {
    SCOPED_TRACE(text ? text : "(missing)");
    if (text) {
      WriteDescription(text);
    } else {
      ASSERT_TRUE(base::DeleteFile(content_ / L"notifications.json", false));
      SetCommandLine({"--disable-file-verification"});
    }
    base::TestLogCapture log;
    WithManager([&](TavrinMainController*, NotificationManager* manager) {
      manager->ShowNotification("ads");
      EXPECT_FALSE(manager->HasOpenWindow());
    });
    EXPECT_TRUE(sent_.empty());
    EXPECT_TRUE(log.ContainsPrefix(logging::LOG_ERROR, "No hint shown"));
  }
}

TEST_F(NotificationManagerTest, ChangedContentShowsNothing) {
  base::TestLogCapture log;
  WithManager([&](TavrinMainController*, NotificationManager* manager) {
    ASSERT_TRUE(base::WriteFile(content_ / L"ads.html", "<p>changed</p>"));
    manager->ShowNotification("ads");
    EXPECT_FALSE(manager->HasOpenWindow());
  });
  EXPECT_TRUE(
      log.Contains(logging::LOG_ERROR, "Files integrity check failed!"));
  EXPECT_TRUE(sent_.empty());
  EXPECT_FALSE(base::FindPath(ReadPrefsFile(), "notifications.ads"));
}

TEST_F(NotificationManagerTest, TheTestNotificationShowsOneSecondAfterInit) {
  SetCommandLine({"--test-notification=ads"});
  WithManager([&](TavrinMainController*, NotificationManager* manager) {
    // Wait for the posted showing, then for the pop-up's own delayed show.
    for (int i = 0; i < 100 && !manager->HasOpenWindow(); ++i) {
      ::Sleep(50);
      RunPostedTasks();
    }
    ASSERT_TRUE(manager->HasOpenWindow());
    BrowserWindow* popup = PopupFor("ads");
    ASSERT_TRUE(popup);
    for (int i = 0; i < 100 && !::IsWindowVisible(popup->hwnd()); ++i) {
      ::Sleep(50);
      RunPostedTasks();
    }
    EXPECT_TRUE(::IsWindowVisible(popup->hwnd()));
  });
  EXPECT_EQ(EventsWith("impression_showing").size(), 1u);
}

}  // namespace
