#include "desktop/windows/installer/service/transactions/delete_reg_key_operation.h"

#include <windows.h>

#include <sddl.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/strings/utf_string_conversions.h"
#include "base/test/test_log_capture.h"
#include "desktop/windows/installer/service/test/test_registry_tree.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

// The DACL held in a self-relative descriptor; null when there is none.
PACL DaclOf(const SavedRegistryKey& key) {
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL acl = nullptr;
  if (key.descriptor().empty() ||
      !GetSecurityDescriptorDacl(const_cast<BYTE*>(key.descriptor().data()),
                                 &present, &acl, &defaulted)) {
    return nullptr;
  }
  return acl;
}

std::vector<BYTE> Bytes(PACL acl) {
  const BYTE* begin = reinterpret_cast<const BYTE*>(acl);
  return acl ? std::vector<BYTE>(begin, begin + acl->AclSize)
             : std::vector<BYTE>();
}

// Doomed with two levels of keys below it; Child1 has a protected DACL of its
// own that allows everybody everything.
class DeleteRegKeyOperationTest : public ::testing::TestWithParam<HKEY> {
 protected:
  struct Value {
    const wchar_t* key;
    const wchar_t* name;
  };
  static constexpr const wchar_t* kKeys[] = {L"Doomed", L"Doomed\\Child1",
                                             L"Doomed\\Child1\\Grand",
                                             L"Doomed\\Child2"};
  static constexpr Value kValues[] = {
      {L"Doomed", L"s"},         {L"Doomed", L"d"},
      {L"Doomed", L""},          {L"Doomed", L"empty"},
      {L"Doomed\\Child1", L"x"}, {L"Doomed\\Child1\\Grand", L"g"},
      {L"Doomed\\Child2", L"c"}};

  void SetUp() override {
    ASSERT_TRUE(tree_.created());
    ASSERT_TRUE(tree_.SetString(L"Doomed", L"s", L"one"));
    ASSERT_TRUE(tree_.SetDword(L"Doomed", L"d", 5));
    ASSERT_TRUE(tree_.SetString(L"Doomed", L"", L"default"));
    ASSERT_TRUE(tree_.SetValue(L"Doomed", L"empty", REG_BINARY, nullptr, 0));
    ASSERT_TRUE(tree_.SetDword(L"Doomed\\Child1", L"x", 1));
    const wchar_t multi[] = L"a\0bc\0";
    ASSERT_TRUE(tree_.SetValue(L"Doomed\\Child1\\Grand", L"g", REG_MULTI_SZ,
                               multi, sizeof(multi)));
    ASSERT_TRUE(tree_.SetDword(L"Doomed\\Child2", L"c", 3));

    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:P(A;;KA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL acl = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted);
    EXPECT_TRUE(tree_.SetDacl(L"Doomed\\Child1", acl));
    LocalFree(descriptor);

    for (const wchar_t* key : kKeys)
      dacls_.push_back(tree_.DaclBytes(key));
    for (const Value& value : kValues)
      values_.push_back(tree_.ReadValue(value.key, value.name));
  }

  // Runs the deletion of Doomed and keeps a view of it.
  const DeleteRegKeyOperation* DeleteDoomed(Transaction* transaction) {
    auto operation = std::make_unique<DeleteRegKeyOperation>(
        GetParam(), tree_.Path(L"Doomed"));
    const DeleteRegKeyOperation* view = operation.get();
    EXPECT_TRUE(transaction->Execute(std::move(operation)));
    EXPECT_FALSE(tree_.KeyExists(L"Doomed"));
    return view;
  }

  void ExpectValuesBack() {
    for (size_t i = 0; i < std::size(kValues); ++i) {
      SCOPED_TRACE(base::WideToUTF8(kValues[i].key));
      EXPECT_EQ(values_[i], tree_.ReadValue(kValues[i].key, kValues[i].name));
    }
  }

  // The root as log lines print the handle: a pointer, as wide as the
  // process's.
  std::string RootAsLogged() const {
    std::ostringstream root;
    root << GetParam();
    return root.str();
  }

  TestRegistryTree tree_{GetParam()};
  std::vector<std::vector<BYTE>> dacls_;
  std::vector<std::optional<TestRegistryValue>> values_;
  base::TestLogCapture log_;
};

