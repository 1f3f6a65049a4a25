#include "base/command_line.h"

#include <windows.h>

#include <shellapi.h>

#include <vector>

#include "base/strings/string_util.h"
#include "gtest/gtest.h"

namespace base {
namespace {

// What Windows itself makes of a command line: the reference for quoting.
std::vector<std::wstring> SystemArgv(const std::wstring& command_line) {
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(command_line.c_str(), &count);
  std::vector<std::wstring> result(argv, argv + count);
  ::LocalFree(argv);
  return result;
}

TEST(CommandLineTest, ParsesSwitchesAndArguments) {
  const CommandLine cl = CommandLine::FromString(
      L"\"C:\\Program Files\\App\\app.exe\" --Foo=BarValue -baz /Qux=\"a b\" "
      L"first --empty= -- --not-a-switch /nor-this -");
  EXPECT_EQ(L"C:\\Program Files\\App\\app.exe", cl.GetProgram().native());

  EXPECT_TRUE(cl.HasSwitch("foo"));
  EXPECT_TRUE(cl.HasSwitch("FOO"));
  EXPECT_EQ("BarValue", cl.GetSwitchValueASCII("foo"));
  EXPECT_TRUE(cl.HasSwitch("baz"));
  EXPECT_EQ("", cl.GetSwitchValueASCII("baz"));
  EXPECT_EQ(L"a b", cl.GetSwitchValueNative("qux"));
  EXPECT_TRUE(cl.HasSwitch("empty"));
  EXPECT_FALSE(cl.HasSwitch("not-a-switch"));
  EXPECT_FALSE(cl.HasSwitch("nor-this"));
  EXPECT_FALSE(cl.HasSwitch("first"));

  // Names are kept lower-case; a switch after an argument is still one.
  std::vector<std::string> names;
  for (const auto& entry : cl.GetSwitches())
    names.push_back(entry.first);
  EXPECT_EQ((std::vector<std::string>{"baz", "empty", "foo", "qux"}), names);

  // The terminator ends the switches without being an argument itself; the
  // printed line puts it back where the arguments need it.
  EXPECT_EQ((std::vector<std::wstring>{L"first", L"--not-a-switch",
                                       L"/nor-this", L"-"}),
            cl.GetArgs());
  EXPECT_EQ(
      L"--foo=BarValue -baz /qux=\"a b\" --empty "
      L"first -- --not-a-switch /nor-this -",
      cl.GetArgumentsString());
  const CommandLine reparsed =
      CommandLine::FromString(cl.GetCommandLineString());
  EXPECT_EQ(cl.GetSwitches(), reparsed.GetSwitches());
  EXPECT_EQ(cl.GetArgs(), reparsed.GetArgs());

  // Only the first one is a terminator; arguments that need none get none.
  const CommandLine twice = CommandLine::FromString(L"app.exe -- a -- b");
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"--", L"b"}), twice.GetArgs());
  EXPECT_EQ(L"a -- -- b", twice.GetArgumentsString());
  EXPECT_EQ(twice.GetArgs(),
            CommandLine::FromString(twice.GetCommandLineString()).GetArgs());
  EXPECT_EQ(
      L"app.exe plain",
      CommandLine::FromString(L"app.exe -- plain").GetCommandLineString());
}

TEST(CommandLineTest, SwitchValueDetails) {
  const CommandLine cl = CommandLine::FromString(
      L"app.exe --lang=pl --LANG=Ru --path=C:\\a=b\\c.txt "
      L"--name=\u017C\u00F3\u0142w --installfolder=\"C:\\Dir With Space\\\"");
  // The last value given wins, and values keep their case.
  EXPECT_EQ("Ru", cl.GetSwitchValueASCII("lang"));
  // Only the first '=' separates the value.
  EXPECT_EQ(L"C:\\a=b\\c.txt", cl.GetSwitchValuePath("path").native());
  // The ASCII form of a non-ASCII value is empty; the native one is not.
  EXPECT_EQ("", cl.GetSwitchValueASCII("name"));
  EXPECT_EQ(L"\u017C\u00F3\u0142w", cl.GetSwitchValueNative("name"));
  // CommandLineToArgvW reads \" as a quote inside the value.
  EXPECT_EQ(L"C:\\Dir With Space\"", cl.GetSwitchValueNative("installfolder"));
  EXPECT_EQ("", cl.GetSwitchValueASCII("absent"));
  EXPECT_TRUE(cl.GetSwitchValuePath("absent").empty());
}

TEST(CommandLineTest, EmptyAndProgramOnly) {
  const CommandLine empty = CommandLine::FromString(L"   ");
  EXPECT_TRUE(empty.GetProgram().empty());
  EXPECT_TRUE(empty.GetArgs().empty());
  EXPECT_TRUE(empty.GetSwitches().empty());

  const CommandLine program_only = CommandLine::FromString(L"x.exe");
  EXPECT_EQ(L"x.exe", program_only.GetProgram().native());
  EXPECT_EQ(L"x.exe", program_only.GetCommandLineString());
  EXPECT_EQ(L"", program_only.GetArgumentsString());
}

