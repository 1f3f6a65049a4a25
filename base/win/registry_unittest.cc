#include "base/win/registry.h"

#include <shlwapi.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace base {
namespace win {

namespace {

// A key of the test's own under HKCU, removed with everything below it.
class RegKeyTest : public testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    path_ = L"Software\\TavrinRegKeyTest" +
            std::to_wstring(::GetCurrentProcessId()) + L"_" +
            std::to_wstring(++counter);
    ::SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
  }
  void TearDown() override { ::SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str()); }

  bool KeyExists(const std::wstring& path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
      return false;
    }
    ::RegCloseKey(key);
    return true;
  }

  std::wstring path_;
};

TEST_F(RegKeyTest, OpenOfAMissingKeyFailsAndLeavesItClosed) {
  RegKey key;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            key.Open(HKEY_CURRENT_USER, path_, KEY_QUERY_VALUE));
  EXPECT_FALSE(key.Valid());
  EXPECT_EQ(nullptr, key.Handle());
}

TEST_F(RegKeyTest, CreateMakesEveryMissingKeyAndTellsTheDisposition) {
  const std::wstring nested = path_ + L"\\a\\b";
  RegKey key;
  DWORD disposition = 0;
  ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, nested, KEY_ALL_ACCESS,
                                      &disposition));
  EXPECT_TRUE(key.Valid());
  EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
  EXPECT_TRUE(KeyExists(nested));

  RegKey again;
  ASSERT_EQ(ERROR_SUCCESS,
            again.Create(HKEY_CURRENT_USER, nested, KEY_READ, &disposition));
  EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition);
}

TEST_F(RegKeyTest, CloseTwiceIsHarmlessAndAFailedReopenLeavesItClosed) {
  RegKey key;
  ASSERT_EQ(ERROR_SUCCESS,
            key.Create(HKEY_CURRENT_USER, path_ + L"\\child", KEY_ALL_ACCESS));
  key.Close();
  EXPECT_FALSE(key.Valid());
  key.Close();  // Closing twice is harmless.

  ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, path_, KEY_READ));
  // Opening again over a valid handle replaces it; a failed open leaves the
  // object closed rather than holding the old key.
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            key.Open(HKEY_CURRENT_USER, path_ + L"\\gone", KEY_READ));
  EXPECT_FALSE(key.Valid());
}

TEST_F(RegKeyTest, TheAccessMaskIsTheCallers) {
  RegKey writer;
  ASSERT_EQ(ERROR_SUCCESS,
            writer.Create(HKEY_CURRENT_USER, path_, KEY_ALL_ACCESS));
  RegKey reader;
  ASSERT_EQ(ERROR_SUCCESS,
            reader.Open(HKEY_CURRENT_USER, path_, KEY_QUERY_VALUE));
  EXPECT_EQ(ERROR_ACCESS_DENIED, reader.WriteValue(L"x", 1u));
  EXPECT_FALSE(reader.HasValue(L"x"));
}

TEST_F(RegKeyTest, WritesReadsAndDeletesValues) {
  RegKey key;
  ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, path_,
                                      KEY_QUERY_VALUE | KEY_SET_VALUE));
  ASSERT_EQ(ERROR_SUCCESS,
            key.WriteValue(L"text", std::wstring(L"h\u00e9llo")));
  ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"number", 0xdeadbeefu));
  const BYTE bytes[] = {0, 1, 2, 0xff};
  ASSERT_EQ(ERROR_SUCCESS,
            key.WriteValue(L"bytes", bytes, sizeof(bytes), REG_BINARY));
  ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"empty", nullptr, 0, REG_BINARY));

  std::wstring text;
  EXPECT_EQ(ERROR_SUCCESS, key.ReadValue(L"text", &text));
  EXPECT_EQ(L"h\u00e9llo", text);
  DWORD number = 0;
  EXPECT_EQ(ERROR_SUCCESS, key.ReadValueDW(L"number", &number));
  EXPECT_EQ(0xdeadbeefu, number);
  std::vector<BYTE> data;
  DWORD type = REG_NONE;
  EXPECT_EQ(ERROR_SUCCESS, key.ReadValue(L"bytes", &data, &type));
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
  EXPECT_EQ(std::vector<BYTE>(bytes, bytes + sizeof(bytes)), data);
  data.assign(3, 7);
  EXPECT_EQ(ERROR_SUCCESS, key.ReadValue(L"empty", &data, &type));
  EXPECT_TRUE(data.empty());

  // A value of the wrong type is not read as another.
  EXPECT_EQ(ERROR_UNSUPPORTED_TYPE, key.ReadValueDW(L"text", &number));
  EXPECT_EQ(ERROR_UNSUPPORTED_TYPE, key.ReadValue(L"number", &text));
  EXPECT_EQ(0xdeadbeefu, number);

  EXPECT_TRUE(key.HasValue(L"text"));
  EXPECT_EQ(ERROR_SUCCESS, key.DeleteValue(L"text"));
  EXPECT_FALSE(key.HasValue(L"text"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.DeleteValue(L"text"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.ReadValue(L"text", &text));
}

TEST_F(RegKeyTest, StringsWithoutTerminatorOrWithEmbeddedOnesReadSafely) {
  RegKey key;
  ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, path_,
                                      KEY_QUERY_VALUE | KEY_SET_VALUE));
  // Three characters and a stray odd byte, no terminator.
  const char raw[] = {'a', 0, 'b', 0, 'c', 0, 'x'};
  ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"raw", raw, sizeof(raw), REG_SZ));
  std::wstring text;
  EXPECT_EQ(ERROR_SUCCESS, key.ReadValue(L"raw", &text));
  EXPECT_EQ(L"abc", text);

  const wchar_t two[] = L"one\0two";
  ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"two", two, sizeof(two), REG_SZ));
  EXPECT_EQ(ERROR_SUCCESS, key.ReadValue(L"two", &text));
  EXPECT_EQ(L"one", text);
}

TEST_F(RegKeyTest, TheDefaultValueHasTheEmptyName) {
  RegKey key;
  ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, path_,
                                      KEY_QUERY_VALUE | KEY_SET_VALUE));
  EXPECT_FALSE(key.HasValue(L""));
  ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"", std::wstring(L"default")));
  std::wstring text;
  EXPECT_EQ(ERROR_SUCCESS, key.ReadValue(L"", &text));
  EXPECT_EQ(L"default", text);
}

}  // namespace

}  // namespace win
}  // namespace base
