#include "desktop/windows/installer/service/task_scheduler.h"

#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/task_scheduler_v1.h"
#include "desktop/windows/installer/service/task_scheduler_v2.h"
#include "desktop/windows/product_info/product_info.h"

namespace installer {

namespace {

constexpr wchar_t kNameSeparator[] = L" scheduled ";

std::wstring GetTaskNamePrefix() {
  return base::UTF8ToWide(product_info::GetProductName()) + kNameSeparator;
}

}  // namespace

TaskInfo::TaskInfo(const base::CommandLine& command_line)
    : command_line(command_line) {}

std::wstring GetFullTaskName(const std::wstring& name) {
  return GetTaskNamePrefix() + name;
}

bool IsTaskNameOfThisService(const std::wstring& full_name) {
  // The product name alone would also match tasks of the browser's own
  // updater; the separator makes the name ours.
  return base::StartsWith(full_name, GetTaskNamePrefix(),
                          base::CompareCase::INSENSITIVE_ASCII);
}

// static
std::unique_ptr<TaskScheduler> TaskScheduler::Create() {
  if (base::win::GetVersion() < base::win::VERSION_VISTA)
    return std::make_unique<TaskSchedulerV1>();
  return std::make_unique<TaskSchedulerV2>();
}

}  // namespace installer
