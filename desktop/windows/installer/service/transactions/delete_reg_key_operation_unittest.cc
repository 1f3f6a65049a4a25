#include "desktop/windows/installer/service/transactions/delete_reg_key_operation.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/transactions/testing/test_log_capture.h"
#include "desktop/windows/installer/service/transactions/testing/test_registry_tree.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

// Every value of a key by name: type and bytes.
using Values = std::map<std::wstring, TestRegistryValue>;

Values ReadAllValues(const TestRegistryTree& tree,
                     const std::wstring& relative) {
  Values values;
  HKEY key;
  if (RegOpenKeyExW(tree.root(), tree.Path(relative).c_str(), 0,
                    KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return values;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = ARRAYSIZE(name);
    if (RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr,
                      nullptr) != ERROR_SUCCESS) {
      break;
    }
    std::optional<TestRegistryValue> value = tree.ReadValue(relative, name);
    if (value)
      values[name] = *value;
  }
  RegCloseKey(key);
  return values;
}

// The DACL held in a self-relative descriptor, as bytes.
std::vector<BYTE> DaclOf(const std::vector<BYTE>& descriptor) {
  std::vector<BYTE> bytes;
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL acl = nullptr;
  if (!descriptor.empty() &&
      GetSecurityDescriptorDacl(const_cast<BYTE*>(descriptor.data()), &present,
                                &acl, &defaulted) &&
      present && acl) {
    bytes.assign(reinterpret_cast<BYTE*>(acl),
                 reinterpret_cast<BYTE*>(acl) + acl->AclSize);
  }
  return bytes;
}

std::wstring CurrentUserSidText() {
  std::wstring text;
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
    return text;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  wchar_t* sid_text = nullptr;
  if (GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
      ConvertSidToStringSidW(
          reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid_text)) {
    text = sid_text;
    LocalFree(sid_text);
  }
  CloseHandle(token);
  return text;
}

// A DACL of its own: everybody may read, the current user and the
// administrators may do anything.
class ReadOnlyForOthersAcl {
 public:
  ReadOnlyForOthersAcl() {
    const std::wstring text =
        L"D:P(A;;KR;;;WD)(A;;KA;;;BA)(A;;KA;;;" + CurrentUserSidText() + L")";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(
            text.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
      descriptor_ = descriptor;
      BOOL present = FALSE;
      BOOL defaulted = FALSE;
      GetSecurityDescriptorDacl(descriptor_, &present, &acl_, &defaulted);
    }
  }
  ~ReadOnlyForOthersAcl() { LocalFree(descriptor_); }
  PACL get() const { return acl_; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  PACL acl_ = nullptr;
};

class DeleteRegKeyOperationTest : public ::testing::TestWithParam<HKEY> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tree_.created());
    // Doomed: four values; Child1: one value and its own DACL; Grand below
    // it; Child2: one value.
    ASSERT_TRUE(tree_.SetString(L"Doomed", L"s", L"one"));
    ASSERT_TRUE(tree_.SetDword(L"Doomed", L"d", 5));
    ASSERT_TRUE(tree_.SetString(L"Doomed", L"", L"default"));
    ASSERT_TRUE(tree_.SetValue(L"Doomed", L"empty", REG_BINARY, nullptr, 0));
    ASSERT_TRUE(tree_.SetDword(L"Doomed\\Child1", L"x", 1));
    const wchar_t multi[] = L"a\0bc\0";
    ASSERT_TRUE(tree_.SetValue(L"Doomed\\Child1\\Grand", L"g", REG_MULTI_SZ,
                               multi, sizeof(multi)));
    ASSERT_TRUE(tree_.SetDword(L"Doomed\\Child2", L"c", 3));
    ASSERT_TRUE(acl_.get());
    ASSERT_TRUE(tree_.SetDacl(L"Doomed\\Child1", acl_.get()));
    for (const wchar_t* key : kKeys) {
      values_before_[key] = ReadAllValues(tree_, key);
      dacl_before_[key] = tree_.DaclBytes(key);
    }
  }

  std::unique_ptr<Operation> Delete(const std::wstring& relative) {
    return std::make_unique<DeleteRegKeyOperation>(GetParam(),
                                                   tree_.Path(relative));
  }

  static constexpr const wchar_t* kKeys[] = {L"Doomed", L"Doomed\\Child1",
                                             L"Doomed\\Child1\\Grand",
                                             L"Doomed\\Child2"};

  ReadOnlyForOthersAcl acl_;
  TestRegistryTree tree_{GetParam()};
  std::map<std::wstring, Values> values_before_;
  std::map<std::wstring, std::vector<BYTE>> dacl_before_;
  TestLogCapture log_;
};

