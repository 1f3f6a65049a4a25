#include "desktop/windows/tavrin/browser_window/browser_window.h"

#include <windows.h>

#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/json/json_reader.h"
#include "base/message_loop/message_loop.h"
#include "base/path_service.h"
#include "base/test/test_log_capture.h"
#include "desktop/windows/tavrin/base_window_factory.h"
#include "desktop/windows/tavrin/browser_window/test/script_call.h"
#include "desktop/windows/tavrin/notification.h"
#include "desktop/windows/tavrin/notifier_path_provider.h"
#include "gtest/gtest.h"

namespace {

int g_ole_create_calls = 0;

HRESULT STDAPICALLTYPE CountingOleCreate(REFCLSID clsid,
                                         REFIID riid,
                                         DWORD render_option,
                                         LPFORMATETC format,
                                         LPOLECLIENTSITE site,
                                         LPSTORAGE storage,
                                         LPVOID* object) {
  ++g_ole_create_calls;
  return ::OleCreate(clsid, riid, render_option, format, site, storage, object);
}

// Stands in for a system on which the browser control cannot be created.
HRESULT STDAPICALLTYPE FailingOleCreate(REFCLSID,
                                        REFIID,
                                        DWORD,
                                        LPFORMATETC,
                                        LPOLECLIENTSITE,
                                        LPSTORAGE,
                                        LPVOID* object) {
  ++g_ole_create_calls;
  *object = nullptr;
  return REGDB_E_CLASSNOTREG;
}

class BrowserWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
    tavrin::RegisterNotifierPathProvider();
    ASSERT_TRUE(base::PathService::Override(
        tavrin::DIR_NOTIFICATIONS,
        base::FilePath(L"C:\\hints\\notifications")));
    SetCommandLine(nullptr);
    g_ole_create_calls = 0;
    BrowserWindow::SetOleCreateForTesting(&CountingOleCreate);
    loop_ = std::make_unique<base::MessageLoop>(base::MessageLoop::TYPE_UI);
  }
  void TearDown() override {
    loop_.reset();
    BrowserWindow::SetOleCreateForTesting(nullptr);
    base::PathService::RemoveOverride(tavrin::DIR_NOTIFICATIONS);
    SetCommandLine(nullptr);
    ::OleUninitialize();
  }

  // The process's own command line, plus the switch |switch_name| when it
  // is given: Init reads the real command line on Windows and ignores the
  // arguments it is given.
  static void SetCommandLine(const char* switch_name) {
    base::CommandLine::Reset();
    base::CommandLine::Init(0, nullptr);
    if (switch_name)
      base::CommandLine::ForCurrentProcess()->AppendSwitch(switch_name);
  }

  static scoped_refptr<Notification> MakeNotification(int height,
                                                      const char* variant) {
    scoped_refptr<Notification> notification = new Notification(
        "ads",
        base::JSONReader::Read(R"({"src": "ads.html", "height": )" +
                               std::to_string(height) + "}")
            .value(),
        nullptr);
    notification->SetVariant(variant);
    return notification;
  }

  // Runs the loop until the pop-up's delayed show is due, and a little more.
  void RunPastShowDelay() {
    loop_->task_runner()->PostDelayedTask(
        FROM_HERE, [this] { loop_->QuitNow(); },
        base::TimeDelta::FromMilliseconds(1300));
    loop_->Run();
  }

  std::unique_ptr<base::MessageLoop> loop_;
};

TEST_F(BrowserWindowTest, PlacesAHiddenRoundedPopupAndShowsItAfterOneSecond) {
  RECT work_area = {};
  ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work_area, 0));
  std::unique_ptr<BrowserWindow> window =
      CreateBaseWindow<BrowserWindow>(::GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(window);
  HWND hwnd = window->hwnd();
  EXPECT_EQ(::GetWindowLongW(hwnd, GWL_STYLE) & WS_POPUP, WS_POPUP);

  window->SetNotification(MakeNotification(200, "b").get());
  RECT placed = {};
  ASSERT_TRUE(::GetWindowRect(hwnd, &placed));
  EXPECT_EQ(placed.left, work_area.right - 12 - 280);
  EXPECT_EQ(placed.top, work_area.bottom - 12 - 200);
  EXPECT_EQ(placed.right - placed.left, 280);
  EXPECT_EQ(placed.bottom - placed.top, 200);
  EXPECT_TRUE(::GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_FALSE(::IsWindowVisible(hwnd));

  // The region: the rounded rectangle over 280 by 200 with 6 by 6 corner
  // ellipses. GDI leaves a round rectangle's last column and row out of
  // the region (Windows does, and Wine with it), so the pop-up's region is
  // compared, pixel by pixel, with the region that very call gives.
  HRGN region = ::CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(::GetWindowRgn(hwnd, region), ERROR);
  HRGN expected = ::CreateRoundRectRgn(0, 0, 280, 200, 6, 6);
  int differing_pixels = 0;
  for (int x = -1; x <= 281; ++x) {
    for (int y = -1; y <= 201; ++y) {
      differing_pixels +=
          !::PtInRegion(region, x, y) != !::PtInRegion(expected, x, y);
    }
  }
  EXPECT_EQ(differing_pixels, 0);
  ::DeleteObject(expected);
  RECT box = {};
  ::GetRgnBox(region, &box);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 0);
  EXPECT_GE(box.right, 279);
  EXPECT_GE(box.bottom, 199);
  EXPECT_FALSE(::PtInRegion(region, 0, 0));
  EXPECT_FALSE(::PtInRegion(region, 278, 198));
  EXPECT_FALSE(::PtInRegion(region, 0, 198));
  EXPECT_TRUE(::PtInRegion(region, 3, 3));
  EXPECT_TRUE(::PtInRegion(region, 140, 0));
  EXPECT_TRUE(::PtInRegion(region, 0, 100));
  EXPECT_TRUE(::PtInRegion(region, 275, 195));
  ::DeleteObject(region);

  RunPastShowDelay();
  EXPECT_TRUE(::IsWindowVisible(hwnd));
  ASSERT_TRUE(::GetWindowRect(hwnd, &placed));
  EXPECT_EQ(placed.left, work_area.right - 292);
  EXPECT_EQ(placed.top, work_area.bottom - 212);
}

