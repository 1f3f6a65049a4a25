#include "desktop/windows/installer/service/registry_entry.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/strings/utf_string_conversions.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/registry_entry_delegate.h"
#include "desktop/windows/installer/service/test/test_registry_tree.h"
#include "desktop/windows/installer/service/transactions/change_reg_value_operation.h"
#include "desktop/windows/installer/service/transactions/delete_reg_key_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

// Stands in for the installer: one variable, and a log list per root.
class FakeDelegate : public RegistryEntryDelegate {
 public:
  std::wstring ResolveVariable(const std::wstring& name) override {
    ++resolved;
    return name == L"InstallFolder" ? install_folder : name;
  }
  std::vector<RegistryKeyRecord>* GetRegistryLog(HKEY root) override {
    if (!record)
      return nullptr;
    return root == HKEY_LOCAL_MACHINE ? &hklm_keys : &hkcu_keys;
  }

  std::wstring install_folder = L"C:\\P\\T";
  bool record = true;
  int resolved = 0;
  std::vector<RegistryKeyRecord> hklm_keys;
  std::vector<RegistryKeyRecord> hkcu_keys;
};

RegistryTableRow Row(const wchar_t* key_path,
                     const wchar_t* value_name,
                     int type,
                     RegistryRowData data) {
  return {key_path, value_name, type, data, base::win::VERSION_XP,
          nullptr,  0,          0};
}

class RegistryEntryTest : public ::testing::Test {
 protected:
  // The operation for |row| under |root|, asserted to exist.
  std::unique_ptr<Operation> Create(const RegistryTableRow& row, HKEY root) {
    RegistryEntry entry(row, &delegate_);
    std::unique_ptr<Operation> operation;
    EXPECT_TRUE(entry.CreateOperation(root, &operation));
    EXPECT_TRUE(operation);
    return operation;
  }

  FakeDelegate delegate_;
};

// Rows of the test's own key tree, so that each operation can be run and
// what it writes read back.
class RegistryEntryWriteTest : public RegistryEntryTest {
 protected:
  void SetUp() override { ASSERT_TRUE(tree_.created()); }

  std::optional<TestRegistryValue> RunAndRead(const RegistryTableRow& row,
                                              const wchar_t* value_name) {
    Transaction transaction;
    EXPECT_TRUE(transaction.Execute(Create(row, tree_.root())));
    return tree_.ReadValue(L"", value_name);
  }

  TestRegistryTree tree_{HKEY_CURRENT_USER};
};

TEST_F(RegistryEntryWriteTest, StringWithInstallFolder) {
  const RegistryTableRow row =
      Row(tree_.path().c_str(), L"Ulvena Tavrin", REGISTRY_ROW_STRING,
          {.text = L"{InstallFolder}\\tavrin.exe"});
  std::optional<TestRegistryValue> value = RunAndRead(row, L"Ulvena Tavrin");
  ASSERT_TRUE(value);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), value->type);
  ASSERT_EQ(36u, value->data.size());
  EXPECT_STREQ(L"C:\\P\\T\\tavrin.exe",
               reinterpret_cast<const wchar_t*>(value->data.data()));

  ASSERT_EQ(1u, delegate_.hkcu_keys.size());
  EXPECT_TRUE(delegate_.hklm_keys.empty());
  const RegistryKeyRecord& key = delegate_.hkcu_keys[0];
  EXPECT_EQ(base::WideToUTF8(tree_.path()), key.path);
  ASSERT_EQ(1u, key.values.size());
  EXPECT_EQ(
      RegistryValueRecord("REG_SZ", "Ulvena Tavrin", "C:\\P\\T\\tavrin.exe"),
      key.values[0]);
}

TEST_F(RegistryEntryWriteTest, DwordBinaryAndNone) {
  std::optional<TestRegistryValue> value = RunAndRead(
      Row(tree_.path().c_str(), L"d", REGISTRY_ROW_DWORD, {.number = 9000}),
      L"d");
  ASSERT_TRUE(value);
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value->type);
  ASSERT_EQ(4u, value->data.size());
  EXPECT_EQ(9000u, *reinterpret_cast<const DWORD*>(value->data.data()));

  value = RunAndRead(Row(tree_.path().c_str(), L"b", REGISTRY_ROW_BINARY,
                         {.bytes = "\x01\xab\x0f\xff\x05"}),
                     L"b");
  ASSERT_TRUE(value);
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), value->type);
  EXPECT_EQ(std::vector<BYTE>({1, 171, 15, 255, 5}), value->data);

  // No name: the key's default value.
  value = RunAndRead(
      Row(tree_.path().c_str(), nullptr, REGISTRY_ROW_NONE, {.number = 5}),
      L"");
  ASSERT_TRUE(value);
  EXPECT_EQ(static_cast<DWORD>(REG_NONE), value->type);
  EXPECT_TRUE(value->data.empty());

  ASSERT_EQ(1u, delegate_.hkcu_keys.size());
  EXPECT_EQ(std::vector<RegistryValueRecord>(
                {RegistryValueRecord("REG_DWORD", "d", "00002328"),
                 // Every byte in two digits, the small ones after the first
                 // too.
                 RegistryValueRecord("REG_BINARY", "b", "01,ab,0f,ff,05"),
                 RegistryValueRecord("REG_NONE", "", "")}),
            delegate_.hkcu_keys[0].values);
}

