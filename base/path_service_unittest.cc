#include "base/path_service.h"

#include <windows.h>

#include "base/files/file_util.h"
#include "base/strings/string_util.h"
#include "gtest/gtest.h"

namespace base {
namespace {

TEST(PathServiceTest, BaseKeys) {
  FilePath exe;
  ASSERT_TRUE(PathService::Get(FILE_EXE, &exe));
  EXPECT_TRUE(EndsWith(exe.native(), L"\\base_unittests.exe",
                       CompareCase::INSENSITIVE_ASCII))
      << exe;
  EXPECT_TRUE(PathExists(exe));

  FilePath dir;
  ASSERT_TRUE(PathService::Get(DIR_EXE, &dir));
  EXPECT_EQ(exe.parent_path(), dir);

  // base is linked statically, so this module is the program.
  FilePath module;
  ASSERT_TRUE(PathService::Get(FILE_MODULE, &module));
  EXPECT_EQ(exe, module);
  ASSERT_TRUE(PathService::Get(DIR_MODULE, &module));
  EXPECT_EQ(dir, module);

  for (int key :
       {DIR_TEMP, DIR_CURRENT, DIR_APP_DATA, DIR_LOCAL_APP_DATA, DIR_SYSTEM}) {
    FilePath path;
    ASSERT_TRUE(PathService::Get(key, &path)) << key;
    EXPECT_TRUE(path.is_absolute()) << key << " " << path;
  }
  FilePath roaming;
  FilePath local;
  ASSERT_TRUE(PathService::Get(DIR_APP_DATA, &roaming));
  ASSERT_TRUE(PathService::Get(DIR_LOCAL_APP_DATA, &local));
  EXPECT_NE(roaming, local);

  FilePath none;
  EXPECT_FALSE(PathService::Get(PATH_START, &none));
  EXPECT_FALSE(PathService::Get(PATH_END, &none));
  EXPECT_FALSE(PathService::Get(123456, &none));
}

// Keys of this test's own providers.
enum { kKeyA = 5000, kKeyB, kKeyC, kKeyNested, kKeyEnd };

bool OlderProvider(int key, FilePath* result) {
  *result = FilePath(L"C:\\older") / std::to_wstring(key);
  return true;
}

bool NewerProvider(int key, FilePath* result) {
  if (key == kKeyB)
    return false;  // Leaves the key to the older provider.
  if (key == kKeyNested) {
    // A provider may ask the service for another key.
    FilePath base;
    if (!PathService::Get(kKeyA, &base))
      return false;
    *result = base / L"nested";
    return true;
  }
  *result = FilePath(L"C:\\newer") / std::to_wstring(key);
  return true;
}

TEST(PathServiceTest, ProvidersAndOverrides) {
  PathService::RegisterProvider(&OlderProvider, kKeyA, kKeyEnd);
  PathService::RegisterProvider(&NewerProvider, kKeyA, kKeyC);

  FilePath path;
  ASSERT_TRUE(PathService::Get(kKeyA, &path));
  EXPECT_EQ(FilePath(L"C:\\newer\\5000"), path);
  ASSERT_TRUE(PathService::Get(kKeyB, &path));
  EXPECT_EQ(FilePath(L"C:\\older\\5001"), path);
  // Outside the newer provider's range.
  ASSERT_TRUE(PathService::Get(kKeyNested, &path));
  EXPECT_EQ(FilePath(L"C:\\older\\5003"), path);
  EXPECT_FALSE(PathService::Get(kKeyEnd, &path));

  EXPECT_TRUE(PathService::Override(kKeyA, FilePath(L"D:\\override")));
  ASSERT_TRUE(PathService::Get(kKeyA, &path));
  EXPECT_EQ(FilePath(L"D:\\override"), path);
  EXPECT_TRUE(PathService::Override(FILE_EXE, FilePath(L"D:\\fake.exe")));
  ASSERT_TRUE(PathService::Get(FILE_EXE, &path));
  EXPECT_EQ(FilePath(L"D:\\fake.exe"), path);
  EXPECT_FALSE(PathService::Override(kKeyA, FilePath()));

  EXPECT_TRUE(PathService::RemoveOverride(kKeyA));
  EXPECT_FALSE(PathService::RemoveOverride(kKeyA));
  EXPECT_TRUE(PathService::RemoveOverride(FILE_EXE));
  ASSERT_TRUE(PathService::Get(kKeyA, &path));
  EXPECT_EQ(FilePath(L"C:\\newer\\5000"), path);
  ASSERT_TRUE(PathService::Get(FILE_EXE, &path));
  EXPECT_NE(FilePath(L"D:\\fake.exe"), path);
}

TEST(PathServiceTest, NestedLookupThroughProvider) {
  PathService::RegisterProvider(&NewerProvider, kKeyNested, kKeyEnd);
  FilePath path;
  ASSERT_TRUE(PathService::Get(kKeyNested, &path));
  EXPECT_TRUE(EndsWith(path.native(), L"\\nested")) << path;
}

}  // namespace
}  // namespace base