TEST_F(BrowserWindowTest, NavigatesToThePageWithTheVariantAsFragment) {
  EXPECT_EQ(BrowserWindow::NavigationUrl(*MakeNotification(150, "block")),
            L"file:///C:/hints/notifications/ads.html#block");
  EXPECT_EQ(BrowserWindow::NavigationUrl(*MakeNotification(150, "")),
            L"file:///C:/hints/notifications/ads.html");

  std::unique_ptr<BrowserWindow> window =
      CreateBaseWindow<BrowserWindow>(::GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(window);
  window->SetNotification(MakeNotification(150, "block").get());
  ASSERT_TRUE(window->web_browser());
  EXPECT_TRUE(window->Navigate());
  // The control is made once.
  EXPECT_TRUE(window->CreateBrowserControl());
  EXPECT_EQ(g_ole_create_calls, 1);
}

TEST_F(BrowserWindowTest, TheControlIsSilentUnlessErrorMessagesAreAsked) {
  for (const char* switch_text :
       {static_cast<const char*>(nullptr), "enable-error-messages"}) {
    SetCommandLine(switch_text);
    std::unique_ptr<BrowserWindow> window =
        CreateBaseWindow<BrowserWindow>(::GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(window);
    window->SetNotification(MakeNotification(150, "").get());
    ASSERT_TRUE(window->web_browser());
    VARIANT_BOOL silent = 42;
    ASSERT_EQ(window->web_browser()->get_Silent(&silent), S_OK);
    EXPECT_EQ(silent, switch_text ? VARIANT_FALSE : VARIANT_TRUE);
  }
}

TEST_F(BrowserWindowTest, AControlThatCannotBeCreatedLeavesAnEmptyPopup) {
  BrowserWindow::SetOleCreateForTesting(&FailingOleCreate);
  base::TestLogCapture log;
  std::unique_ptr<BrowserWindow> window =
      CreateBaseWindow<BrowserWindow>(::GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(window);
  window->SetNotification(MakeNotification(150, "").get());
  EXPECT_TRUE(log.Contains(
      logging::LOG_ERROR,
      "OleCreate failed w/err " + std::to_string(REGDB_E_CLASSNOTREG)));
  EXPECT_FALSE(window->web_browser());
  EXPECT_FALSE(window->Navigate());
  EXPECT_EQ(g_ole_create_calls, 1);

  RunPastShowDelay();
  EXPECT_TRUE(::IsWindowVisible(window->hwnd()));
  // Nothing else went wrong: the window goes cleanly.
  window.reset();
  size_t errors = 0;
  for (const auto& message : log.messages())
    errors += message.severity >= logging::LOG_ERROR;
  EXPECT_EQ(errors, 1u);
}

TEST_F(BrowserWindowTest, APopupClosedWithinTheSecondIsNeverShown) {
  std::unique_ptr<BrowserWindow> window =
      CreateBaseWindow<BrowserWindow>(::GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(window);
  window->SetNotification(MakeNotification(150, "").get());
  HWND hwnd = window->hwnd();
  window.reset();
  EXPECT_FALSE(::IsWindow(hwnd));
  // The delayed show then runs and touches nothing.
  RunPastShowDelay();
  EXPECT_FALSE(::FindWindowW(BrowserWindow::kClassName, nullptr));
}

TEST_F(BrowserWindowTest, ThePopupAndItsSiteLetGoOfTheNotification) {
  // Without a control only our own objects hold the notification: the
  // window and its client site.
  BrowserWindow::SetOleCreateForTesting(&FailingOleCreate);
  scoped_refptr<Notification> notification = MakeNotification(150, "");
  {
    std::unique_ptr<BrowserWindow> window =
        CreateBaseWindow<BrowserWindow>(::GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(window);
    window->SetNotification(notification.get());
    ASSERT_TRUE(window->client_site());
    EXPECT_FALSE(notification->HasOneRef());
  }
  EXPECT_TRUE(notification->HasOneRef());
}

// However the pop-up goes, the owner hears of it once; of its own deletion
// of the window it does not.
TEST_F(BrowserWindowTest, TheOwnerHearsOnceOfEveryCloseButItsOwn) {
  std::vector<tavrin_test::CloseRoute> routes(
      std::begin(tavrin_test::kCloseRoutes),
      std::end(tavrin_test::kCloseRoutes));
  routes.push_back({"deleted by its owner", nullptr});
  for (const tavrin_test::CloseRoute& route : routes) {
    SCOPED_TRACE(route.name);
    std::unique_ptr<BrowserWindow> window =
        CreateBaseWindow<BrowserWindow>(::GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(window);
    window->SetNotification(MakeNotification(150, "").get());
    int calls = 0;
    window->SetClosedCallback([&calls] { ++calls; });
    const HWND hwnd = window->hwnd();
    if (route.close) {
      route.close(hwnd);
      route.close(hwnd);
    }
    EXPECT_EQ(calls, route.close ? 1 : 0);
    window.reset();
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(calls, route.close ? 1 : 0);
  }
}

}  // namespace
