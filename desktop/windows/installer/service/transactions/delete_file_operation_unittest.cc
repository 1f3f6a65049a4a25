#include "desktop/windows/installer/service/transactions/delete_file_operation.h"

#include <windows.h>

#include <memory>
#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/test_log_capture.h"
#include "base/time/time.h"
#include "desktop/windows/installer/service/test/test_file_util.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

constexpr int64_t kNow = 1700000000;
constexpr wchar_t kBackupSuffix[] = L".1700000000.old";

base::FilePath Backup(const base::FilePath& path) {
  base::FilePath backup = path;
  backup += kBackupSuffix;
  return backup;
}

base::FilePath TestBinaryFolder() {
  wchar_t buffer[MAX_PATH];
  GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  return base::FilePath(buffer).parent_path();
}

bool CanOpenForWriting(const base::FilePath& path) {
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  CloseHandle(file);
  return true;
}

// Waits until |path| can no longer be opened for writing: the state that the
// in-use test looks for.
bool WaitUntilInUse(const base::FilePath& path) {
  for (int i = 0; i < 100; ++i) {
    if (!CanOpenForWriting(path))
      return true;
    Sleep(50);
  }
  return false;
}

// A copy of the helper program, started from a path of the test's own and
// ended when this goes out of scope.
class RunningProgram {
 public:
  RunningProgram() = default;
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;
  ~RunningProgram() { Stop(); }

  bool Start(const base::FilePath& path) {
    if (!base::CopyFile(TestBinaryFolder() / L"idle_helper.exe", path))
      return false;
    STARTUPINFOW startup_info = {};
    startup_info.cb = sizeof(startup_info);
    PROCESS_INFORMATION process_info = {};
    std::wstring command_line = L"\"" + path.native() + L"\"";
    if (!CreateProcessW(path.c_str(), command_line.data(), nullptr, nullptr,
                        FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup_info, &process_info)) {
      return false;
    }
    CloseHandle(process_info.hThread);
    process_ = process_info.hProcess;
    return WaitUntilInUse(path);
  }

  void Stop() {
    if (!process_)
      return;
    TerminateProcess(process_, 0);
    WaitForSingleObject(process_, 10000);
    CloseHandle(process_);
    process_ = nullptr;
  }

 private:
  HANDLE process_ = nullptr;
};

constexpr wchar_t kSessionManagerKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenames[] = L"PendingFileRenameOperations";

// Reads the list of files that the system moves or deletes at the next
// restart; empty when there is none.
bool ReadPendingRenames(std::wstring* value) {
  value->clear();
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE,
                    &key) != ERROR_SUCCESS) {
    return false;
  }
  DWORD size = 0;
  LONG result =
      RegQueryValueExW(key, kPendingRenames, nullptr, nullptr, nullptr, &size);
  if (result == ERROR_SUCCESS) {
    value->resize(size / sizeof(wchar_t));
    result = RegQueryValueExW(key, kPendingRenames, nullptr, nullptr,
                              reinterpret_cast<BYTE*>(value->data()), &size);
  }
  RegCloseKey(key);
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

void WritePendingRenames(const std::wstring& value) {
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey,
                                         0, KEY_SET_VALUE, &key));
  if (value.empty()) {
    RegDeleteValueW(key, kPendingRenames);
  } else {
    RegSetValueExW(key, kPendingRenames, 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(value.data()),
                   static_cast<DWORD>(value.size() * sizeof(wchar_t)));
  }
  RegCloseKey(key);
}

class DeleteFileOperationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    base::Time::SetNowForTesting([] { return base::Time::FromTimeT(kNow); });
  }
  void TearDown() override { base::Time::SetNowForTesting(nullptr); }

  base::FilePath MakeFile(const std::wstring& name,
                          const std::string& contents = "contents") {
    base::FilePath path = temp_.GetPath() / name;
    EXPECT_TRUE(base::CreateDirectory(path.parent_path()));
    EXPECT_TRUE(base::WriteFile(path, contents));
    return path;
  }

  bool Delete(Transaction* transaction,
              const base::FilePath& path,
              bool check_in_use,
              bool remove_empty_parents = false) {
    return transaction->Execute(std::make_unique<DeleteFileOperation>(
        path, check_in_use, remove_empty_parents));
  }

  base::ScopedTempDir temp_;
  base::TestLogCapture log_;
};

TEST_F(DeleteFileOperationTest, MissingPathSucceedsWithNothingToCommit) {
  base::FilePath folder = temp_.GetPath() / L"empty";
  ASSERT_TRUE(base::CreateDirectory(folder));
  {
    Transaction transaction;
    EXPECT_TRUE(Delete(&transaction, folder / L"missing.txt", true, true));
    EXPECT_TRUE(log_.Contains(logging::LOG_VERBOSE,
                              "File does not exist. Nothing to do"));
  }
  EXPECT_FALSE(log_.ContainsPrefix(logging::LOG_VERBOSE, "Actual removal"));
  // Nothing was deleted, so no parent folder is removed either.
  EXPECT_TRUE(base::DirectoryExists(folder));
}

