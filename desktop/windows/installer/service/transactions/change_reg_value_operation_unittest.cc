#include "desktop/windows/installer/service/transactions/change_reg_value_operation.h"

#include <windows.h>

#include <aclapi.h>

#include <memory>
#include <string>
#include <vector>

#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/transactions/testing/test_log_capture.h"
#include "desktop/windows/installer/service/transactions/testing/test_registry_tree.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "gtest/gtest.h"

// Real keys under Wine, in a tree of each test's own, under both roots that
// the installer writes to.

namespace installer {
namespace {

constexpr DWORD kRemove = ChangeRegValueOperation::kNoValue;

std::unique_ptr<Operation> WriteString(const TestRegistryTree& tree,
                                       const std::wstring& relative,
                                       const std::wstring& name,
                                       const std::wstring& text) {
  return std::make_unique<ChangeRegValueOperation>(
      tree.root(), tree.Path(relative), name, text.c_str(), REG_SZ,
      static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

std::unique_ptr<Operation> Remove(const TestRegistryTree& tree,
                                  const std::wstring& relative,
                                  const std::wstring& name) {
  return std::make_unique<ChangeRegValueOperation>(
      tree.root(), tree.Path(relative), name, nullptr, kRemove, 0);
}

std::vector<BYTE> Bytes(const std::wstring& text) {
  const BYTE* begin = reinterpret_cast<const BYTE*>(text.c_str());
  return std::vector<BYTE>(begin, begin + (text.size() + 1) * sizeof(wchar_t));
}

std::vector<BYTE> Bytes(DWORD number) {
  const BYTE* begin = reinterpret_cast<const BYTE*>(&number);
  return std::vector<BYTE>(begin, begin + sizeof(number));
}

class ChangeRegValueOperationTest : public ::testing::TestWithParam<HKEY> {
 protected:
  void SetUp() override { ASSERT_TRUE(tree_.created()); }

  std::string RootText() const {
    return GetParam() == HKEY_LOCAL_MACHINE ? "0x80000002" : "0x80000001";
  }

  TestRegistryTree tree_{GetParam()};
  TestLogCapture log_;
};

TEST_P(ChangeRegValueOperationTest, RemovingUnderMissingKeyCreatesNothing) {
  {
    Transaction transaction;
    EXPECT_TRUE(transaction.Execute(Remove(tree_, L"Missing\\Deeper", L"v")));
    transaction.RollbackAll();
  }
  EXPECT_FALSE(tree_.KeyExists(L"Missing"));
  EXPECT_TRUE(log_.Contains(logging::LOG_VERBOSE, "Key does not exist,"));
  EXPECT_TRUE(
      log_.Contains(logging::LOG_VERBOSE,
                    "but we are trying to remove the value, nothing to do."));
  EXPECT_TRUE(log_.Contains(
      logging::LOG_VERBOSE,
      "Attempting to change registry value at " + RootText() + ": " +
          base::WideToUTF8(tree_.Path(L"Missing\\Deeper")) +
          " - v. New Type:4294967295"));
}

TEST_P(ChangeRegValueOperationTest, RemovingMissingValueLeavesNothingToUndo) {
  ASSERT_TRUE(tree_.SetString(L"", L"other", L"kept"));
  Transaction transaction;
  EXPECT_TRUE(transaction.Execute(Remove(tree_, L"", L"v")));
  EXPECT_TRUE(
      log_.Contains(logging::LOG_VERBOSE, "The value doesn't already exist."));
  EXPECT_TRUE(
      log_.Contains(logging::LOG_VERBOSE,
                    "We are supposed to remove the value. Nothing to do."));
  // A rollback must not bring a value into being that never existed.
  transaction.RollbackAll();
  EXPECT_FALSE(tree_.ReadValue(L"", L"v"));
  EXPECT_TRUE(tree_.ReadValue(L"", L"other"));
}

TEST_P(ChangeRegValueOperationTest, NewValueTwoLevelsDownThenRollBack) {
  ASSERT_TRUE(tree_.CreateKey(L"Existing"));
  Transaction transaction;
  ASSERT_TRUE(transaction.Execute(
      WriteString(tree_, L"Existing\\New\\Newer", L"v", L"text")));

  std::optional<TestRegistryValue> value =
      tree_.ReadValue(L"Existing\\New\\Newer", L"v");
  ASSERT_TRUE(value);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), value->type);
  EXPECT_EQ(Bytes(L"text"), value->data);
  EXPECT_TRUE(log_.Contains(logging::LOG_VERBOSE, "try to create it."));
  EXPECT_TRUE(log_.Contains(
      logging::LOG_VERBOSE,
      "Ancestor found: " + base::WideToUTF8(tree_.Path(L"Existing"))));
  EXPECT_TRUE(
      log_.Contains(logging::LOG_VERBOSE,
                    "Attempting to create registry key " +
                        base::WideToUTF8(tree_.Path(L"Existing\\New\\Newer")) +
                        " under " + RootText()));
  EXPECT_TRUE(
      log_.Contains(logging::LOG_VERBOSE, "Value changed successfully."));

  // Something added below the created levels in the meantime goes with them.
  ASSERT_TRUE(tree_.CreateKey(L"Existing\\New\\Sibling"));
  transaction.RollbackAll();
  EXPECT_FALSE(tree_.KeyExists(L"Existing\\New"));
  EXPECT_TRUE(tree_.KeyExists(L"Existing"));
}

TEST_P(ChangeRegValueOperationTest, CreatedKeyStaysAtCommit) {
  {
    Transaction transaction;
    ASSERT_TRUE(transaction.Execute(WriteString(tree_, L"A\\B", L"", L"d")));
  }
  std::optional<TestRegistryValue> value = tree_.ReadValue(L"A\\B", L"");
  ASSERT_TRUE(value);
  EXPECT_EQ(Bytes(L"d"), value->data);
}

TEST_P(ChangeRegValueOperationTest, ChangedValueGetsOldTypeAndDataBack) {
  ASSERT_TRUE(tree_.SetString(L"", L"v", L"old text"));
  Transaction transaction;
  const DWORD number = 7;
  ASSERT_TRUE(transaction.Execute(std::make_unique<ChangeRegValueOperation>(
      tree_.root(), tree_.path(), L"v", &number, REG_DWORD, sizeof(number))));
  EXPECT_TRUE(log_.Contains(logging::LOG_VERBOSE, "Value read successfully."));
  std::optional<TestRegistryValue> value = tree_.ReadValue(L"", L"v");
  ASSERT_TRUE(value);
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value->type);
  EXPECT_EQ(Bytes(7), value->data);

