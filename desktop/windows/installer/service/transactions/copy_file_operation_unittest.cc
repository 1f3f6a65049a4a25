#include "desktop/windows/installer/service/transactions/copy_file_operation.h"

#include <windows.h>

#include <memory>
#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/test_log_capture.h"
#include "base/time/time.h"
#include "desktop/windows/installer/service/test/test_file_util.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

constexpr int64_t kNow = 1700000000;

class CopyFileOperationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    base::Time::SetNowForTesting([] { return base::Time::FromTimeT(kNow); });
    source_ = temp_.GetPath() / L"source.bin";
    ASSERT_TRUE(base::WriteFile(source_, "new"));
  }
  void TearDown() override { base::Time::SetNowForTesting(nullptr); }

  bool Copy(Transaction* transaction, const base::FilePath& destination) {
    return transaction->Execute(
        std::make_unique<CopyFileOperation>(source_, destination));
  }

  base::ScopedTempDir temp_;
  base::FilePath source_;
  base::TestLogCapture log_;
};

// Three missing levels are created below the existing folder; the rollback
// removes the copy and then the levels from the deepest up, never the folder
// that existed.
TEST_F(CopyFileOperationTest, IntoMissingFoldersAndRollBack) {
  const base::FilePath existing = temp_.GetPath() / L"existing";
  ASSERT_TRUE(base::CreateDirectory(existing));
  const base::FilePath destination = existing / L"a\\b\\c\\file.bin";

  Transaction transaction;
  EXPECT_TRUE(Copy(&transaction, destination));
  EXPECT_EQ("new", ReadTestFile(destination));
  EXPECT_TRUE(log_.Contains(
      logging::LOG_VERBOSE,
      "Copying " + PathForLog(source_) + " to " + PathForLog(destination)));
  EXPECT_TRUE(log_.Contains(logging::LOG_VERBOSE, "File copied successfully"));

  transaction.RollbackAll();
  EXPECT_FALSE(base::PathExists(destination));
  EXPECT_FALSE(base::PathExists(existing / L"a"));
  EXPECT_TRUE(base::DirectoryExists(existing));
  EXPECT_TRUE(base::IsDirectoryEmpty(existing));
}

// Relative destinations land in the working folder, a bare file name too.
TEST_F(CopyFileOperationTest, RelativeDestinations) {
  const base::FilePath work = temp_.GetPath() / L"work";
  ASSERT_TRUE(base::CreateDirectory(work));
  wchar_t previous[MAX_PATH];
  ASSERT_NE(0u, GetCurrentDirectoryW(MAX_PATH, previous));
  ASSERT_TRUE(SetCurrentDirectoryW(work.c_str()));
  Transaction transaction;
  const bool bare = Copy(&transaction, base::FilePath(L"file.bin"));
  const bool below = Copy(&transaction, base::FilePath(L"sub\\file.bin"));
  const std::string bare_contents = ReadTestFile(work / L"file.bin");
  const std::string below_contents = ReadTestFile(work / L"sub\\file.bin");
  transaction.RollbackAll();
  SetCurrentDirectoryW(previous);
  EXPECT_TRUE(bare);
  EXPECT_TRUE(below);
  EXPECT_EQ("new", bare_contents);
  EXPECT_EQ("new", below_contents);
  EXPECT_TRUE(base::IsDirectoryEmpty(work));
}

// A level that holds something of somebody else's by the time of the rollback
// stays, and so does everything above it.
TEST_F(CopyFileOperationTest, RollbackStopsAtFolderNoLongerEmpty) {
  const base::FilePath existing = temp_.GetPath() / L"existing";
  ASSERT_TRUE(base::CreateDirectory(existing));
  const base::FilePath destination = existing / L"a\\b\\c\\file.bin";

  Transaction transaction;
  EXPECT_TRUE(Copy(&transaction, destination));
  ASSERT_TRUE(base::WriteFile(existing / L"a\\other.txt", "other"));
  transaction.RollbackAll();
  EXPECT_FALSE(base::PathExists(existing / L"a\\b"));
  EXPECT_EQ("other", ReadTestFile(existing / L"a\\other.txt"));
}