// A folder under a listed file's name is not the installer's: neither the
// operation nor its commit takes it, or anything in it, away.
TEST_F(DeleteFileOperationTest, FolderUnderTheNameIsLeftAlone) {
  const base::FilePath mine = MakeFile(L"readme.txt\\mine.txt", "mine");
  const base::FilePath folder = mine.parent_path();
  {
    Transaction transaction;
    EXPECT_TRUE(Delete(&transaction, folder, true, true));
  }
  EXPECT_EQ("mine", ReadTestFile(mine));
  EXPECT_FALSE(base::PathExists(Backup(folder)));
}

// The file stands under its backup name until the transaction is destroyed,
// and is deleted at that moment.
TEST_F(DeleteFileOperationTest, CommitDeletesTheBackup) {
  base::FilePath path = MakeFile(L"file.txt", "old data");
  {
    Transaction transaction;
    EXPECT_TRUE(Delete(&transaction, path, true));
    EXPECT_FALSE(base::PathExists(path));
    EXPECT_EQ("old data", ReadTestFile(Backup(path)));
    EXPECT_TRUE(
        log_.Contains(logging::LOG_VERBOSE,
                      "Preparing file " + PathForLog(path) + " for removal"));
    EXPECT_TRUE(log_.Contains(
        logging::LOG_VERBOSE,
        "File moved successfully to " + PathForLog(Backup(path))));
    EXPECT_FALSE(log_.ContainsPrefix(logging::LOG_VERBOSE, "Actual removal"));
  }
  EXPECT_TRUE(log_.Contains(logging::LOG_VERBOSE,
                            "Actual removal of " + PathForLog(Backup(path))));
  EXPECT_FALSE(base::PathExists(Backup(path)));
  EXPECT_FALSE(base::PathExists(path));
}

// Emptied folders above the file go at commit, up to the first one that still
// holds something; a rollback brings the file back and the commit after it
// neither deletes nor removes anything.
TEST_F(DeleteFileOperationTest, EmptyParentsRemovedAtCommitOnly) {
  base::FilePath keep = MakeFile(L"root\\keep.txt");
  base::FilePath path = MakeFile(L"root\\install\\sub\\file.exe", "program");
  const base::FilePath sub = path.parent_path();
  const base::FilePath install = sub.parent_path();
  {
    Transaction transaction;
    EXPECT_TRUE(Delete(&transaction, path, true, true));
    transaction.RollbackAll();
    EXPECT_EQ("program", ReadTestFile(path));
    EXPECT_FALSE(base::PathExists(Backup(path)));
    EXPECT_TRUE(Delete(&transaction, path, true, true));
    transaction.RollbackAll();
  }
  EXPECT_FALSE(log_.ContainsPrefix(logging::LOG_VERBOSE, "Actual removal"));
  EXPECT_EQ("program", ReadTestFile(path));

  {
    Transaction transaction;
    EXPECT_TRUE(Delete(&transaction, path, true, true));
    EXPECT_TRUE(base::DirectoryExists(sub));
  }
  EXPECT_FALSE(base::PathExists(sub));
  EXPECT_FALSE(base::PathExists(install));
  EXPECT_TRUE(base::PathExists(keep));
}