  transaction.RollbackAll();
  value = tree_.ReadValue(L"", L"v");
  ASSERT_TRUE(value);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), value->type);
  EXPECT_EQ(Bytes(L"old text"), value->data);
}

TEST_P(ChangeRegValueOperationTest, NewValueRemovedByRollbackKeyStays) {
  Transaction transaction;
  ASSERT_TRUE(transaction.Execute(WriteString(tree_, L"", L"v", L"new")));
  ASSERT_TRUE(tree_.ReadValue(L"", L"v"));
  transaction.RollbackAll();
  EXPECT_FALSE(tree_.ReadValue(L"", L"v"));
  EXPECT_TRUE(tree_.KeyExists(L""));
}

TEST_P(ChangeRegValueOperationTest, RemovedValueComesBackOnRollbackOnly) {
  ASSERT_TRUE(tree_.SetDword(L"", L"v", 42));
  {
    Transaction transaction;
    ASSERT_TRUE(transaction.Execute(Remove(tree_, L"", L"v")));
    EXPECT_FALSE(tree_.ReadValue(L"", L"v"));
    transaction.RollbackAll();
    std::optional<TestRegistryValue> value = tree_.ReadValue(L"", L"v");
    ASSERT_TRUE(value);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value->type);
    EXPECT_EQ(Bytes(42), value->data);

    ASSERT_TRUE(transaction.Execute(Remove(tree_, L"", L"v")));
  }
  EXPECT_FALSE(tree_.ReadValue(L"", L"v"));
}

