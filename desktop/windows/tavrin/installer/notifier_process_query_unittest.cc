#include "desktop/windows/tavrin/installer/notifier_process_query.h"

#include "gtest/gtest.h"

namespace installer {
namespace {

TEST(NotifierProcessQueryTest, BackslashesAreDoubled) {
  EXPECT_EQ(
      L"SELECT * FROM Win32_Process WHERE ExecutablePath = "
      L"'C:\\\\A\\\\B\\\\tavrin.exe'",
      BuildNotifierProcessQuery(L"C:\\A\\B"));
  // A trailing backslash gives four before the name, which no process has.
  EXPECT_EQ(
      L"SELECT * FROM Win32_Process WHERE ExecutablePath = "
      L"'C:\\\\A\\\\\\\\tavrin.exe'",
      BuildNotifierProcessQuery(L"C:\\A\\"));
}

// Unescaped, the apostrophe would close the literal and break the query.
TEST(NotifierProcessQueryTest, ApostropheIsEscaped) {
  EXPECT_EQ(
      L"SELECT * FROM Win32_Process WHERE ExecutablePath = "
      L"'C:\\\\Users\\\\O\\'Brien\\\\tavrin.exe'",
      BuildNotifierProcessQuery(L"C:\\Users\\O'Brien"));
  EXPECT_EQ(L"a\\'\\'b\\\\", EscapeForWqlString(L"a''b\\"));
  EXPECT_EQ(L"%&^!\"", EscapeForWqlString(L"%&^!\""));
}

TEST(NotifierProcessQueryTest, NoQueryWithoutBackslash) {
  EXPECT_EQ(L"", BuildNotifierProcessQuery(L"Tavrin"));
  EXPECT_EQ(L"", BuildNotifierProcessQuery(L"C:/A/B"));
  EXPECT_EQ(L"", BuildNotifierProcessQuery(L""));
}

}  // namespace
}  // namespace installer
