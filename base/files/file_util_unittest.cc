#include "base/files/file_util.h"

#include <windows.h>

#include <string>
#include <vector>

#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"

namespace base {
namespace {

class FileUtilTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_.CreateUniqueTempDir()); }

  FilePath Path(const wchar_t* name) const { return temp_.GetPath() / name; }

  // Names in |dir|, without "." and "..".
  static std::vector<std::wstring> List(const FilePath& dir) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((dir / L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
      return names;
    do {
      const std::wstring name = data.cFileName;
      if (name != L"." && name != L"..")
        names.push_back(name);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return names;
  }

  static std::string Read(const FilePath& path) {
    std::string contents;
    EXPECT_TRUE(ReadFileToString(path, &contents)) << path;
    return contents;
  }

  ScopedTempDir temp_;
};

TEST_F(FileUtilTest, CreateDirectoryMakesEveryLevel) {
  // Polish, Russian and Chinese folder names.
  const FilePath deep = temp_.GetPath() / L"Za\u017C\u00F3\u0142\u0107" /
                        L"\u041F\u0430\u043F\u043A\u0430" / L"\u6587\u4EF6";
  EXPECT_FALSE(DirectoryExists(deep));
  EXPECT_TRUE(CreateDirectory(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(IsDirectoryEmpty(deep));
  // Already there, also with a trailing separator.
  EXPECT_TRUE(CreateDirectory(deep));
  EXPECT_TRUE(CreateDirectory(FilePath(deep.native() + L"\\")));

  // A file in the way.
  const FilePath file = Path(L"file");
  ASSERT_TRUE(WriteFile(file, "x"));
  EXPECT_FALSE(CreateDirectory(file));
  EXPECT_FALSE(CreateDirectory(file / L"below"));
  EXPECT_TRUE(PathExists(file));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_FALSE(IsDirectoryEmpty(file));
  EXPECT_FALSE(IsDirectoryEmpty(Path(L"missing")));
  EXPECT_FALSE(IsDirectoryEmpty(temp_.GetPath()));
}

TEST_F(FileUtilTest, WriteAndReadBinaryData) {
  const std::string data("a\0b\r\n\xFF\xFE end", 11);
  const FilePath file = Path(L"\u0434\u0430\u043D\u043D\u044B\u0435.bin");
  EXPECT_TRUE(WriteFile(file, data));
  EXPECT_EQ(data, Read(file));
  int64_t size = 0;
  EXPECT_TRUE(GetFileSize(file, &size));
  EXPECT_EQ(11, size);

  // Writing again truncates.
  EXPECT_TRUE(WriteFile(file, "xy"));
  EXPECT_EQ("xy", Read(file));
  EXPECT_TRUE(WriteFile(file, ""));
  EXPECT_EQ("", Read(file));

  std::string contents = "stale";
  EXPECT_FALSE(ReadFileToString(Path(L"missing"), &contents));
  EXPECT_EQ("", contents);
  EXPECT_TRUE(ReadFileToString(file, nullptr));
  EXPECT_FALSE(GetFileSize(Path(L"missing"), &size));
  EXPECT_FALSE(WriteFile(Path(L"missing") / L"x", "x"));
}

TEST_F(FileUtilTest, WriteFileAtomicallyLeavesNoTemporaryFile) {
  const FilePath file = Path(L"prefs.json");
  EXPECT_TRUE(WriteFileAtomically(file, "{\"a\":1}"));
  EXPECT_EQ("{\"a\":1}", Read(file));
  EXPECT_TRUE(WriteFileAtomically(file, "{}"));
  EXPECT_EQ("{}", Read(file));
  EXPECT_EQ(std::vector<std::wstring>{L"prefs.json"}, List(temp_.GetPath()));
}

TEST_F(FileUtilTest, WriteFileAtomicallyKeepsOldFileOnFailure) {
  const FilePath file = Path(L"prefs.json");
  ASSERT_TRUE(WriteFile(file, "old"));
  // A reader that does not share deletion keeps the file from being
  // replaced; the writer must give up cleanly.
  HANDLE reader = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, reader);
  EXPECT_FALSE(WriteFileAtomically(file, "new"));
  ::CloseHandle(reader);
  EXPECT_EQ("old", Read(file));
  EXPECT_EQ(std::vector<std::wstring>{L"prefs.json"}, List(temp_.GetPath()));

  // A directory in the target's place is not replaced either.
  const FilePath dir = Path(L"dir");
  ASSERT_TRUE(CreateDirectory(dir));
  EXPECT_FALSE(WriteFileAtomically(dir, "new"));
  EXPECT_TRUE(DirectoryExists(dir));
  EXPECT_EQ(2u, List(temp_.GetPath()).size());

  EXPECT_FALSE(WriteFileAtomically(Path(L"missing") / L"x.json", "new"));
}

TEST_F(FileUtilTest, MoveAndCopyReplaceExistingFiles) {
  const FilePath from = Path(L"from.txt");
  const FilePath to = Path(L"to.txt");
  ASSERT_TRUE(WriteFile(from, "new"));
  ASSERT_TRUE(WriteFile(to, "old"));
  EXPECT_TRUE(Move(from, to));
  EXPECT_FALSE(PathExists(from));
  EXPECT_EQ("new", Read(to));

  EXPECT_FALSE(Move(from, to));
  EXPECT_EQ("new", Read(to));

  const FilePath copy = Path(L"copy.txt");
  ASSERT_TRUE(WriteFile(copy, "old copy"));
  EXPECT_TRUE(CopyFile(to, copy));
  EXPECT_EQ("new", Read(copy));
  EXPECT_EQ("new", Read(to));
  EXPECT_FALSE(CopyFile(Path(L"missing"), copy));

  // Whole directories move too.
  const FilePath dir = Path(L"dir");
  ASSERT_TRUE(CreateDirectory(dir / L"inner"));
  ASSERT_TRUE(WriteFile(dir / L"inner" / L"f", "f"));
  EXPECT_TRUE(Move(dir, Path(L"moved")));
  EXPECT_FALSE(PathExists(dir));
  EXPECT_EQ("f", Read(Path(L"moved") / L"inner" / L"f"));
}

TEST_F(FileUtilTest, DeleteFileAndTrees) {
  EXPECT_TRUE(DeleteFile(Path(L"missing"), false));
  EXPECT_TRUE(DeleteFile(Path(L"missing") / L"deeper", true));

  const FilePath file = Path(L"file");
  ASSERT_TRUE(WriteFile(file, "x"));
  EXPECT_TRUE(DeleteFile(file, false));
  EXPECT_FALSE(PathExists(file));

  const FilePath tree = Path(L"tr\u00E9e");
  ASSERT_TRUE(CreateDirectory(tree / L"a" / L"b"));
  ASSERT_TRUE(CreateDirectory(tree / L"empty"));
  ASSERT_TRUE(WriteFile(tree / L"top.txt", "1"));
  ASSERT_TRUE(WriteFile(tree / L"a" / L"b" / L"\u0444.txt", "2"));
  const FilePath read_only = tree / L"a" / L"read_only.txt";
  ASSERT_TRUE(WriteFile(read_only, "3"));
  ASSERT_TRUE(::SetFileAttributesW(read_only.c_str(), FILE_ATTRIBUTE_READONLY));

  // Without |recursive| only an empty directory goes.
  EXPECT_FALSE(DeleteFile(tree, false));
  EXPECT_TRUE(PathExists(tree / L"top.txt"));
  EXPECT_TRUE(DeleteFile(tree / L"empty", false));
  EXPECT_FALSE(PathExists(tree / L"empty"));

  EXPECT_TRUE(DeleteFile(tree, true));
  EXPECT_FALSE(PathExists(tree));
  EXPECT_TRUE(List(temp_.GetPath()).empty());

  // A read-only file on its own.
  ASSERT_TRUE(WriteFile(file, "x"));
  ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(DeleteFile(file, false));
  EXPECT_FALSE(PathExists(file));
}

TEST_F(FileUtilTest, DeleteFileFailsForFileInUse) {
  const FilePath tree = Path(L"tree");
  ASSERT_TRUE(CreateDirectory(tree));
  const FilePath busy = tree / L"busy.txt";
  ASSERT_TRUE(WriteFile(busy, "x"));
  ASSERT_TRUE(WriteFile(tree / L"other.txt", "y"));
  HANDLE handle = ::CreateFileW(busy.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, handle);
  EXPECT_FALSE(DeleteFile(tree, true));
  // What could go, went.
  EXPECT_FALSE(PathExists(tree / L"other.txt"));
  EXPECT_TRUE(PathExists(busy));
  ::CloseHandle(handle);
  EXPECT_TRUE(DeleteFile(tree, true));
  EXPECT_FALSE(PathExists(tree));
}

TEST_F(FileUtilTest, TemporaryDirectories) {
  FilePath first;
  FilePath second;
  ASSERT_TRUE(CreateTemporaryDirInDir(temp_.GetPath(), L"pre_", &first));
  ASSERT_TRUE(CreateTemporaryDirInDir(temp_.GetPath(), L"pre_", &second));
  EXPECT_NE(first, second);
  EXPECT_TRUE(DirectoryExists(first));
  EXPECT_EQ(temp_.GetPath(), first.parent_path());
  EXPECT_EQ(0u, first.filename().native().find(L"pre_"));
  EXPECT_FALSE(CreateTemporaryDirInDir(Path(L"missing"), L"x", &first));

  FilePath temp_dir;
  ASSERT_TRUE(GetTempDir(&temp_dir));
  EXPECT_TRUE(DirectoryExists(temp_dir));
  EXPECT_NE(L'\\', temp_dir.native().back());
}

TEST(ScopedTempDirTest, DeletesTreeWhenDone) {
  FilePath path;
  {
    ScopedTempDir dir;
    EXPECT_FALSE(dir.IsValid());
    ASSERT_TRUE(dir.CreateUniqueTempDir());
    EXPECT_TRUE(dir.IsValid());
    EXPECT_FALSE(dir.CreateUniqueTempDir());
    path = dir.GetPath();
    ASSERT_TRUE(CreateDirectory(path / L"sub"));
    ASSERT_TRUE(WriteFile(path / L"sub" / L"f.txt", "x"));
  }
  EXPECT_FALSE(PathExists(path));

  ScopedTempDir base;
  ASSERT_TRUE(base.CreateUniqueTempDir());
  ScopedTempDir under;
  // The base folder is created when missing.
  ASSERT_TRUE(under.CreateUniqueTempDirUnderPath(base.GetPath() / L"new"));
  EXPECT_EQ(base.GetPath() / L"new", under.GetPath().parent_path());
  EXPECT_TRUE(under.Delete());
  EXPECT_FALSE(under.IsValid());
  EXPECT_FALSE(under.Delete());
}

}  // namespace
}  // namespace base
