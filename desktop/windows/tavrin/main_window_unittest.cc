#include "desktop/windows/tavrin/main_window.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/at_exit.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/message_loop/message_loop.h"
#include "base/path_service.h"
#include "base/test/scoped_path_override.h"
#include "base/test/test_log_capture.h"
#include "desktop/windows/rc_l10n_handler/rc_l10n_handler.h"
#include "desktop/windows/tavrin/analytics/analytics.h"
#include "desktop/windows/tavrin/base_window_factory.h"
#include "desktop/windows/tavrin/notifier_path_provider.h"
#include "desktop/windows/tavrin/test/launcher_layout.h"
#include "gtest/gtest.h"

// These tests run under Xvfb, where Wine's shell keeps a real tray. Every
// tray call is recorded on its way to the shell. The test program's string
// tables hold English and a French table whose tray tip is too long.

namespace {

struct TrayCall {
  DWORD message;
  NOTIFYICONDATAW data;
};
std::vector<TrayCall>* g_tray_calls = nullptr;
DWORD g_refused_message = ~0u;

BOOL WINAPI RecordingShellNotifyIcon(DWORD message, NOTIFYICONDATAW* data) {
  if (g_tray_calls)
    g_tray_calls->push_back({message, *data});
  if (message == g_refused_message)
    return FALSE;
  return ::Shell_NotifyIconW(message, data);
}

// Whether the shell still knows the icon of |hwnd|.
bool TrayIconExists(HWND hwnd) {
  NOTIFYICONDATAW data = {};
  data.cbSize = sizeof(data);
  data.hWnd = hwnd;
  data.uID = MainWindow::kTrayIconId;
  data.uFlags = NIF_TIP;
  wcscpy(data.szTip, L"probe");
  return ::Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

// What the tray menu showed, read while it was open.
struct MenuItem {
  UINT id;
  UINT state;
  std::wstring text;
};
std::vector<MenuItem> g_menu_items;
RECT g_menu_rect;
bool g_menu_seen = false;

void CALLBACK ReadAndCloseMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND menu_window = ::FindWindowW(L"#32768", nullptr);
  if (!menu_window || !::IsWindowVisible(menu_window))
    return;
  ::KillTimer(nullptr, timer);
  g_menu_seen = true;
  ::GetWindowRect(menu_window, &g_menu_rect);
  HMENU menu =
      reinterpret_cast<HMENU>(::SendMessageW(menu_window, MN_GETHMENU, 0, 0));
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    wchar_t text[64] = {};
    MENUITEMINFOW item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_ID | MIIM_STATE | MIIM_STRING;
    item.dwTypeData = text;
    item.cch = 64;
    ::GetMenuItemInfoW(menu, i, TRUE, &item);
    g_menu_items.push_back({item.wID, item.fState, text});
  }
  ::EndMenu();
}

class MainWindowTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { tavrin::RegisterNotifierPathProvider(); }

  void SetUp() override {
    g_tray_calls = &tray_calls_;
    g_refused_message = ~0u;
    MainWindow::SetShellNotifyIconForTesting(&RecordingShellNotifyIcon);
    RcL10nHandler::GetInstance()->Init(L"en");
    // The browser installation: launcher.exe above the notifier's folder.
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    install_ = temp_.GetPath() / L"install";
    exe_dir_ = install_ / L"tavrin";
    ASSERT_TRUE(base::CreateDirectory(exe_dir_));
    ASSERT_TRUE(tavrin_test::InstallFakeLauncher(install_));
    ASSERT_TRUE(exe_dir_override_.emplace(base::DIR_EXE, exe_dir_).Succeeded());
  }
  void TearDown() override {
    window_.reset();
    exe_dir_override_.reset();
    MainWindow::SetShellNotifyIconForTesting(nullptr);
    g_tray_calls = nullptr;
  }

  void MakeWindow() {
    window_ =
        CreateBaseWindow<MainWindow>(::GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(window_);
    ASSERT_TRUE(window_->hwnd());
  }

  // Runs the loop until the window's close quits it; false if it does not
  // within 10 seconds.
  bool RunUntilQuit() {
    bool timed_out = false;
    loop_.task_runner()->PostDelayedTask(
        FROM_HERE,
        [this, &timed_out] {
          timed_out = true;
          loop_.QuitNow();
        },
        base::TimeDelta::FromSeconds(10));
    loop_.Run();
    return !timed_out;
  }

  std::string LauncherCommand(const std::string& tail) const {
    return tavrin_test::LauncherCommandFor(exe_dir_, tail);
  }

  base::AtExitManager exit_manager_;
  base::MessageLoop loop_{base::MessageLoop::TYPE_UI};
  base::ScopedTempDir temp_;
  base::FilePath install_;
  base::FilePath exe_dir_;
  std::optional<base::ScopedPathOverride> exe_dir_override_;
  std::vector<TrayCall> tray_calls_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, IsAHiddenDisabledWindowWithATrayIcon) {
  MakeWindow();
  HWND hwnd = window_->hwnd();
  EXPECT_EQ(::FindWindowW(L"Ulvena Tavrin Main Window Class",
                          L"Ulvena Tavrin Main Window"),
            hwnd);
  EXPECT_FALSE(::IsWindowVisible(hwnd));
  EXPECT_FALSE(::IsWindowEnabled(hwnd));
  EXPECT_EQ(::GetClassLongW(hwnd, GCL_STYLE), static_cast<DWORD>(CS_OWNDC));
  EXPECT_TRUE(::GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_NOPARENTNOTIFY);

  ASSERT_EQ(tray_calls_.size(), 2u);
  const NOTIFYICONDATAW& add = tray_calls_[0].data;
  EXPECT_EQ(tray_calls_[0].message, static_cast<DWORD>(NIM_ADD));
  // The whole structure of this Windows version's shell: 956 bytes in the
  // shipped 32-bit program.
  EXPECT_EQ(add.cbSize, sizeof(NOTIFYICONDATAW));
#if !defined(_WIN64)
  static_assert(sizeof(NOTIFYICONDATAW) == 956);
#endif
  EXPECT_EQ(add.hWnd, hwnd);
  EXPECT_EQ(add.uID, 1u);
  EXPECT_EQ(add.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(add.uCallbackMessage, static_cast<UINT>(WM_USER + 1));
  EXPECT_NE(add.hIcon, nullptr);
  EXPECT_STREQ(add.szTip, L"Ulvena");
  EXPECT_EQ(tray_calls_[1].message, static_cast<DWORD>(NIM_SETVERSION));
  EXPECT_EQ(tray_calls_[1].data.uVersion, 4u);
  EXPECT_TRUE(TrayIconExists(hwnd));
}

TEST_F(MainWindowTest, ASecondWindowReusesTheRegisteredClass) {
  MakeWindow();
  auto second =
      CreateBaseWindow<MainWindow>(::GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(second);
  EXPECT_EQ(::GetClassLongW(second->hwnd(), GCW_ATOM),
            ::GetClassLongW(window_->hwnd(), GCW_ATOM));
  HWND second_hwnd = second->hwnd();
  second.reset();
  // Destroying the object destroys its window.
  EXPECT_FALSE(::IsWindow(second_hwnd));
}

TEST_F(MainWindowTest, LongTipIsCutToTheField) {
  RcL10nHandler::GetInstance()->Init(L"fr");
  MakeWindow();
  ASSERT_FALSE(tray_calls_.empty());
  std::wstring full = RcL10nHandler::GetInstance()->GetString(38028);
  ASSERT_GT(full.size(), 127u);
  EXPECT_EQ(std::wstring(tray_calls_[0].data.szTip), full.substr(0, 127));
}

TEST_F(MainWindowTest, RefusedTrayIconMeansNoWindow) {
  base::TestLogCapture log(/*verbosity=*/0);
  for (DWORD refused :
       {static_cast<DWORD>(NIM_ADD), static_cast<DWORD>(NIM_SETVERSION)}) {
    tray_calls_.clear();
    log.Clear();
    g_refused_message = refused;
    EXPECT_FALSE(
        CreateBaseWindow<MainWindow>(::GetModuleHandleW(nullptr), nullptr));
    EXPECT_EQ(::FindWindowW(MainWindow::kClassName, MainWindow::kWindowTitle),
              nullptr);
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0].text.rfind(
                  "Failed to construct window Ulvena Tavrin Main Window, "
                  "LastError = ",
                  0),
              0u);
  }
  // An icon that was added is taken away with the window.
  EXPECT_EQ(tray_calls_.back().message, static_cast<DWORD>(NIM_DELETE));
}

