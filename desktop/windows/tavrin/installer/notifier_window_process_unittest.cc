#include "desktop/windows/tavrin/installer/notifier_window_process.h"

#include <windows.h>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

TEST(NotifierWindowProcessTest, SameFilePathDespiteSpelling) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath folder = temp.GetPath() / L"Zażółć gęślą";
  ASSERT_TRUE(base::CreateDirectory(folder));
  const base::FilePath file = folder / L"tavrin.exe";
  ASSERT_TRUE(base::WriteFile(file, "x"));

  EXPECT_TRUE(IsSameFilePath(file, file));
  EXPECT_TRUE(IsSameFilePath(
      file, base::FilePath(folder.native() + L"\\\\TAVRIN.EXE")));
  EXPECT_TRUE(IsSameFilePath(
      file, base::FilePath(folder.native() + L"\\.\\tavrin.exe")));
  // Case is ignored beyond ASCII as well.
  EXPECT_TRUE(
      IsSameFilePath(file, temp.GetPath() / L"ZAŻÓŁĆ GĘŚLĄ" / L"tavrin.exe"));
  EXPECT_FALSE(IsSameFilePath(file, temp.GetPath() / L"tavrin.exe"));
  EXPECT_FALSE(IsSameFilePath(file, folder / L"tavrin.exe.old"));
}

// A window of this process: it is opened only when the executable named is
// this test's own.
TEST(NotifierWindowProcessTest, OpensOnlyTheNamedExecutable) {
  HWND window = ::CreateWindowW(L"STATIC", L"probe", 0, 0, 0, 1, 1, nullptr,
                                nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, window);
  base::FilePath self;
  ASSERT_TRUE(base::PathService::Get(base::FILE_EXE, &self));

  HANDLE process = OpenWindowProcessOf(window, self);
  EXPECT_NE(nullptr, process);
  if (process) {
    EXPECT_EQ(::GetCurrentProcessId(), ::GetProcessId(process));
    ::CloseHandle(process);
  }
  EXPECT_EQ(nullptr,
            OpenWindowProcessOf(window, self.parent_path() / L"tavrin.exe"));
  ::DestroyWindow(window);
}

}  // namespace
}  // namespace installer
