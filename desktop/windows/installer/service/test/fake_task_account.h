#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_FAKE_TASK_ACCOUNT_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_FAKE_TASK_ACCOUNT_H_

#include <string>

namespace installer {
namespace test {

// Stand-ins for the user-name lookup of the task services
// (SetTaskAccountNameFunctionForTesting): a fixed account, and a lookup
// that fails.
constexpr wchar_t kUser[] = L"TESTDOMAIN\\tester";

inline bool FakeAccountName(std::wstring* name) {
  *name = kUser;
  return true;
}

inline bool FailingAccountName(std::wstring*) {
  return false;
}

}  // namespace test
}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_FAKE_TASK_ACCOUNT_H_
