#include "desktop/windows/tavrin/installer/batch_file_path.h"

#include <windows.h>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/utf_string_conversions.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

std::wstring LongPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH];
  const DWORD length = ::GetLongPathNameW(path.c_str(), buffer, MAX_PATH);
  EXPECT_TRUE(length && length < MAX_PATH) << path;
  return length && length < MAX_PATH ? std::wstring(buffer, length)
                                     : std::wstring();
}

TEST(BatchFilePathTest, PercentIsDoubledAndTheRestKept) {
  const BatchFilePath path =
      ToBatchFilePath(base::FilePath(L"C:\\100% & ^up!\\O'Brien\\a%b%c.txt"));
  EXPECT_EQ("C:\\100%% & ^up!\\O'Brien\\a%%b%%c.txt", path.text);
  EXPECT_FALSE(path.needs_utf8_code_page);
}

// A folder with letters outside ASCII goes by its ASCII short name where the
// file system has one (it does here), which names the same folder.
TEST(BatchFilePathTest, NonAsciiFolderByShortName) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath folder = temp.GetPath() / L"Zażółć Привет 中文";
  ASSERT_TRUE(base::CreateDirectory(folder));
  const BatchFilePath path = ToBatchFilePath(folder);
  ASSERT_FALSE(path.needs_utf8_code_page) << path.text;
  EXPECT_TRUE(base::IsStringASCII(path.text)) << path.text;
  EXPECT_NE(path.text.find('~'), std::string::npos) << path.text;
  // The short name leads to the same folder (compared in long form, as
  // the temporary folder's own path may come in either).
  EXPECT_EQ(LongPath(folder.native()), LongPath(base::UTF8ToWide(path.text)));
}

// Without a short name (the path does not exist, or 8.3 names are off) the
// path is written in UTF-8, and the script must switch cmd to 65001.
TEST(BatchFilePathTest, NonAsciiWithoutShortNameIsUtf8) {
  const BatchFilePath path =
      ToBatchFilePath(base::FilePath(L"C:\\no such folder\\Zażółć 100%"));
  EXPECT_TRUE(path.needs_utf8_code_page);
  EXPECT_EQ(base::WideToUTF8(L"C:\\no such folder\\Zażółć 100%%"), path.text);
}

}  // namespace
}  // namespace installer
