#include "desktop/windows/installer/service/scheduled_task_definition.h"

#include <windows.h>

#include <cwchar>
#include <string>

#include "base/command_line.h"
#include "desktop/windows/installer/service/task_time.h"
#include "gtest/gtest.h"

// Task Scheduler 2.0 under Wine keeps a task's name but drops its triggers,
// actions and principal, so what TaskSchedulerV2 registers is checked here,
// on the definition it applies field by field to the service's objects
// (the update task as a whole: task_scheduler_v2_unittest.cc, on a fake of
// those objects).

namespace installer {
namespace {

constexpr wchar_t kUser[] = L"WORKGROUP\\alice";

// A fixed point in time, in October: daylight saving time in the north,
// summer time in some southern zones, neither in others.
base::Time FixedNow() {
  SYSTEMTIME utc = {2016, 10, 4, 13, 8, 3, 5, 0};
  FILETIME file_time;
  SystemTimeToFileTime(&utc, &file_time);
  return base::Time::FromFileTime(file_time);
}

// The point in time that a boundary text names in the machine's zone, with
// the offset of that date: null when the text is not of the form
// 2016-10-13T08:03:05.
base::Time TimeOfLocalText(const std::wstring& text) {
  SYSTEMTIME local = {};
  wchar_t end = 0;
  if (text.size() != 19 ||
      swscanf(text.c_str(), L"%4hu-%2hu-%2huT%2hu:%2hu:%2hu%lc", &local.wYear,
              &local.wMonth, &local.wDay, &local.wHour, &local.wMinute,
              &local.wSecond, &end) != 6) {
    return base::Time();
  }
  SYSTEMTIME utc;
  FILETIME file_time;
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) ||
      !SystemTimeToFileTime(&utc, &file_time)) {
    return base::Time();
  }
  return base::Time::FromFileTime(file_time);
}

// The installer's own daily update task, filled as the installer fills it.
TaskInfo UpdateTaskInfo(bool all_users) {
  base::CommandLine command_line(
      base::FilePath(L"C:\\Program Files\\Ulvena\\launcher.exe"));
  command_line.AppendSwitch("scheduledautoupdate");
  command_line.AppendSwitchNative("component-name", L"tavrin");
  command_line.AppendSwitchNative("component-path",
                                  L"C:\\Program Files\\Ulvena\\tavrin");
  command_line.AppendArgNative(L"$(Arg0)");
  TaskInfo info(command_line);
  info.name = L"tavrin Autoupdate 1476345785";
  info.description = L"Keeps Ulvena tavrin up to date";
  info.all_users = all_users;
  info.max_run_seconds = 3600;
  info.trigger_kind = TaskInfo::kTriggerDaily;
  info.add_logon_trigger = true;
  info.run_only_if_network = true;
  return info;
}

// Read back in the machine's zone, whatever it is and whatever today's
// offset, the text names the same second.
TEST(ScheduledTaskDefinitionTest, FormatsBoundariesInLocalTimeToTheSecond) {
  EXPECT_EQ(FixedNow(), TimeOfLocalText(FormatTaskTime(FixedNow())));
  const base::Time january = FixedNow() - base::TimeDelta::FromDays(270);
  EXPECT_EQ(january, TimeOfLocalText(FormatTaskTime(january)));
  EXPECT_TRUE(FormatTaskTime(base::Time()).empty());
}

TEST(ScheduledTaskDefinitionTest, AllUsersTaskKeepsTheInstallingUserAsAuthor) {
  const ScheduledTaskDefinition definition = BuildScheduledTaskDefinition(
      UpdateTaskInfo(true), kUser, /*user_is_admin=*/false, FixedNow());
  EXPECT_EQ(kUser, definition.author);
  EXPECT_EQ(L"SYSTEM", definition.user);
  ASSERT_EQ(2u, definition.triggers.size());
  EXPECT_EQ(TASK_TRIGGER_BOOT, definition.triggers[1].type);
  EXPECT_TRUE(definition.triggers[1].user_id.empty());
  EXPECT_FALSE(definition.run_level_highest);
}

TEST(ScheduledTaskDefinitionTest, RunOnceTaskExpiresAtOnceAndIsDeleted) {
  TaskInfo info = UpdateTaskInfo(false);
  info.trigger_kind = TaskInfo::kTriggerOnce;
  info.max_run_seconds = 0;
  const ScheduledTaskDefinition definition =
      BuildScheduledTaskDefinition(info, kUser, false, FixedNow());

  EXPECT_EQ(L"PT0S", definition.execution_time_limit);
  EXPECT_EQ(L"PT0S", definition.delete_expired_task_after);
  // Only the registration trigger, although a logon trigger was asked for.
  ASSERT_EQ(1u, definition.triggers.size());
  const ScheduledTaskTrigger& once = definition.triggers[0];
  EXPECT_EQ(TASK_TRIGGER_REGISTRATION, once.type);
  EXPECT_EQ(L"Run once", once.id);
  EXPECT_TRUE(once.start_boundary.empty());
  EXPECT_EQ(FixedNow() + base::TimeDelta::FromSeconds(30),
            TimeOfLocalText(once.end_boundary));
  EXPECT_TRUE(definition.delete_after_registration);
}

TEST(ScheduledTaskDefinitionTest, NoMainTriggerLeavesOnlyTheLogonTrigger) {
  TaskInfo info = UpdateTaskInfo(false);
  info.trigger_kind = TaskInfo::kTriggerNone;
  ScheduledTaskDefinition definition =
      BuildScheduledTaskDefinition(info, kUser, false, FixedNow());
  ASSERT_EQ(1u, definition.triggers.size());
  EXPECT_EQ(TASK_TRIGGER_LOGON, definition.triggers[0].type);
  EXPECT_FALSE(definition.delete_after_registration);

  // An unknown kind is no main trigger either.
  info.trigger_kind = 7;
  info.add_logon_trigger = false;
  definition = BuildScheduledTaskDefinition(info, kUser, false, FixedNow());
  EXPECT_TRUE(definition.triggers.empty());
}

TEST(ScheduledTaskDefinitionTest, NetworkConditionFollowsTheTaskInfo) {
  TaskInfo info = UpdateTaskInfo(false);
  info.run_only_if_network = false;
  EXPECT_FALSE(BuildScheduledTaskDefinition(info, kUser, false, FixedNow())
                   .run_only_if_network_available);
}

}  // namespace
}  // namespace installer
