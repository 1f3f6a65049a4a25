#include "desktop/windows/tavrin/test/tray_keeper.h"

#include <shellapi.h>

namespace tavrin_test {

namespace {

constexpr UINT kKeeperIconId = 77;

NOTIFYICONDATAW KeeperIcon(HWND window) {
  NOTIFYICONDATAW data = {};
  data.cbSize = sizeof(data);
  data.hWnd = window;
  data.uID = kKeeperIconId;
  return data;
}

}  // namespace

TrayKeeper::TrayKeeper() {
  window_ = ::CreateWindowExW(0, L"STATIC", L"tray keeper", 0, 0, 0, 0, 0,
                              nullptr, nullptr, nullptr, nullptr);
  NOTIFYICONDATAW data = KeeperIcon(window_);
  data.uFlags = NIF_ICON;
  data.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  ::Shell_NotifyIconW(NIM_ADD, &data);
}

TrayKeeper::~TrayKeeper() {
  NOTIFYICONDATAW data = KeeperIcon(window_);
  ::Shell_NotifyIconW(NIM_DELETE, &data);
  ::DestroyWindow(window_);
}

}  // namespace tavrin_test
