#include "tests/test/program_runner.h"
#include "base/path_service.h"

#include <windows.h>

#include "gtest/gtest.h"

namespace tavrin_test {
namespace {

base::FilePath SystemProgram(const wchar_t* name) {
  base::FilePath folder;
  base::PathService::Get(base::DIR_SYSTEM, &folder);
  return folder / name;
}

TEST(ProgramRunnerTest, CapturesOutputAndExitCode) {
  ProgramResult result =
      RunProgram(SystemProgram(L"cmd.exe"), L"/c echo captured& exit 7",
                 base::TimeDelta::FromSeconds(30));
  ASSERT_TRUE(result.started);
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(7u, result.exit_code);
  EXPECT_EQ("captured\r\n", result.output);
}

TEST(ProgramRunnerTest, StopsProgramAtTimeLimit) {
  const ULONGLONG start = GetTickCount64();
  // A program that stays until it is ended, and starts nothing of its own
  // that could outlive it (cmd running ping would leave ping behind, holding
  // the test run's output open).
  ProgramResult result =
      RunProgram(GetProgramNextToTest(L"idle_helper.exe"), L"",
                 base::TimeDelta::FromMilliseconds(500));
  ASSERT_TRUE(result.started);
  EXPECT_TRUE(result.timed_out);
  EXPECT_LT(GetTickCount64() - start, 15000u);
}

TEST(ProgramRunnerTest, ReportsProgramThatCannotStart) {
  ProgramResult result =
      RunProgram(GetProgramNextToTest(L"no_such_program.exe"), L"",
                 base::TimeDelta::FromSeconds(5));
  EXPECT_FALSE(result.started);
  EXPECT_TRUE(result.output.empty());
}

}  // namespace
}  // namespace tavrin_test
