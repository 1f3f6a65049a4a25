#include "desktop/windows/tavrin/base_window.h"

#include <windows.h>

#include "desktop/windows/tavrin/base_window_factory.h"
#include "gtest/gtest.h"

namespace {

// The handle each window object still held when it was destroyed.
HWND g_hwnd_at_destruction = nullptr;

// A window that refuses to be created, as the main window does when the
// shell refuses its tray icon.
class RefusingWindow : public BaseWindow {
 public:
  static constexpr wchar_t kClassName[] = L"Tavrin Test Refusing Window Class";
  static constexpr wchar_t kWindowTitle[] = L"Tavrin Test Refusing Window";
  static constexpr UINT kClassStyle = CS_OWNDC;
  static constexpr DWORD kStyle = WS_DISABLED;
  static constexpr DWORD kExStyle = WS_EX_NOPARENTNOTIFY;

  ~RefusingWindow() {
    g_hwnd_at_destruction = hwnd();
    DestroyWindowIfExists();
  }

  bool OnCreate() override { return false; }
};

// Whatever messages the system sends while it takes a refused window down
// (Wine sends it no WM_DESTROY), the object must not keep the dead
// handle: its destructor would destroy whatever window has come to reuse it.
TEST(BaseWindowTest, RefusedCreationLeavesNoHandleInTheObject) {
  g_hwnd_at_destruction = reinterpret_cast<HWND>(1);
  EXPECT_FALSE(
      CreateBaseWindow<RefusingWindow>(::GetModuleHandleW(nullptr), nullptr));
  EXPECT_EQ(g_hwnd_at_destruction, nullptr);
  EXPECT_EQ(::FindWindowW(RefusingWindow::kClassName, nullptr), nullptr);
}

}  // namespace