TEST(CommandLineTest, QuotesArgumentsAsCommandLineToArgvWReadsThem) {
  CommandLine cl(FilePath(L"C:\\Program Files\\App\\app.exe"));
  cl.AppendArgNative(L"plain");
  cl.AppendArgNative(L"C:\\no\\spaces\\");
  cl.AppendArgNative(L"two words");
  cl.AppendArgNative(L"tab\there");
  cl.AppendArgNative(L"");
  cl.AppendArgNative(L"say \"hi\"");
  cl.AppendArgNative(L"C:\\Dir With Space\\");
  cl.AppendArgNative(L"back\\\\\"slash");
  cl.AppendArgNative(L"\"");
  cl.AppendArgNative(L"\\");
  cl.AppendArgNative(L"\\\\server\\share name");
  cl.AppendArgNative(
      L"\u0417\u0434\u0440\u0430\u0432\u0441\u0442 \u4F60\u597D");

  EXPECT_EQ(
      L"plain C:\\no\\spaces\\ \"two words\" \"tab\there\" \"\" "
      L"\"say \\\"hi\\\"\" \"C:\\Dir With Space\\\\\" "
      L"\"back\\\\\\\\\\\"slash\" \"\\\"\" \\ \"\\\\server\\share name\" "
      L"\"\u0417\u0434\u0440\u0430\u0432\u0441\u0442 \u4F60\u597D\"",
      cl.GetArgumentsString());

  const std::wstring line = cl.GetCommandLineString();
  EXPECT_EQ(0u, line.find(L"\"C:\\Program Files\\App\\app.exe\" plain "));

  // Windows reads back exactly what was put in.
  std::vector<std::wstring> expected = {cl.GetProgram().native()};
  expected.insert(expected.end(), cl.GetArgs().begin(), cl.GetArgs().end());
  EXPECT_EQ(expected, SystemArgv(line));

  const CommandLine reparsed = CommandLine::FromString(line);
  EXPECT_EQ(cl.GetProgram(), reparsed.GetProgram());
  EXPECT_EQ(cl.GetArgs(), reparsed.GetArgs());
  EXPECT_EQ(line, reparsed.GetCommandLineString());
}

TEST(CommandLineTest, SwitchesRoundTrip) {
  CommandLine cl(FilePath(L"app.exe"));
  cl.AppendArg("file.txt");
  // Appended after an argument, switches still come first when printed.
  cl.AppendSwitch("Verbose");
  cl.AppendSwitchASCII("lang", "pl");
  cl.AppendSwitchPath("installfolder", FilePath(L"C:\\Dir With Space\\"));
  cl.AppendSwitchNative("quote", L"a\"b");
  cl.AppendSwitchNative("empty", L"");
  cl.AppendArgNative(L"--looks-like-a-switch");

  EXPECT_EQ(
      L"app.exe --verbose --lang=pl "
      L"--installfolder=\"C:\\Dir With Space\\\\\" --quote=\"a\\\"b\" --empty "
      L"file.txt -- --looks-like-a-switch",
      cl.GetCommandLineString());

  const CommandLine reparsed =
      CommandLine::FromString(cl.GetCommandLineString());
  EXPECT_EQ(cl.GetSwitches(), reparsed.GetSwitches());
  EXPECT_EQ(cl.GetArgs(), reparsed.GetArgs());
  EXPECT_EQ(L"C:\\Dir With Space\\",
            reparsed.GetSwitchValueNative("installfolder"));
  EXPECT_EQ(L"a\"b", reparsed.GetSwitchValueNative("quote"));
}

TEST(CommandLineTest, SwitchValuesAreUtf8) {
  CommandLine cl(FilePath(L"app.exe"));
  cl.AppendSwitchASCII("user", "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87");
  cl.AppendSwitchASCII("dir", "C:\\\xE4\xB8\xAD\xE6\x96\x87\\");
  EXPECT_EQ(L"Za\u017C\u00F3\u0142\u0107", cl.GetSwitchValueNative("user"));
  EXPECT_EQ(L"C:\\\u4E2D\u6587\\", cl.GetSwitchValueNative("dir"));
  // What the child process is given reads back the same.
  const CommandLine child = CommandLine::FromString(cl.GetCommandLineString());
  EXPECT_EQ(L"Za\u017C\u00F3\u0142\u0107", child.GetSwitchValueNative("user"));
  EXPECT_EQ(L"C:\\\u4E2D\u6587\\", child.GetSwitchValueNative("dir"));
}

TEST(CommandLineTest, SwitchPrefixesArePreservedWhenPrinting) {
  const CommandLine cl =
      CommandLine::FromString(L"app.exe /Uninstall -copyonly=1 --x=\"a b\"");
  EXPECT_TRUE(cl.HasSwitch("uninstall"));
  EXPECT_EQ("1", cl.GetSwitchValueASCII("copyonly"));
  EXPECT_EQ(L"/uninstall -copyonly=1 --x=\"a b\"", cl.GetArgumentsString());
}

TEST(CommandLineTest, ProcessCommandLine) {
  const bool had_command_line = CommandLine::InitializedForCurrentProcess();
  if (!had_command_line) {
    EXPECT_TRUE(CommandLine::Init(0, nullptr));
  }
  // A second initialisation keeps the first one.
  EXPECT_FALSE(CommandLine::Init(0, nullptr));
  ASSERT_TRUE(CommandLine::InitializedForCurrentProcess());
  const CommandLine* cl = CommandLine::ForCurrentProcess();
  EXPECT_TRUE(EndsWith(cl->GetProgram().native(), L"base_unittests.exe",
                       CompareCase::INSENSITIVE_ASCII))
      << cl->GetProgram();
  if (!had_command_line) {
    CommandLine::Reset();
    EXPECT_FALSE(CommandLine::InitializedForCurrentProcess());
    EXPECT_EQ(nullptr, CommandLine::ForCurrentProcess());
  }
}

}  // namespace
}  // namespace base
