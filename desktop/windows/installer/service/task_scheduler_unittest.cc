#include "desktop/windows/installer/service/task_scheduler.h"

#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/task_scheduler_v1.h"
#include "desktop/windows/installer/service/task_scheduler_v2.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

TEST(TaskSchedulerTest, FullNameIsProductScheduledShortName) {
  EXPECT_EQ(L"Ulvena scheduled tavrin Autoupdate 1476345785",
            GetFullTaskName(L"tavrin Autoupdate 1476345785"));
}

TEST(TaskSchedulerTest, OnlyNamesOfThisServiceAreOurs) {
  EXPECT_TRUE(IsTaskNameOfThisService(GetFullTaskName(L"tavrin Autoupdate 1")));
  EXPECT_TRUE(IsTaskNameOfThisService(L"ulvena SCHEDULED tavrin Autoupdate 1"));
  EXPECT_TRUE(IsTaskNameOfThisService(L"Ulvena scheduled "));
  // The bare separator, the product's other tasks and other products.
  EXPECT_FALSE(IsTaskNameOfThisService(L" scheduled tavrin Autoupdate 1"));
  EXPECT_FALSE(IsTaskNameOfThisService(L"Ulvena Update Task"));
  EXPECT_FALSE(IsTaskNameOfThisService(L"Ulvena scheduledtavrin"));
  EXPECT_FALSE(IsTaskNameOfThisService(L"Other scheduled tavrin Autoupdate 1"));
  EXPECT_FALSE(IsTaskNameOfThisService(L""));
}

TEST(TaskSchedulerTest, TaskInfoDefaults) {
  const base::CommandLine command_line(base::FilePath(L"C:\\a\\launcher.exe"));
  const TaskInfo info(command_line);
  EXPECT_EQ(L"C:\\a\\launcher.exe", info.command_line.GetProgram().native());
  EXPECT_TRUE(info.name.empty());
  EXPECT_TRUE(info.description.empty());
  EXPECT_FALSE(info.all_users);
  EXPECT_EQ(0, info.max_run_seconds);
  EXPECT_EQ(TaskInfo::kTriggerDaily, info.trigger_kind);
  EXPECT_FALSE(info.add_logon_trigger);
  EXPECT_FALSE(info.run_only_if_network);
}

TEST(TaskSchedulerTest, CreateChoosesTheServiceOfTheSystem) {
  std::unique_ptr<TaskScheduler> scheduler = TaskScheduler::Create();
  ASSERT_TRUE(scheduler);
  if (base::win::GetVersion() >= base::win::VERSION_VISTA)
    EXPECT_TRUE(dynamic_cast<TaskSchedulerV2*>(scheduler.get()));
  else
    EXPECT_TRUE(dynamic_cast<TaskSchedulerV1*>(scheduler.get()));
}

}  // namespace
}  // namespace installer