// A delete-value row gives an operation that removes the value, and records
// nothing at all, not even its key.
TEST_F(RegistryEntryWriteTest, DeleteValueRecordsNothing) {
  ASSERT_TRUE(tree_.SetDword(L"", L"gone", 1));
  EXPECT_FALSE(RunAndRead(
      Row(tree_.path().c_str(), L"gone", REGISTRY_ROW_DELETE_VALUE, {}),
      L"gone"));
  EXPECT_TRUE(delegate_.hkcu_keys.empty());
}

// A delete-key row takes its path as it stands: braces are not expanded.
TEST_F(RegistryEntryWriteTest, DeleteKeyRowUsesThePathUnexpanded) {
  const std::wstring literal = L"{InstallFolder}";
  ASSERT_TRUE(tree_.CreateKey(literal));
  const std::wstring path = tree_.Path(literal);
  std::unique_ptr<Operation> operation = Create(
      Row(path.c_str(), nullptr, REGISTRY_ROW_DELETE_KEY, {}), tree_.root());
  EXPECT_TRUE(dynamic_cast<DeleteRegKeyOperation*>(operation.get()));
  Transaction transaction;
  ASSERT_TRUE(transaction.Execute(std::move(operation)));
  EXPECT_FALSE(tree_.KeyExists(literal));
  EXPECT_EQ(0, delegate_.resolved);
  EXPECT_TRUE(delegate_.hkcu_keys.empty());
}

TEST_F(RegistryEntryTest, RootDecidesWhereARowApplies) {
  RegistryTableRow any_root =
      Row(L"Software\\X", L"v", REGISTRY_ROW_DWORD, {.number = 1});
  Create(any_root, HKEY_CURRENT_USER);
  Create(any_root, HKEY_LOCAL_MACHINE);
  ASSERT_EQ(1u, delegate_.hkcu_keys.size());
  ASSERT_EQ(1u, delegate_.hklm_keys.size());

  RegistryTableRow machine_only = any_root;
  machine_only.root = HKEY_LOCAL_MACHINE;
  RegistryEntry entry(machine_only, &delegate_);
  std::unique_ptr<Operation> operation =
      std::make_unique<ChangeRegValueOperation>(HKEY_CURRENT_USER, L"x", L"",
                                                nullptr, REG_NONE, 0);
  EXPECT_TRUE(entry.CreateOperation(HKEY_CURRENT_USER, &operation));
  EXPECT_FALSE(operation);
  EXPECT_EQ(1u, delegate_.hkcu_keys[0].values.size());
  EXPECT_TRUE(entry.CreateOperation(HKEY_LOCAL_MACHINE, &operation));
  EXPECT_TRUE(operation);
  EXPECT_EQ(2u, delegate_.hklm_keys[0].values.size());
}

TEST_F(RegistryEntryTest, RowsForNewerSystemsOrStreamsNeverApply) {
  RegistryTableRow stream = Row(L"K", L"v", REGISTRY_ROW_DWORD, {.number = 1});
  stream.min_stream = 5;
  RegistryTableRow system = stream;
  system.min_stream = 4;
  system.min_os_version = base::win::VERSION_WIN_LAST;
  for (const RegistryTableRow& row : {stream, system}) {
    RegistryEntry entry(row, &delegate_);
    std::unique_ptr<Operation> operation;
    EXPECT_TRUE(entry.CreateOperation(HKEY_CURRENT_USER, &operation));
    EXPECT_FALSE(operation);
  }
  EXPECT_TRUE(delegate_.hkcu_keys.empty());
  // The stable stream and the running system meet their own minimums.
  system.min_os_version = base::win::GetVersion();
  Create(system, HKEY_CURRENT_USER);
}

TEST_F(RegistryEntryTest, UnknownTypesFail) {
  for (int type : {-3, 5, 7}) {
    RegistryEntry entry(Row(L"K", L"v", type, {.number = 1}), &delegate_);
    std::unique_ptr<Operation> operation;
    EXPECT_FALSE(entry.CreateOperation(HKEY_CURRENT_USER, &operation)) << type;
    EXPECT_FALSE(operation);
  }
  EXPECT_TRUE(delegate_.hkcu_keys.empty());
}