TEST_P(DeleteRegKeyOperationTest, RollbackRebuildsTheTree) {
  Transaction transaction;
  auto operation = std::make_unique<DeleteRegKeyOperation>(
      GetParam(), tree_.Path(L"Doomed"));
  const DeleteRegKeyOperation* deletion = operation.get();
  ASSERT_TRUE(transaction.Execute(std::move(operation)));
  EXPECT_FALSE(tree_.KeyExists(L"Doomed"));
  const std::string root =
      GetParam() == HKEY_LOCAL_MACHINE ? "0x80000002" : "0x80000001";
  EXPECT_TRUE(log_.Contains(logging::LOG_VERBOSE,
                            "Attempting to delete registry key " +
                                base::WideToUTF8(tree_.Path(L"Doomed")) +
                                " under " + root));
  EXPECT_TRUE(log_.Contains(
      logging::LOG_VERBOSE,
      "DeleteAndSaveRecursive : " +
          base::WideToUTF8(tree_.Path(L"Doomed\\Child1\\Grand"))));
  EXPECT_TRUE(log_.Contains(logging::LOG_VERBOSE, "4 values"));

  // Wine 8.0 ignores the security attributes given to RegCreateKeyExW, so a
  // rebuilt key gets the default DACL there. The descriptors are therefore
  // checked where the rollback hands them to RegCreateKeyExW: every key's
  // own, parents before their subkeys.
  ASSERT_EQ(std::size(kKeys), deletion->saved_keys().size());
  for (size_t i = 0; i < std::size(kKeys); ++i) {
    SCOPED_TRACE(base::WideToUTF8(kKeys[i]));
    const SavedRegistryKey& saved = *deletion->saved_keys()[i];
    EXPECT_EQ(tree_.Path(kKeys[i]), saved.path());
    EXPECT_EQ(dacl_before_[kKeys[i]], DaclOf(saved.descriptor()));
  }

  transaction.RollbackAll();
  for (const wchar_t* key : kKeys) {
    SCOPED_TRACE(base::WideToUTF8(key));
    EXPECT_TRUE(tree_.KeyExists(key));
    EXPECT_EQ(values_before_[key], ReadAllValues(tree_, key));
  }
}

// A key that came back in the meantime is somebody else's: the rollback
// neither fills in the saved values nor replaces its own.
TEST_P(DeleteRegKeyOperationTest, RollbackLeavesExistingKeysAlone) {
  Transaction transaction;
  ASSERT_TRUE(transaction.Execute(Delete(L"Doomed")));
  ASSERT_TRUE(tree_.SetDword(L"Doomed\\Child2", L"mine", 9));
  const Values child2 = ReadAllValues(tree_, L"Doomed\\Child2");

  transaction.RollbackAll();
  EXPECT_EQ(child2, ReadAllValues(tree_, L"Doomed\\Child2"));
  // The parent existed again as well (as the new key's parent), so its
  // values are not written back either; the other keys are rebuilt.
  EXPECT_TRUE(ReadAllValues(tree_, L"Doomed").empty());
  EXPECT_EQ(values_before_[L"Doomed\\Child1\\Grand"],
            ReadAllValues(tree_, L"Doomed\\Child1\\Grand"));
}

TEST_P(DeleteRegKeyOperationTest, CommitKeepsTheTreeDeleted) {
  {
    Transaction transaction;
    ASSERT_TRUE(transaction.Execute(Delete(L"Doomed\\Child1")));
  }
  EXPECT_FALSE(tree_.KeyExists(L"Doomed\\Child1"));
  EXPECT_TRUE(tree_.KeyExists(L"Doomed\\Child2"));
}

TEST_P(DeleteRegKeyOperationTest, MissingKeyIsNothingToDo) {
  Transaction transaction;
  EXPECT_TRUE(transaction.Execute(Delete(L"Missing")));
  EXPECT_TRUE(log_.Contains(logging::LOG_VERBOSE,
                            "Key does not exist. Nothing to do."));
  transaction.RollbackAll();
  EXPECT_FALSE(tree_.KeyExists(L"Missing"));
}

// The access that an allowing entry of |dacl| gives the current user; 0 when
// there is none.
DWORD AllowedToCurrentUser(std::vector<BYTE> dacl) {
  PSID user = nullptr;
  if (dacl.empty() ||
      !ConvertStringSidToSidW(CurrentUserSidText().c_str(), &user)) {
    return 0;
  }
  PACL acl = reinterpret_cast<PACL>(dacl.data());
  DWORD mask = 0;
  for (DWORD i = 0; i < acl->AceCount; ++i) {
    ACE_HEADER* header;
    if (GetAce(acl, i, reinterpret_cast<void**>(&header)) &&
        header->AceType == ACCESS_ALLOWED_ACE_TYPE) {
      auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
      if (EqualSid(&ace->SidStart, user))
        mask |= ace->Mask;
    }
  }
  LocalFree(user);
  return mask;
}

// A subkey that allows the current user nothing is granted access and
// deleted. The grant stays: the descriptor saved for the rollback is read
// after it.
TEST_P(DeleteRegKeyOperationTest, DeniedSubkeyIsGrantedAndDeleted) {
  ASSERT_TRUE(tree_.SetDacl(L"Doomed\\Child2", nullptr));
  Transaction transaction;
  auto operation = std::make_unique<DeleteRegKeyOperation>(
      GetParam(), tree_.Path(L"Doomed"));
  const DeleteRegKeyOperation* deletion = operation.get();
  ASSERT_TRUE(transaction.Execute(std::move(operation)));
  EXPECT_TRUE(log_.Contains(logging::LOG_VERBOSE,
                            "Insufficient permissions on the key"));
  EXPECT_FALSE(tree_.KeyExists(L"Doomed"));
  ASSERT_EQ(4u, deletion->saved_keys().size());
  const SavedRegistryKey& child2 = *deletion->saved_keys()[3];
  EXPECT_EQ(tree_.Path(L"Doomed\\Child2"), child2.path());
  EXPECT_EQ(0x3001Fu,
            AllowedToCurrentUser(DaclOf(child2.descriptor())) & 0x3001F);

  transaction.RollbackAll();
  tree_.AllowEverybody(L"Doomed");
  EXPECT_EQ(values_before_[L"Doomed\\Child2"],
            ReadAllValues(tree_, L"Doomed\\Child2"));
}

INSTANTIATE_TEST_SUITE_P(Roots,
                         DeleteRegKeyOperationTest,
                         ::testing::Values(HKEY_CURRENT_USER,
                                           HKEY_LOCAL_MACHINE),
                         [](const ::testing::TestParamInfo<HKEY>& info) {
                           return info.param == HKEY_LOCAL_MACHINE
                                      ? std::string("HKLM")
                                      : std::string("HKCU");
                         });

}  // namespace
}  // namespace installer
