#include "base/command_line.h"

#include <windows.h>

#include <shellapi.h>

#include <memory>

#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"

namespace base {

namespace {

constexpr const wchar_t* kSwitchPrefixes[] = {L"--", L"-", L"/"};
constexpr wchar_t kSwitchTerminator[] = L"--";
constexpr wchar_t kSwitchValueSeparator = L'=';

std::unique_ptr<CommandLine>& CurrentProcessCommandLine() {
  static std::unique_ptr<CommandLine> command_line;
  return command_line;
}

size_t GetSwitchPrefixLength(std::wstring_view text) {
  for (const wchar_t* prefix : kSwitchPrefixes) {
    if (StartsWith(text, prefix))
      return std::wstring_view(prefix).size();
  }
  return 0;
}

// Splits "--name=value" into "--name" and "value". A bare prefix is an
// argument, not a switch.
bool IsSwitch(const std::wstring& text,
              std::wstring* switch_string,
              std::wstring* switch_value) {
  switch_string->clear();
  switch_value->clear();
  const size_t prefix_length = GetSwitchPrefixLength(text);
  if (prefix_length == 0 || prefix_length == text.size())
    return false;
  const size_t equals = text.find(kSwitchValueSeparator);
  *switch_string = text.substr(0, equals);
  if (equals != std::wstring::npos)
    *switch_value = text.substr(equals + 1);
  return true;
}

bool NeedsQuotes(std::wstring_view arg) {
  return arg.empty() || arg.find_first_of(L" \t\"") != std::wstring::npos;
}

// Quotes |arg| so that CommandLineToArgvW gives it back unchanged: inside
// quotes, backslashes are literal unless they precede a double quote, so
// such runs (and the run before the closing quote) are doubled, and each
// embedded quote is escaped.
std::wstring QuoteForCommandLineToArgvW(const std::wstring& arg) {
  if (!NeedsQuotes(arg))
    return arg;
  std::wstring out = L"\"";
  for (size_t i = 0; i < arg.size(); ++i) {
    if (arg[i] == L'\\') {
      size_t end = i + 1;
      while (end < arg.size() && arg[end] == L'\\')
        ++end;
      size_t count = end - i;
      if (end == arg.size() || arg[end] == L'"')
        count *= 2;
      out.append(count, L'\\');
      i = end - 1;
    } else if (arg[i] == L'"') {
      out.append(L"\\\"");
    } else {
      out.push_back(arg[i]);
    }
  }
  out.push_back(L'"');
  return out;
}

// The program is read by different rules: no escapes at all, a quoted name
// runs to the next quote.
std::wstring QuoteProgram(const std::wstring& program) {
  if (program.empty() || program.find_first_of(L" \t") != std::wstring::npos)
    return L"\"" + program + L"\"";
  return program;
}

}  // namespace

CommandLine::CommandLine(NoProgram) {}

CommandLine::CommandLine(const FilePath& program) {
  SetProgram(program);
}

// static
CommandLine CommandLine::FromString(const StringType& command_line) {
  CommandLine result(NO_PROGRAM);
  const std::wstring trimmed = TrimWhitespace(command_line);
  // CommandLineToArgvW answers an empty line with the running program's
  // path, which is not what the caller gave.
  if (trimmed.empty())
    return result;
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(trimmed.c_str(), &count);
  if (!argv)
    return result;
  std::vector<StringType> args(argv, argv + count);
  ::LocalFree(argv);
  result.ParseFromArgv(args);
  return result;
}

// static
bool CommandLine::Init(int /*argc*/, const char* const* /*argv*/) {
  std::unique_ptr<CommandLine>& current = CurrentProcessCommandLine();
  if (current)
    return false;
  current = std::make_unique<CommandLine>(FromString(::GetCommandLineW()));
  return true;
}

// static
void CommandLine::Reset() {
  CurrentProcessCommandLine().reset();
}

// static
CommandLine* CommandLine::ForCurrentProcess() {
  return CurrentProcessCommandLine().get();
}

// static
bool CommandLine::InitializedForCurrentProcess() {
  return CurrentProcessCommandLine() != nullptr;
}

FilePath CommandLine::GetProgram() const {
  return program_;
}

void CommandLine::SetProgram(const FilePath& program) {
  program_ = FilePath(TrimWhitespace(program.native()));
}

bool CommandLine::HasSwitch(std::string_view switch_string) const {
  return switches_.find(ToLowerASCII(switch_string)) != switches_.end();
}

std::string CommandLine::GetSwitchValueASCII(
    std::string_view switch_string) const {
  const StringType value = GetSwitchValueNative(switch_string);
  if (!IsStringASCII(value))
    return std::string();
  return WideToASCII(value);
}

CommandLine::StringType CommandLine::GetSwitchValueNative(
    std::string_view switch_string) const {
  const auto it = switches_.find(ToLowerASCII(switch_string));
  return it == switches_.end() ? StringType() : it->second;
}

FilePath CommandLine::GetSwitchValuePath(std::string_view switch_string) const {
  return FilePath(GetSwitchValueNative(switch_string));
}

void CommandLine::AppendSwitch(const std::string& switch_string) {
  AppendSwitchNative(switch_string, StringType());
}

void CommandLine::AppendSwitchASCII(const std::string& switch_string,
                                    const std::string& value) {
  // Despite the name, callers hand over UTF-8 (user names, paths).
  AppendSwitchNative(switch_string, UTF8ToWide(value));
}

void CommandLine::AppendSwitchNative(const std::string& switch_string,
                                     const StringType& value) {
  const std::string key = ToLowerASCII(switch_string);
  StringType token = UTF8ToWide(key);
  const size_t prefix_length = GetSwitchPrefixLength(token);
  // The last value given for a switch wins.
  switches_[key.substr(prefix_length)] = value;
  if (prefix_length == 0)
    token = kSwitchPrefixes[0] + token;
  if (!value.empty())
    token += kSwitchValueSeparator + value;
  // Switches go before the arguments so that a "--" among the arguments
  // does not turn them into arguments when the line is parsed again.
  const size_t begin_args = argv_tail_.size() - args_.size();
  argv_tail_.insert(argv_tail_.begin() + begin_args, token);
}

void CommandLine::AppendSwitchPath(const std::string& switch_string,
                                   const FilePath& path) {
  AppendSwitchNative(switch_string, path.native());
}

void CommandLine::AppendArg(const std::string& value) {
  AppendArgNative(UTF8ToWide(value));
}

void CommandLine::AppendArgNative(const StringType& value) {
  argv_tail_.push_back(value);
  args_.push_back(value);
}

CommandLine::StringType CommandLine::GetCommandLineString() const {
  StringType result = QuoteProgram(program_.native());
  const StringType arguments = GetArgumentsString();
  if (!arguments.empty()) {
    result.push_back(L' ');
    result.append(arguments);
  }
  return result;
}

CommandLine::StringType CommandLine::GetArgumentsString() const {
  StringType result;
  const size_t begin_args = argv_tail_.size() - args_.size();
  bool terminated = false;
  for (size_t i = 0; i < argv_tail_.size(); ++i) {
    const StringType& item = argv_tail_[i];
    if (!result.empty())
      result.push_back(L' ');
    StringType switch_string;
    StringType switch_value;
    // An argument that would parse as a switch, or as the terminator
    // itself, needs a terminator before it.
    if (i >= begin_args && !terminated &&
        (item == kSwitchTerminator ||
         IsSwitch(item, &switch_string, &switch_value))) {
      terminated = true;
      result.append(kSwitchTerminator);
      result.push_back(L' ');
    }
    if (i < begin_args && IsSwitch(item, &switch_string, &switch_value) &&
        !NeedsQuotes(switch_string)) {
      result.append(switch_string);
      if (item.size() > switch_string.size()) {
        result.push_back(kSwitchValueSeparator);
        result.append(QuoteForCommandLineToArgvW(switch_value));
      }
    } else {
      result.append(QuoteForCommandLineToArgvW(item));
    }
  }
  return result;
}

void CommandLine::ParseFromArgv(const std::vector<StringType>& argv) {
  program_.clear();
  argv_tail_.clear();
  switches_.clear();
  args_.clear();
  if (argv.empty())
    return;
  SetProgram(FilePath(argv[0]));
  bool parse_switches = true;
  for (size_t i = 1; i < argv.size(); ++i) {
    const StringType& arg = argv[i];
    // The first terminator ends the switches and is no argument itself;
    // GetArgumentsString() puts one back where the arguments need it.
    if (parse_switches && arg == kSwitchTerminator) {
      parse_switches = false;
      continue;
    }
    StringType switch_string;
    StringType switch_value;
    if (parse_switches && IsSwitch(arg, &switch_string, &switch_value))
      AppendSwitchNative(WideToUTF8(switch_string), switch_value);
    else
      AppendArgNative(arg);
  }
}

}  // namespace base
