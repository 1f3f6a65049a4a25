#include "base/files/file_path.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace base {
namespace {

// Paths as the programs meet them: drive roots, shares, the "\\?\" prefix,
// both separators, repeated and trailing separators, "." and "..".
const std::vector<std::wstring> kPaths = {
    L"",
    L"C:",
    L"C:\\",
    L"C:/",
    L"C:\\a",
    L"C:a",
    L"C:..\\a",
    L"C:\\a\\b",
    L"C:\\a\\b\\",
    L"C:\\a\\\\b",
    L"C:\\\\a",
    L"C:/a/b.txt",
    L"C:\\dir.d\\file",
    L"c:\\Program Files\\Ulvena\\tavrin.exe",
    L"1:\\x",
    L"\\",
    L"/",
    L"\\a",
    L"/a/b",
    L"\\\\server",
    L"\\\\server\\",
    L"\\\\server\\share",
    L"\\\\server\\share\\dir\\f.x",
    L"//server/share/",
    L"\\/server\\x",
    L"\\\\\\a",
    L"\\\\?\\C:\\Program Files\\x.exe",
    L"\\\\?\\UNC\\server\\share\\f",
    L"name",
    L"name.txt",
    L".bashrc",
    L"a.b.c",
    L"a.",
    L"dir.d\\",
    L".",
    L"..",
    L"...",
    L"a\\.",
    L"a\\..",
    L"a\\..\\",
    L"a\\.\\",
    L"a\\\\\\",
    L"..\\a",
    L"..\\..",
    L".\\..\\.",
    L"a\\.\\b",
    L"a/b/../../../c",
    L"a\\b\\..\\c\\.\\",
    L"C:\\..\\a",
    L"C:\\a\\..\\..",
    L"C:\\a\\.\\b\\..\\c.txt",
    L"\\..\\a",
    L"\\\\server\\share\\..\\x",
    L"\u00E9t\u00E9\\\u4E2D.txt",
};

std::wstring Std(const std::filesystem::path& path) {
  return path.native();
}

std::wstring Backslashes(std::wstring path) {
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

// MinGW's std::filesystem::path reads "\\server" and "\\?" as a root
// directory and a file name, not as the root name Windows sees; such paths
// are pinned on their own below instead of compared with it.
bool HasServerRootName(const std::wstring& path) {
  auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  return path.size() > 2 && separator(path[0]) && separator(path[1]) &&
         !separator(path[2]);
}

TEST(FilePathTest, PartsAsStandardPath) {
  for (const std::wstring& text : kPaths) {
    if (HasServerRootName(text))
      continue;
    SCOPED_TRACE(testing::Message() << FilePath(text));
    const FilePath path(text);
    const std::filesystem::path reference(text);
    EXPECT_EQ(text, path.native());
    EXPECT_EQ(text, path.wstring());
    EXPECT_EQ(text, path.c_str());
    EXPECT_EQ(reference.empty(), path.empty());
    EXPECT_EQ(reference.has_root_name(), path.has_root_name());
    EXPECT_EQ(reference.has_root_directory(), path.has_root_directory());
    EXPECT_EQ(reference.is_absolute(), path.is_absolute());
    EXPECT_EQ(Std(reference.root_name()), path.root_name().native());
    // The library answers its own separator for a path that is nothing
    // but a root directory ("/" gives "\\"); the text of the path is kept
    // here, as for "/a".
    EXPECT_EQ(Backslashes(Std(reference.root_path())),
              Backslashes(path.root_path().native()));
    EXPECT_EQ(Std(reference.parent_path()), path.parent_path().native());
    EXPECT_EQ(Std(reference.filename()), path.filename().native());
    EXPECT_EQ(Std(reference.extension()), path.extension().native());
    EXPECT_EQ(Std(reference.lexically_normal()),
              path.lexically_normal().native());
  }
}

TEST(FilePathTest, ReplaceExtensionAsStandardPath) {
  for (const std::wstring& text : kPaths) {
    if (HasServerRootName(text))
      continue;
    for (const wchar_t* extension : {L"bad", L".bad", L""}) {
      SCOPED_TRACE(testing::Message()
                   << FilePath(text) << " " << FilePath(extension));
      FilePath path(text);
      std::filesystem::path reference(text);
      EXPECT_EQ(Std(reference.replace_extension(extension)),
                path.replace_extension(extension).native());
    }
  }
}

TEST(FilePathTest, AppendAsStandardPath) {
  const std::vector<std::wstring> lefts = {
      L"", L"C:", L"C:\\", L"C:\\a", L"C:\\a\\", L"a", L"a\\\\", L"\\", L"D:x"};
  const std::vector<std::wstring> rights = {L"",      L"b",   L"b\\c", L"\\b",
                                            L"/b",    L"C:",  L"C:b",  L"C:\\b",
                                            L"D:\\b", L"D:b", L".."};
  for (const std::wstring& left : lefts) {
    for (const std::wstring& right : rights) {
      SCOPED_TRACE(testing::Message()
                   << FilePath(left) << " / " << FilePath(right));
      EXPECT_EQ(Std(std::filesystem::path(left) / right),
                (FilePath(left) / right).native());
      FilePath appended(left);
      appended /= right;
      EXPECT_EQ(Std(std::filesystem::path(left) / right), appended.native());
    }
  }
}

TEST(FilePathTest, ServerAndPrefixedPaths) {
  struct Case {
    const wchar_t* path;
    const wchar_t* root_name;
    const wchar_t* root_path;
    bool is_absolute;
    const wchar_t* parent_path;
    const wchar_t* filename;
    const wchar_t* normal;
  } cases[] = {
      {L"\\\\server", L"\\\\server", L"\\\\server", false, L"\\\\server", L"",
       L"\\\\server"},
      {L"\\\\server\\", L"\\\\server", L"\\\\server\\", true, L"\\\\server\\",
       L"", L"\\\\server\\"},
      {L"\\\\server\\share", L"\\\\server", L"\\\\server\\", true,
       L"\\\\server\\", L"share", L"\\\\server\\share"},
      {L"\\\\server\\share\\dir\\f.x", L"\\\\server", L"\\\\server\\", true,
       L"\\\\server\\share\\dir", L"f.x", L"\\\\server\\share\\dir\\f.x"},
      {L"//server/share/", L"//server", L"//server/", true, L"//server/share",
       L"", L"\\\\server\\share\\"},
      {L"\\/server\\x", L"\\/server", L"\\/server\\", true, L"\\/server\\",
       L"x", L"\\\\server\\x"},
      {L"\\\\server\\share\\..\\x", L"\\\\server", L"\\\\server\\", true,
       L"\\\\server\\share\\..", L"x", L"\\\\server\\x"},
      {L"\\\\?\\C:\\Program Files\\x.exe", L"\\\\?", L"\\\\?\\", true,
       L"\\\\?\\C:\\Program Files", L"x.exe",
       L"\\\\?\\C:\\Program Files\\x.exe"},
      {L"\\\\?\\UNC\\server\\share\\f", L"\\\\?", L"\\\\?\\", true,
       L"\\\\?\\UNC\\server\\share", L"f", L"\\\\?\\UNC\\server\\share\\f"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(testing::Message() << FilePath(test.path));
    const FilePath path(test.path);
    EXPECT_TRUE(path.has_root_name());
    EXPECT_EQ(test.root_name, path.root_name().native());
    EXPECT_EQ(test.root_path, path.root_path().native());
    EXPECT_EQ(test.is_absolute, path.is_absolute());
    EXPECT_EQ(test.is_absolute, path.has_root_directory());
    EXPECT_EQ(test.parent_path, path.parent_path().native());
    EXPECT_EQ(test.filename, path.filename().native());
    EXPECT_EQ(test.normal, path.lexically_normal().native());
  }
  EXPECT_EQ(L".x",
            FilePath(L"\\\\server\\share\\dir\\f.x").extension().native());
  EXPECT_EQ(
      L"\\\\server\\share\\f.bad",
      FilePath(L"\\\\server\\share\\f.x").replace_extension(L"bad").native());

  // A server's name keeps its separator, a share's root directory is kept
  // for a path with one, and another root name or an absolute path replaces
  // the whole.
  EXPECT_EQ(L"\\\\server\\b", (FilePath(L"\\\\server") / L"b").native());
  EXPECT_EQ(L"\\\\server\\share\\b",
            (FilePath(L"\\\\server\\share") / L"b").native());
  EXPECT_EQ(L"\\\\server\\b",
            (FilePath(L"\\\\server\\share") / L"\\b").native());
  EXPECT_EQ(L"\\\\other\\s", (FilePath(L"C:\\a") / L"\\\\other\\s").native());
  EXPECT_EQ(L"\\\\other\\s", (FilePath(L"C:") / L"\\\\other\\s").native());
  EXPECT_EQ(L"C:b", (FilePath(L"\\\\server\\share") / L"C:b").native());
  EXPECT_EQ(L"C:\\x", (FilePath(L"\\\\server\\share") / L"C:\\x").native());

  EXPECT_EQ(FilePath(L"\\\\server\\share"), FilePath(L"//server/share"));
  EXPECT_NE(FilePath(L"\\\\server\\share"), FilePath(L"\\\\other\\share"));
  EXPECT_NE(FilePath(L"\\\\server\\share"), FilePath(L"\\server\\share"));
}

TEST(FilePathTest, AppendToItself) {
  FilePath path(L"C:\\a");
  path /= path;
  EXPECT_EQ(L"C:\\a", path.native());
  FilePath relative(L"a\\b");
  relative /= relative;
  EXPECT_EQ(L"a\\b\\a\\b", relative.native());
}

TEST(FilePathTest, CompareAsStandardPath) {
  for (const std::wstring& left : kPaths) {
    for (const std::wstring& right : kPaths) {
      if (HasServerRootName(left) || HasServerRootName(right))
        continue;
      SCOPED_TRACE(testing::Message()
                   << FilePath(left) << " <> " << FilePath(right));
      const int expected =
          std::filesystem::path(left).compare(std::filesystem::path(right));
      const int actual = FilePath(left).compare(FilePath(right));
      EXPECT_EQ(expected < 0, actual < 0);
      EXPECT_EQ(expected == 0, actual == 0);
      EXPECT_EQ(expected == 0, FilePath(left) == FilePath(right));
      EXPECT_EQ(expected != 0, FilePath(left) != FilePath(right));
      EXPECT_EQ(expected < 0, FilePath(left) < FilePath(right));
    }
  }
}

TEST(FilePathTest, EqualityIsBySeparatedNames) {
  EXPECT_EQ(FilePath(L"C:\\a\\b"), FilePath(L"C:/a/b"));
  EXPECT_EQ(FilePath(L"C:\\a\\b"), FilePath(L"C:\\a\\\\b"));
  EXPECT_NE(FilePath(L"C:\\a\\b"), FilePath(L"C:\\a\\b\\"));
  EXPECT_NE(FilePath(L"C:\\a\\b"), FilePath(L"c:\\a\\b"));
  EXPECT_NE(FilePath(L"C:a"), FilePath(L"C:\\a"));
}

TEST(FilePathTest, WhatTheProgramsRelyOn) {
  const FilePath exe(L"C:\\Program Files\\Ulvena\\Application\\tavrin.exe");
  EXPECT_EQ(L"C:\\Program Files\\Ulvena\\Application",
            exe.parent_path().native());
  EXPECT_EQ(L"C:\\", FilePath(L"C:\\Ulvena").parent_path().native());
  EXPECT_EQ(L"C:\\", FilePath(L"C:\\").parent_path().native());
  EXPECT_EQ(L"/", FilePath(L"/").root_path().native());
  EXPECT_EQ(L"C:/", FilePath(L"C:/a").root_path().native());
  // A relative name has no parent of its own: its folder is implicit.
  EXPECT_TRUE(FilePath(L"name").parent_path().empty());
  EXPECT_EQ(L"tavrin.exe", exe.filename().native());
  EXPECT_EQ(L".exe", exe.extension().native());
  FilePath prefs(L"C:\\data\\tavrin_prefs.json");
  EXPECT_EQ(L"C:\\data\\tavrin_prefs.bad",
            prefs.replace_extension(L"bad").native());
  EXPECT_EQ(L"C:\\Program Files\\x",
            FilePath(L"C:/Program Files/./y/../x").lexically_normal().native());
  EXPECT_EQ(L"C:\\a\\b.txt", (FilePath(L"C:\\a") / L"b.txt").native());
  EXPECT_EQ(L"C:\\a\\b.txt", (FilePath(L"C:\\a\\") / L"b.txt").native());
  EXPECT_TRUE(FilePath(L"\\\\?\\C:\\x").is_absolute());
  EXPECT_FALSE(FilePath(L"\\x").is_absolute());
  EXPECT_FALSE(FilePath(L"C:x").is_absolute());
}

TEST(FilePathTest, ConcatenateAndClear) {
  FilePath path(L"C:\\log");
  path += L".old";
  path += std::wstring(L"\\x");
  EXPECT_EQ(L"C:\\log.old\\x", path.native());
  path.clear();
  EXPECT_TRUE(path.empty());
  EXPECT_TRUE(FilePath(static_cast<const wchar_t*>(nullptr)).empty());
}

TEST(FilePathTest, PrintsAsUtf8) {
  std::ostringstream out;
  out << FilePath(L"C:\\\u00E9t\u00E9\\\u4E2D");
  EXPECT_EQ("C:\\\xC3\xA9t\xC3\xA9\\\xE4\xB8\xAD", out.str());
}

}  // namespace
}  // namespace base
