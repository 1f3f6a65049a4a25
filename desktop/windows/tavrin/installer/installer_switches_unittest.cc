#include "desktop/windows/tavrin/installer/installer_switches.h"

#include <string>

#include "base/command_line.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

bool CopyOnlyFor(const std::wstring& arguments) {
  return IsSwitchSetToOne(
      base::CommandLine::FromString(L"tavrin_installer.exe " + arguments),
      switches::kCopyOnly);
}

TEST(InstallerSwitchesTest, ChoiceIsOnlyForTheValueOne) {
  EXPECT_TRUE(CopyOnlyFor(L"--copyonly=1"));
  EXPECT_TRUE(CopyOnlyFor(L"/copyonly=1"));
  EXPECT_TRUE(CopyOnlyFor(L"-CopyOnly=1"));
  EXPECT_TRUE(CopyOnlyFor(L"--installfolder=C:\\x --copyonly=1"));
  EXPECT_TRUE(CopyOnlyFor(L"\"--copyonly=1\""));

  EXPECT_FALSE(CopyOnlyFor(L""));
  EXPECT_FALSE(CopyOnlyFor(L"--copyonly"));
  EXPECT_FALSE(CopyOnlyFor(L"--copyonly="));
  EXPECT_FALSE(CopyOnlyFor(L"--copyonly=true"));
  EXPECT_FALSE(CopyOnlyFor(L"--copyonly=yes"));
  EXPECT_FALSE(CopyOnlyFor(L"--copyonly=01"));
  EXPECT_FALSE(CopyOnlyFor(L"--copyonly=1.0"));
  EXPECT_FALSE(CopyOnlyFor(L"--copyonly=0"));
  EXPECT_FALSE(CopyOnlyFor(L"\"--copyonly= 1\""));
  EXPECT_FALSE(CopyOnlyFor(L"--copyonly=\xFF11"));  // Fullwidth digit one.
  EXPECT_FALSE(CopyOnlyFor(L"--allusers=1"));
  EXPECT_FALSE(CopyOnlyFor(L"copyonly=1"));
}

TEST(InstallerSwitchesTest, ChoicesAreIndependent) {
  const base::CommandLine command_line = base::CommandLine::FromString(
      L"tavrin_installer.exe --allusers=1 --copyonly=true");
  EXPECT_TRUE(IsSwitchSetToOne(command_line, switches::kAllUsers));
  EXPECT_FALSE(IsSwitchSetToOne(command_line, switches::kCopyOnly));
}

}  // namespace
}  // namespace installer