// Paths that differ in letter case share one key record, found from the end
// of the list, which keeps the larger depth; values are never merged.
TEST_F(RegistryEntryTest, KeyRecordsAreSharedWithoutRegardToCase) {
  RegistryTableRow first =
      Row(L"Software\\Run", L"a", REGISTRY_ROW_DWORD, {.number = 1});
  first.clean_depth = 3;
  RegistryTableRow second = first;
  second.key_path = L"SOFTWARE\\run";
  second.clean_depth = 1;
  RegistryTableRow other = first;
  other.key_path = L"Software\\Other";
  other.clean_depth = 0;
  Create(first, HKEY_CURRENT_USER);
  Create(other, HKEY_CURRENT_USER);
  Create(second, HKEY_CURRENT_USER);
  Create(second, HKEY_CURRENT_USER);

  ASSERT_EQ(2u, delegate_.hkcu_keys.size());
  EXPECT_EQ("Software\\Run", delegate_.hkcu_keys[0].path);
  EXPECT_EQ(3, delegate_.hkcu_keys[0].clean_depth);
  EXPECT_EQ(3u, delegate_.hkcu_keys[0].values.size());

  second.clean_depth = 7;
  Create(second, HKEY_CURRENT_USER);
  EXPECT_EQ(7, delegate_.hkcu_keys[0].clean_depth);
  EXPECT_EQ(2u, delegate_.hkcu_keys.size());
}

// An empty binary value records the digits of its text's terminating zero;
// without a log list nothing is recorded.
TEST_F(RegistryEntryTest, EmptyBinaryAndNoLogList) {
  Create(Row(L"K", L"v", REGISTRY_ROW_BINARY, {.bytes = ""}),
         HKEY_CURRENT_USER);
  Create(Row(L"K", L"w", REGISTRY_ROW_BINARY, {.bytes = nullptr}),
         HKEY_CURRENT_USER);
  ASSERT_EQ(1u, delegate_.hkcu_keys.size());
  EXPECT_EQ(std::vector<RegistryValueRecord>(
                {RegistryValueRecord("REG_BINARY", "v", "00"),
                 RegistryValueRecord("REG_BINARY", "w", "00")}),
            delegate_.hkcu_keys[0].values);

  delegate_.record = false;
  Create(Row(L"K", L"x", REGISTRY_ROW_STRING, {.text = L"x"}),
         HKEY_CURRENT_USER);
  EXPECT_EQ(2u, delegate_.hkcu_keys[0].values.size());
}

TEST_F(RegistryEntryTest, ExpandVariables) {
  RegistryEntry entry(Row(L"K", nullptr, REGISTRY_ROW_NONE, {}), &delegate_);
  EXPECT_EQ(L"", entry.ExpandVariables(nullptr));
  EXPECT_EQ(L"plain", entry.ExpandVariables(L"plain"));
  EXPECT_EQ(L"C:\\P\\T\\a Other b",
            entry.ExpandVariables(L"{InstallFolder}\\a {Other} b"));
  EXPECT_EQ(L"C:\\P\\T{InstallFolder",
            entry.ExpandVariables(L"{InstallFolder}{InstallFolder"));
  EXPECT_EQ(L"a{b", entry.ExpandVariables(L"a{b"));
  EXPECT_EQ(L"a}b", entry.ExpandVariables(L"a}b"));
  EXPECT_EQ(L"ab", entry.ExpandVariables(L"a{}b"));

  // A folder whose name holds the variable itself is inserted once.
  delegate_.install_folder = L"C:\\{InstallFolder}";
  EXPECT_EQ(L"C:\\{InstallFolder}\\tavrin.exe",
            entry.ExpandVariables(L"{InstallFolder}\\tavrin.exe"));
  delegate_.install_folder = L"{";
  EXPECT_EQ(L"{-{", entry.ExpandVariables(L"{InstallFolder}-{InstallFolder}"));

  // The key path and the value name of a row are expanded too.
  delegate_.install_folder = L"C:\\P\\T";
  Create(Row(L"Software\\{InstallFolder}", L"{InstallFolder}",
             REGISTRY_ROW_DWORD, {.number = 0}),
         HKEY_LOCAL_MACHINE);
  ASSERT_EQ(1u, delegate_.hklm_keys.size());
  EXPECT_EQ("Software\\C:\\P\\T", delegate_.hklm_keys[0].path);
  EXPECT_EQ(RegistryValueRecord("REG_DWORD", "C:\\P\\T", "00000000"),
            delegate_.hklm_keys[0].values[0]);
}

// A negative number in a REG_DWORD row is a fault of the table: the program
// stops, in release builds too, rather than write it.
TEST(RegistryEntryDeathTest, NegativeDwordStops) {
  FakeDelegate delegate;
  RegistryEntry entry(Row(L"K", L"v", REGISTRY_ROW_DWORD, {.number = -1}),
                      &delegate);
  std::unique_ptr<Operation> operation;
  EXPECT_DEATH(entry.CreateOperation(HKEY_CURRENT_USER, &operation),
               "Check failed");
}

}  // namespace
}  // namespace installer