TEST_P(DeleteRegKeyOperationTest, RollbackRebuildsTheTree) {
  Transaction transaction;
  const DeleteRegKeyOperation* deletion = DeleteDoomed(&transaction);
  EXPECT_TRUE(log_.Contains(logging::LOG_VERBOSE,
                            "Attempting to delete registry key " +
                                base::WideToUTF8(tree_.Path(L"Doomed")) +
                                " under " + RootAsLogged()));
  EXPECT_TRUE(log_.Contains(
      logging::LOG_VERBOSE,
      "DeleteAndSaveRecursive : " +
          base::WideToUTF8(tree_.Path(L"Doomed\\Child1\\Grand"))));
  EXPECT_TRUE(log_.Contains(logging::LOG_VERBOSE, "4 values"));

  // Wine 8.0 ignores the security attributes given to RegCreateKeyExW, so a
  // rebuilt key gets the default DACL there. The descriptors are checked
  // where the rollback hands them over instead: every key's own, parents
  // before their subkeys.
  ASSERT_EQ(std::size(kKeys), deletion->saved_keys().size());
  for (size_t i = 0; i < std::size(kKeys); ++i) {
    SCOPED_TRACE(base::WideToUTF8(kKeys[i]));
    EXPECT_EQ(tree_.Path(kKeys[i]), deletion->saved_keys()[i]->path());
    EXPECT_EQ(dacls_[i], Bytes(DaclOf(*deletion->saved_keys()[i])));
  }

  transaction.RollbackAll();
  ExpectValuesBack();
}

// A key that came back in the meantime is somebody else's: the rollback
// neither fills in its saved values nor touches the new ones.
TEST_P(DeleteRegKeyOperationTest, RollbackLeavesExistingKeysAlone) {
  Transaction transaction;
  DeleteDoomed(&transaction);
  ASSERT_TRUE(tree_.SetDword(L"Doomed\\Child2", L"mine", 9));
  transaction.RollbackAll();
  EXPECT_FALSE(tree_.ReadValue(L"Doomed\\Child2", L"c"));
  EXPECT_TRUE(tree_.ReadValue(L"Doomed\\Child2", L"mine"));
  // Doomed existed again too, as the new key's parent.
  EXPECT_FALSE(tree_.ReadValue(L"Doomed", L"s"));
  EXPECT_EQ(values_[5], tree_.ReadValue(L"Doomed\\Child1\\Grand", L"g"));
}

TEST_P(DeleteRegKeyOperationTest, CommitAndMissingKey) {
  {
    Transaction transaction;
    DeleteDoomed(&transaction);
    auto missing = std::make_unique<DeleteRegKeyOperation>(
        GetParam(), tree_.Path(L"Missing"));
    EXPECT_TRUE(transaction.Execute(std::move(missing)));
    EXPECT_TRUE(log_.Contains(logging::LOG_VERBOSE,
                              "Key does not exist. Nothing to do."));
    // Never the whole root. (Should this fail, the test's Wine prefix
    // loses the root's contents.)
    EXPECT_FALSE(transaction.Execute(
        std::make_unique<DeleteRegKeyOperation>(GetParam(), L"")));
    EXPECT_TRUE(log_.ContainsPrefix(logging::LOG_ERROR,
                                    "Refusing to delete the root key "));
  }
  EXPECT_TRUE(tree_.KeyExists(L""));
  EXPECT_FALSE(tree_.KeyExists(L"Doomed"));
  EXPECT_FALSE(tree_.KeyExists(L"Missing"));
}

// A subkey that allows the current user nothing is granted access and
// deleted. The grant stays: the descriptor saved for the rollback is read
// after it, so it holds more than the empty DACL the key had.
TEST_P(DeleteRegKeyOperationTest, DeniedSubkeyIsGrantedAndDeleted) {
  ASSERT_TRUE(tree_.SetDacl(L"Doomed\\Child2", nullptr));
  Transaction transaction;
  const DeleteRegKeyOperation* deletion = DeleteDoomed(&transaction);
  EXPECT_TRUE(log_.Contains(logging::LOG_VERBOSE,
                            "Insufficient permissions on the key"));
  ASSERT_EQ(4u, deletion->saved_keys().size());
  PACL saved = DaclOf(*deletion->saved_keys()[3]);
  ASSERT_TRUE(saved);
  EXPECT_LT(0, saved->AceCount);

  transaction.RollbackAll();
  tree_.AllowEverybody(L"Doomed");
  ExpectValuesBack();
}

INSTANTIATE_TEST_SUITE_P(Roots,
                         DeleteRegKeyOperationTest,
                         ::testing::Values(HKEY_CURRENT_USER,
                                           HKEY_LOCAL_MACHINE),
                         [](const ::testing::TestParamInfo<HKEY>& info) {
                           return RootParamName(info.param);
                         });

}  // namespace
}  // namespace installer