// A backup that can be deleted neither now nor at the next restart (its
// path is too long to queue) is reported, not left behind silently.
TEST_F(DeleteFileOperationTest, BackupThatCannotBeRemovedIsReported) {
  std::wstring name;
  while (temp_.GetPath().native().size() + name.size() < MAX_PATH - 20)
    name += L"d\\";
  const base::FilePath path = MakeFile(name + L"held.txt");
  ASSERT_GE(Backup(path).native().size(), static_cast<size_t>(MAX_PATH));
  HANDLE held = INVALID_HANDLE_VALUE;
  {
    Transaction transaction;
    ASSERT_TRUE(Delete(&transaction, path, false));
    // Open without FILE_SHARE_DELETE: the commit cannot delete it.
    held = CreateFileW(Backup(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                       nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
  }
  CloseHandle(held);
  EXPECT_TRUE(log_.Contains(logging::LOG_WARNING,
                            "Could not remove " + PathForLog(Backup(path)) +
                                " now or at the next restart; it is left "
                                "behind"));
  EXPECT_TRUE(base::PathExists(Backup(path)));
}

// With a top folder the walk removes emptied folders up to it and no
// further, even when the folders above are empty too.
TEST_F(DeleteFileOperationTest, EmptyParentsStopAtTopFolder) {
  base::FilePath path = MakeFile(L"root\\install\\sub\\file.txt");
  const base::FilePath install = path.parent_path().parent_path();
  const base::FilePath root = install.parent_path();
  {
    Transaction transaction;
    EXPECT_TRUE(transaction.Execute(std::make_unique<DeleteFileOperation>(
        path, true, true, base::FilePath(install.native() + L"\\"))));
  }
  EXPECT_FALSE(base::PathExists(install));
  EXPECT_TRUE(base::DirectoryExists(root));
}

// A backup left from an earlier attempt in the same second is neither
// overwritten nor is the file touched.
TEST_F(DeleteFileOperationTest, LeftoverBackupOfTheSameSecond) {
  base::FilePath path = MakeFile(L"file.txt", "current");
  ASSERT_TRUE(base::WriteFile(Backup(path), "leftover"));
  Transaction transaction;
  EXPECT_FALSE(Delete(&transaction, path, false));
  EXPECT_TRUE(log_.Contains(logging::LOG_ERROR, "Temporary file with name" +
                                                    PathForLog(Backup(path)) +
                                                    "already exists"));
  EXPECT_EQ("current", ReadTestFile(path));
  EXPECT_EQ("leftover", ReadTestFile(Backup(path)));
}

// A file held open without FILE_SHARE_DELETE cannot be moved aside.
TEST_F(DeleteFileOperationTest, FileOpenWithoutShareDelete) {
  base::FilePath path = MakeFile(L"held.txt", "held");
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  Transaction transaction;
  EXPECT_FALSE(Delete(&transaction, path, false));
  CloseHandle(file);
  EXPECT_TRUE(log_.Contains(logging::LOG_ERROR, "File removal failed"));
  EXPECT_EQ("held", ReadTestFile(path));
  EXPECT_FALSE(base::PathExists(Backup(path)));
}

// The running program can be renamed but not opened for writing: with the
// in-use check it is put back and the deletion fails; without it, it is moved
// aside, and the commit, unable to delete it, leaves it to the next restart.
TEST_F(DeleteFileOperationTest, RunningProgram) {
  base::FilePath path = temp_.GetPath() / L"tavrin.exe";
  RunningProgram program;
  ASSERT_TRUE(program.Start(path));

  {
    Transaction transaction;
    EXPECT_FALSE(Delete(&transaction, path, true));
    EXPECT_TRUE(log_.ContainsPrefix(
        logging::LOG_ERROR, "Attempt to open the file for writing failed: "));
    EXPECT_TRUE(log_.Contains(logging::LOG_ERROR, "File removal failed"));
    EXPECT_TRUE(base::PathExists(path));
    EXPECT_FALSE(base::PathExists(Backup(path)));
  }

  std::wstring pending_before;
  ASSERT_TRUE(ReadPendingRenames(&pending_before));
  {
    Transaction transaction;
    EXPECT_TRUE(Delete(&transaction, path, false));
    EXPECT_FALSE(base::PathExists(path));
    EXPECT_TRUE(base::PathExists(Backup(path)));
  }
  EXPECT_TRUE(base::PathExists(Backup(path)));
  std::wstring pending_after;
  ASSERT_TRUE(ReadPendingRenames(&pending_after));
  WritePendingRenames(pending_before);
  EXPECT_NE(std::wstring::npos,
            base::ToLowerASCII(pending_after)
                .find(base::ToLowerASCII(Backup(path).native())));
  program.Stop();
}

// The in-use test looks at the extension in any letter case. A library that
// is loaded counts as in use like a running program; a file of another kind
// that is held the same way is moved aside all the same.
TEST_F(DeleteFileOperationTest, InUseTestForCapitalExtensions) {
  base::FilePath program_path = temp_.GetPath() / L"HELPER.EXE";
  RunningProgram program;
  ASSERT_TRUE(program.Start(program_path));
  base::FilePath library_path = temp_.GetPath() / L"HELPER.DLL";
  ASSERT_TRUE(base::CopyFile(TestBinaryFolder() / L"in_use_helper_library.dll",
                             library_path));
  HMODULE library = LoadLibraryW(library_path.c_str());
  ASSERT_TRUE(library);
  ASSERT_TRUE(WaitUntilInUse(library_path));

  // Held open for reading with renaming allowed, as a loader would.
  base::FilePath data_path = MakeFile(L"DATA.TXT", "data");
  HANDLE data = CreateFileW(data_path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, data);

  {
    Transaction transaction;
    EXPECT_FALSE(Delete(&transaction, program_path, true));
    EXPECT_TRUE(base::PathExists(program_path));
    EXPECT_FALSE(Delete(&transaction, library_path, true));
    EXPECT_TRUE(base::PathExists(library_path));
    EXPECT_TRUE(Delete(&transaction, data_path, true));
    EXPECT_FALSE(base::PathExists(data_path));
    transaction.RollbackAll();
  }
  CloseHandle(data);
  EXPECT_EQ("data", ReadTestFile(data_path));
  FreeLibrary(library);
  program.Stop();
}

}  // namespace
}  // namespace installer