// The old destination stands aside until the commit deletes it.
TEST_F(CopyFileOperationTest, OverExistingFileThenCommit) {
  const base::FilePath destination = temp_.GetPath() / L"file.bin";
  ASSERT_TRUE(base::WriteFile(destination, "old"));
  base::FilePath backup = destination;
  backup += L".1700000000.old";
  {
    Transaction transaction;
    EXPECT_TRUE(Copy(&transaction, destination));
    EXPECT_EQ("new", ReadTestFile(destination));
    EXPECT_EQ("old", ReadTestFile(backup));
  }
  EXPECT_EQ("new", ReadTestFile(destination));
  EXPECT_FALSE(base::PathExists(backup));
}

TEST_F(CopyFileOperationTest, OverExistingFileThenRollBack) {
  const base::FilePath destination = temp_.GetPath() / L"file.bin";
  ASSERT_TRUE(base::WriteFile(destination, "old"));
  base::FilePath backup = destination;
  backup += L".1700000000.old";
  {
    Transaction transaction;
    EXPECT_TRUE(Copy(&transaction, destination));
    transaction.RollbackAll();
    EXPECT_EQ("old", ReadTestFile(destination));
    EXPECT_FALSE(base::PathExists(backup));
  }
  EXPECT_EQ("old", ReadTestFile(destination));
}

// A folder where the package puts a file is somebody else's: the copy fails
// and the folder keeps all it holds, through the commit too.
TEST_F(CopyFileOperationTest, FolderInTheWayFailsTheCopy) {
  const base::FilePath destination = temp_.GetPath() / L"file.bin";
  ASSERT_TRUE(base::CreateDirectory(destination));
  ASSERT_TRUE(base::WriteFile(destination / L"mine.txt", "mine"));
  {
    Transaction transaction;
    EXPECT_FALSE(Copy(&transaction, destination));
  }
  EXPECT_EQ("mine", ReadTestFile(destination / L"mine.txt"));
}

// The read-only bit is taken off the source, so that the installed copy does
// not carry it.
TEST_F(CopyFileOperationTest, ReadOnlySource) {
  ASSERT_TRUE(SetFileAttributesW(source_.c_str(), FILE_ATTRIBUTE_READONLY));
  const base::FilePath destination = temp_.GetPath() / L"file.bin";
  Transaction transaction;
  EXPECT_TRUE(Copy(&transaction, destination));
  EXPECT_EQ("new", ReadTestFile(destination));
  EXPECT_FALSE(GetFileAttributesW(source_.c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(GetFileAttributesW(destination.c_str()) &
               FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(log_.ContainsPrefix(logging::LOG_ERROR, ""));
}

// A copy that fails undoes the folder creation and the move-aside that
// came before it.
TEST_F(CopyFileOperationTest, FailedCopyUndoesItsSteps) {
  ASSERT_TRUE(base::DeleteFile(source_, false));
  const base::FilePath new_folder = temp_.GetPath() / L"new";
  const base::FilePath existing = temp_.GetPath() / L"file.bin";
  ASSERT_TRUE(base::WriteFile(existing, "old"));
  {
    Transaction transaction;
    EXPECT_FALSE(Copy(&transaction, new_folder / L"file.bin"));
    EXPECT_FALSE(Copy(&transaction, existing));
    EXPECT_TRUE(log_.Contains(logging::LOG_ERROR, "File copy failed"));
  }
  EXPECT_FALSE(base::PathExists(new_folder));
  EXPECT_EQ("old", ReadTestFile(existing));
  EXPECT_FALSE(log_.ContainsPrefix(logging::LOG_VERBOSE, "Actual removal"));
}

}  // namespace
}  // namespace installer
