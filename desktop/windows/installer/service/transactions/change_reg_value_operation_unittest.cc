#include "desktop/windows/installer/service/transactions/change_reg_value_operation.h"

#include <windows.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/strings/utf_string_conversions.h"
#include "base/test/test_log_capture.h"
#include "desktop/windows/installer/service/test/test_registry_tree.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "gtest/gtest.h"

// Real keys under Wine, in a tree of each test's own, under both roots that
// the installer writes to.

namespace installer {
namespace {

std::vector<BYTE> Bytes(const std::wstring& text) {
  const BYTE* begin = reinterpret_cast<const BYTE*>(text.c_str());
  return std::vector<BYTE>(begin, begin + (text.size() + 1) * sizeof(wchar_t));
}

class ChangeRegValueOperationTest : public ::testing::TestWithParam<HKEY> {
 protected:
  void SetUp() override { ASSERT_TRUE(tree_.created()); }

  std::unique_ptr<Operation> Write(const std::wstring& relative,
                                   const std::wstring& text) {
    return std::make_unique<ChangeRegValueOperation>(
        tree_.root(), tree_.Path(relative), L"v", text.c_str(), REG_SZ,
        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  std::unique_ptr<Operation> Remove(const std::wstring& relative) {
    return std::make_unique<ChangeRegValueOperation>(
        tree_.root(), tree_.Path(relative), L"v", nullptr,
        ChangeRegValueOperation::kNoValue, 0);
  }
  std::string Root() const {
    // Printed as the handle is: a pointer, so as wide as the process's.
    std::ostringstream root;
    root << GetParam();
    return root.str();
  }

  TestRegistryTree tree_{GetParam()};
  base::TestLogCapture log_;
};

// Removing what is not there succeeds, creates no key and leaves nothing
// that a rollback could bring into being.
TEST_P(ChangeRegValueOperationTest, RemovingWhatIsMissing) {
  ASSERT_TRUE(tree_.SetString(L"", L"other", L"kept"));
  Transaction transaction;
  EXPECT_TRUE(transaction.Execute(Remove(L"Missing\\Deeper")));
  EXPECT_TRUE(
      log_.Contains(logging::LOG_VERBOSE,
                    "Attempting to change registry value at " + Root() + ": " +
                        base::WideToUTF8(tree_.Path(L"Missing\\Deeper")) +
                        " - v. New Type:4294967295"));
  EXPECT_TRUE(
      log_.Contains(logging::LOG_VERBOSE,
                    "but we are trying to remove the value, nothing to do."));
  EXPECT_TRUE(transaction.Execute(Remove(L"")));
  EXPECT_TRUE(
      log_.Contains(logging::LOG_VERBOSE,
                    "We are supposed to remove the value. Nothing to do."));

  transaction.RollbackAll();
  EXPECT_FALSE(tree_.KeyExists(L"Missing"));
  EXPECT_FALSE(tree_.ReadValue(L"", L"v"));
  EXPECT_TRUE(tree_.ReadValue(L"", L"other"));
}

TEST_P(ChangeRegValueOperationTest, NewValueTwoLevelsDown) {
  ASSERT_TRUE(tree_.CreateKey(L"Existing"));
  for (bool roll_back : {true, false}) {
    SCOPED_TRACE(roll_back ? "rollback" : "commit");
    Transaction transaction;
    ASSERT_TRUE(transaction.Execute(Write(L"Existing\\New\\Newer", L"text")));
    std::optional<TestRegistryValue> value =
        tree_.ReadValue(L"Existing\\New\\Newer", L"v");
    ASSERT_TRUE(value);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), value->type);
    EXPECT_EQ(Bytes(L"text"), value->data);
    EXPECT_TRUE(log_.Contains(
        logging::LOG_VERBOSE,
        "Attempting to create registry key " +
            base::WideToUTF8(tree_.Path(L"Existing\\New\\Newer")) + " under " +
            Root()));
    EXPECT_TRUE(log_.Contains(
        logging::LOG_VERBOSE,
        "Ancestor found: " + base::WideToUTF8(tree_.Path(L"Existing"))));
    if (!roll_back)
      break;
    // Whatever was added below the created levels meanwhile goes with them.
    ASSERT_TRUE(tree_.CreateKey(L"Existing\\New\\Sibling"));
    transaction.RollbackAll();
    EXPECT_FALSE(tree_.KeyExists(L"Existing\\New"));
    EXPECT_TRUE(tree_.KeyExists(L"Existing"));
  }
  EXPECT_TRUE(tree_.ReadValue(L"Existing\\New\\Newer", L"v"));
}

// Rollback writes a changed value back with its old type and data, removes
// a new one and brings a removed one back; commit keeps the change.
TEST_P(ChangeRegValueOperationTest, RollbackRestoresEarlierValues) {
  ASSERT_TRUE(tree_.SetDword(L"Changed", L"v", 42));
  ASSERT_TRUE(tree_.CreateKey(L"New"));
  ASSERT_TRUE(tree_.SetString(L"Removed", L"v", L"old"));
  const auto changed = tree_.ReadValue(L"Changed", L"v");
  const auto removed = tree_.ReadValue(L"Removed", L"v");
  {
    Transaction transaction;
    ASSERT_TRUE(transaction.Execute(Write(L"Changed", L"new")));
    ASSERT_TRUE(transaction.Execute(Write(L"New", L"new")));
    ASSERT_TRUE(transaction.Execute(Remove(L"Removed")));
    EXPECT_EQ(Bytes(L"new"), tree_.ReadValue(L"Changed", L"v")->data);
    EXPECT_FALSE(tree_.ReadValue(L"Removed", L"v"));

    transaction.RollbackAll();
    EXPECT_EQ(changed, tree_.ReadValue(L"Changed", L"v"));
    EXPECT_FALSE(tree_.ReadValue(L"New", L"v"));
    EXPECT_TRUE(tree_.KeyExists(L"New"));
    EXPECT_EQ(removed, tree_.ReadValue(L"Removed", L"v"));

    ASSERT_TRUE(transaction.Execute(Remove(L"Removed")));
  }
  EXPECT_FALSE(tree_.ReadValue(L"Removed", L"v"));
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
    {
      Transaction transaction;
      ASSERT_TRUE(transaction.Execute(Write(outcome, L"x")));
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

INSTANTIATE_TEST_SUITE_P(Roots,
                         ChangeRegValueOperationTest,
                         ::testing::Values(HKEY_CURRENT_USER,
                                           HKEY_LOCAL_MACHINE),
                         [](const ::testing::TestParamInfo<HKEY>& info) {
                           return RootParamName(info.param);
                         });

}  // namespace
}  // namespace installer
