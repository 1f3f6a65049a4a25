#include "desktop/windows/installer/service/transactions/create_folder_operation.h"

#include <windows.h>

#include <memory>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/test/test_log_capture.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

class CreateFolderOperationTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_.CreateUniqueTempDir()); }

  bool Create(Transaction* transaction, const base::FilePath& path) {
    return transaction->Execute(std::make_unique<CreateFolderOperation>(path));
  }

  base::ScopedTempDir temp_;
  base::TestLogCapture log_;
};

// A folder that exists already is not taken away by the rollback.
TEST_F(CreateFolderOperationTest, ExistingFolderIsLeftAlone) {
  const base::FilePath folder = temp_.GetPath() / L"there";
  ASSERT_TRUE(base::CreateDirectory(folder));
  Transaction transaction;
  EXPECT_TRUE(Create(&transaction, folder));
  EXPECT_TRUE(log_.Contains(logging::LOG_VERBOSE, "Folder already exists"));
  transaction.RollbackAll();
  EXPECT_TRUE(base::DirectoryExists(folder));
}

// A trailing separator names the same folder; every level it created still
// goes with the rollback.
TEST_F(CreateFolderOperationTest, TrailingSeparator) {
  const base::FilePath folder = temp_.GetPath() / L"x\\y\\";
  Transaction transaction;
  EXPECT_TRUE(Create(&transaction, folder));
  EXPECT_TRUE(base::DirectoryExists(temp_.GetPath() / L"x\\y"));
  transaction.RollbackAll();
  EXPECT_FALSE(base::PathExists(temp_.GetPath() / L"x"));
  EXPECT_TRUE(base::DirectoryExists(temp_.GetPath()));
}

// Relative paths start from the working folder, whose own parent is never
// named in them.
TEST_F(CreateFolderOperationTest, RelativePaths) {
  wchar_t previous[MAX_PATH];
  ASSERT_NE(0u, GetCurrentDirectoryW(MAX_PATH, previous));
  ASSERT_TRUE(SetCurrentDirectoryW(temp_.GetPath().c_str()));
  Transaction transaction;
  const bool single = Create(&transaction, base::FilePath(L"single"));
  const bool nested = Create(&transaction, base::FilePath(L"a\\b\\"));
  const bool single_there = base::DirectoryExists(temp_.GetPath() / L"single");
  const bool nested_there = base::DirectoryExists(temp_.GetPath() / L"a\\b");
  transaction.RollbackAll();
  SetCurrentDirectoryW(previous);
  EXPECT_TRUE(single);
  EXPECT_TRUE(nested);
  EXPECT_TRUE(single_there);
  EXPECT_TRUE(nested_there);
  // Every level goes with the rollback, and the working folder stays.
  EXPECT_TRUE(base::IsDirectoryEmpty(temp_.GetPath()));
}

// On a drive that does not exist the walk reaches the drive's root without
// finding a folder.
TEST_F(CreateFolderOperationTest, MissingDrive) {
  wchar_t drive[] = L"?:\\";
  const DWORD drives = GetLogicalDrives();
  for (int letter = 'Q'; letter <= 'Y'; ++letter) {
    if (!(drives & (1u << (letter - 'A')))) {
      drive[0] = static_cast<wchar_t>(letter);
      break;
    }
  }
  ASSERT_NE(L'?', drive[0]);
  Transaction transaction;
  EXPECT_FALSE(Create(&transaction, base::FilePath(drive) / L"a\\b"));
  EXPECT_TRUE(log_.Contains(logging::LOG_ERROR, "Failed folder creation"));
}

}  // namespace
}  // namespace installer
