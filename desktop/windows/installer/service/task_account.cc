#include "desktop/windows/installer/service/task_account.h"

#include "desktop/windows/installer/service/access_rights.h"

namespace installer {

namespace {

TaskAccountNameFunction g_account_name_function = nullptr;

}  // namespace

bool GetTaskAccountName(std::wstring* name) {
  if (g_account_name_function)
    return g_account_name_function(name);
  return GetUserNameSamCompatible(name);
}

void SetTaskAccountNameFunctionForTesting(TaskAccountNameFunction function) {
  g_account_name_function = function;
}

}  // namespace installer