TEST_F(MainWindowTest, CloseRemovesTheIconAndQuitsTheLoop) {
  MakeWindow();
  HWND hwnd = window_->hwnd();
  tray_calls_.clear();
  ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
  ASSERT_TRUE(RunUntilQuit());
  ASSERT_EQ(tray_calls_.size(), 1u);
  EXPECT_EQ(tray_calls_[0].message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(tray_calls_[0].data.hWnd, hwnd);
  EXPECT_EQ(tray_calls_[0].data.uID, 1u);
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_EQ(window_->hwnd(), nullptr);
  EXPECT_FALSE(TrayIconExists(hwnd));
}

TEST_F(MainWindowTest, CloseItemClosesTheWindow) {
  MakeWindow();
  HWND hwnd = window_->hwnd();
  // An accelerator with the same id is not a menu choice.
  ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(MainWindow::kCloseCommand, 1), 0);
  loop_.RunUntilIdle();
  EXPECT_TRUE(::IsWindow(hwnd));

  ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(MainWindow::kCloseCommand, 0), 0);
  ASSERT_TRUE(RunUntilQuit());
  EXPECT_FALSE(::IsWindow(hwnd));
}

TEST_F(MainWindowTest, LaunchItemStartsTheBrowser) {
  MakeWindow();
  ::SendMessageW(window_->hwnd(), WM_COMMAND,
                 MAKEWPARAM(MainWindow::kLaunchCommand, 1), 0);
  ::SendMessageW(window_->hwnd(), WM_COMMAND,
                 MAKEWPARAM(MainWindow::kLaunchCommand, 0), 0);
  std::vector<std::string> calls =
      tavrin_test::WaitForLauncherCalls(install_, 1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], LauncherCommand(" --from-tavrin "));
  // The accelerator started nothing.
  ::Sleep(1000);
  EXPECT_EQ(tavrin_test::WaitForLauncherCalls(install_, 1).size(), 1u);
}

TEST_F(MainWindowTest, LeftClickOnTheIconStartsTheBrowser) {
  base::AtExitManager exit_manager;
  // The click is reported before the browser starts.
  std::vector<std::string> sent;
  Analytics::GetInstance()->SetPostCallbackForTesting(
      [this, &sent](const std::string& body) {
        sent.push_back(body);
        EXPECT_FALSE(base::PathExists(install_ / L"launcher_calls.txt"));
      });
  MakeWindow();
  const UINT callback = MainWindow::kTrayCallbackMessage;
  // Events other than the click and the context menu do nothing.
  ::SendMessageW(window_->hwnd(), callback, MAKEWPARAM(10, 20),
                 MAKELPARAM(WM_MOUSEMOVE, 1));
  ::SendMessageW(window_->hwnd(), callback, MAKEWPARAM(10, 20),
                 MAKELPARAM(WM_LBUTTONUP, 1));
  EXPECT_EQ(sent, std::vector<std::string>(
                      {"v=1&tid=&cid=&t=event&ec=Tray&ea=click"}));
  std::vector<std::string> calls =
      tavrin_test::WaitForLauncherCalls(install_, 1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], LauncherCommand(" --from-tavrin "));
}

TEST_F(MainWindowTest, ContextMenuOffersLaunchAndClose) {
  MakeWindow();
  g_menu_items.clear();
  g_menu_seen = false;
  UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &ReadAndCloseMenu);
  // Returns once the menu has been read and closed.
  ::SendMessageW(window_->hwnd(), MainWindow::kTrayCallbackMessage,
                 MAKEWPARAM(300, 400), MAKELPARAM(WM_CONTEXTMENU, 1));
  ::KillTimer(nullptr, timer);
  ASSERT_TRUE(g_menu_seen);
  ASSERT_EQ(g_menu_items.size(), 2u);
  EXPECT_EQ(g_menu_items[0].id, 100u);
  EXPECT_EQ(g_menu_items[0].text, L"Launch ulvena");
  EXPECT_TRUE(g_menu_items[0].state & MFS_DEFAULT);
  EXPECT_EQ(g_menu_items[1].id, 101u);
  EXPECT_EQ(g_menu_items[1].text, L"Close");
  EXPECT_FALSE(g_menu_items[1].state & MFS_DEFAULT);
  // Anchored with its bottom-left corner at the call-back's point.
  EXPECT_EQ(g_menu_rect.left, 300);
  EXPECT_EQ(g_menu_rect.bottom, 400);
  // Closing the menu without a choice leaves the notifier running.
  loop_.RunUntilIdle();
  EXPECT_TRUE(::IsWindow(window_->hwnd()));
}

}  // namespace
