// The window tests share one tray icon of their own for the whole run (see
// TrayKeeper).

#include "desktop/windows/tavrin/test/tray_keeper.h"
#include "gtest/gtest.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  tavrin_test::TrayKeeper tray_keeper;
  return RUN_ALL_TESTS();
}