TEST_P(ChangeRegValueOperationTest, EmptyValueIsWrittenAndRestored) {
  ASSERT_TRUE(tree_.SetValue(L"", L"v", REG_BINARY, nullptr, 0));
  Transaction transaction;
  ASSERT_TRUE(transaction.Execute(std::make_unique<ChangeRegValueOperation>(
      tree_.root(), tree_.path(), L"v", nullptr, REG_NONE, 0)));
  std::optional<TestRegistryValue> value = tree_.ReadValue(L"", L"v");
  ASSERT_TRUE(value);
  EXPECT_EQ(static_cast<DWORD>(REG_NONE), value->type);
  EXPECT_TRUE(value->data.empty());
  transaction.RollbackAll();
  value = tree_.ReadValue(L"", L"v");
  ASSERT_TRUE(value);
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), value->type);
}

// The key allows the current user nothing: access is granted for the change
// and the earlier DACL comes back when the operation is destroyed, after a
// commit and after a rollback alike.
TEST_P(ChangeRegValueOperationTest, DeniedKeyIsGrantedThenRestored) {
  for (const wchar_t* outcome : {L"Commit", L"Rollback"}) {
    SCOPED_TRACE(base::WideToUTF8(outcome));
    const bool roll_back = std::wstring(outcome) == L"Rollback";
    ASSERT_TRUE(tree_.CreateKey(outcome));
    ASSERT_TRUE(tree_.SetDacl(outcome, nullptr));
    const std::vector<BYTE> locked = tree_.DaclBytes(outcome);
    ASSERT_FALSE(locked.empty());
    ASSERT_FALSE(tree_.ReadValue(outcome, L"v"));
    {
      Transaction transaction;
      ASSERT_TRUE(transaction.Execute(WriteString(tree_, outcome, L"v", L"x")));
      EXPECT_TRUE(
          log_.Contains(logging::LOG_VERBOSE,
                        "We don't have enough permissions on the key."));
      EXPECT_NE(locked, tree_.DaclBytes(outcome));
      if (roll_back)
        transaction.RollbackAll();
    }
    EXPECT_EQ(locked, tree_.DaclBytes(outcome));
    tree_.AllowEverybody(outcome);
    EXPECT_EQ(!roll_back, tree_.ReadValue(outcome, L"v").has_value());
  }
}

// A missing key below a key that allows nothing: the parent is granted the
// right to create a subkey and gets its DACL back at commit; the new key
// holds the value.
TEST_P(ChangeRegValueOperationTest, MissingKeyBelowDeniedParent) {
  ASSERT_TRUE(tree_.CreateKey(L"Locked"));
  ASSERT_TRUE(tree_.SetDacl(L"Locked", nullptr));
  const std::vector<BYTE> locked = tree_.DaclBytes(L"Locked");
  {
    Transaction transaction;
    ASSERT_TRUE(
        transaction.Execute(WriteString(tree_, L"Locked\\New", L"v", L"x")));
    EXPECT_TRUE(log_.ContainsPrefix(logging::LOG_VERBOSE, "No access to"));
  }
  EXPECT_EQ(locked, tree_.DaclBytes(L"Locked"));
  tree_.AllowEverybody(L"Locked");
  EXPECT_TRUE(tree_.ReadValue(L"Locked\\New", L"v"));
}

INSTANTIATE_TEST_SUITE_P(Roots,
                         ChangeRegValueOperationTest,
                         ::testing::Values(HKEY_CURRENT_USER,
                                           HKEY_LOCAL_MACHINE),
                         [](const ::testing::TestParamInfo<HKEY>& info) {
                           return info.param == HKEY_LOCAL_MACHINE
                                      ? std::string("HKLM")
                                      : std::string("HKCU");
                         });

}  // namespace
}  // namespace installer
