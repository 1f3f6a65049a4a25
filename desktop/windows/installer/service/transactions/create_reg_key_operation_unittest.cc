#include "desktop/windows/installer/service/transactions/create_reg_key_operation.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/strings/utf_string_conversions.h"
#include "base/test/test_log_capture.h"
#include "desktop/windows/installer/service/test/test_registry_tree.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "gtest/gtest.h"

// Creating a key for a new value is shown with ChangeRegValueOperation; these
// are the cases that only the key creation itself has.

namespace installer {
namespace {

class CreateRegKeyOperationTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(tree_.created()); }

  std::unique_ptr<Operation> Create(const std::wstring& relative) {
    return std::make_unique<CreateRegKeyOperation>(tree_.root(),
                                                   tree_.Path(relative));
  }

  TestRegistryTree tree_{HKEY_CURRENT_USER};
  base::TestLogCapture log_;
};

TEST_F(CreateRegKeyOperationTest, ExistingKeyIsNotUndone) {
  ASSERT_TRUE(tree_.SetDword(L"Existing", L"v", 1));
  Transaction transaction;
  EXPECT_TRUE(transaction.Execute(Create(L"Existing")));
  EXPECT_TRUE(log_.Contains(logging::LOG_VERBOSE,
                            "The key already exists. No need to do anything."));
  transaction.RollbackAll();
  EXPECT_TRUE(tree_.ReadValue(L"Existing", L"v"));
}

// The ancestor allows the current user nothing: it is granted the right to
// create a subkey, and gets its DACL back when the operation is destroyed,
// after the rollback deleted what was created. One level only: Wine's new
// keys do not inherit the granted entry, so Wine refuses to create a second
// level below the first in the same call, where Windows allows it.
TEST_F(CreateRegKeyOperationTest, DeniedAncestorIsRestoredAfterRollback) {
  ASSERT_TRUE(tree_.CreateKey(L"Locked"));
  ASSERT_TRUE(tree_.SetDacl(L"Locked", nullptr));
  const std::vector<BYTE> locked = tree_.DaclBytes(L"Locked");
  {
    Transaction transaction;
    ASSERT_TRUE(transaction.Execute(Create(L"Locked\\A")));
    EXPECT_TRUE(log_.Contains(
        logging::LOG_VERBOSE,
        "No access to" + base::WideToUTF8(tree_.ObjectName(L"Locked"))));
    EXPECT_TRUE(tree_.KeyExists(L"Locked\\A"));
    transaction.RollbackAll();
    EXPECT_FALSE(tree_.KeyExists(L"Locked\\A"));
  }
  EXPECT_EQ(locked, tree_.DaclBytes(L"Locked"));
}

}  // namespace
}  // namespace installer
