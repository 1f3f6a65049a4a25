#ifndef BASE_COMMAND_LINE_H_
#define BASE_COMMAND_LINE_H_

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/files/file_path.h"

namespace base {

// A Windows command line: the program, switches and plain arguments.
// Switches start with "--", "-" or "/" and take a value after "=". Switch
// names are kept in lower case, so lookups ignore the case they were given
// in; values keep theirs, and the last value given for a switch wins. The
// first lone "--" ends switch parsing and is not itself an argument; a
// printed line has one before the first argument that needs it, so that it
// parses back the same.
class CommandLine {
 public:
  using StringType = std::wstring;
  using SwitchMap = std::map<std::string, StringType, std::less<>>;

  enum NoProgram { NO_PROGRAM };
  explicit CommandLine(NoProgram);
  explicit CommandLine(const FilePath& program);

  // Parses a whole command line, program first, with the rules of
  // CommandLineToArgvW.
  static CommandLine FromString(const StringType& command_line);

  // Sets up the process-wide command line from GetCommandLineW(); argc and
  // argv are ignored, as on Windows the process knows its own command line.
  // Returns false when it was already set up.
  static bool Init(int argc, const char* const* argv);
  // Forgets the process-wide command line (tests).
  static void Reset();
  static CommandLine* ForCurrentProcess();
  static bool InitializedForCurrentProcess();

  FilePath GetProgram() const;
  void SetProgram(const FilePath& program);

  bool HasSwitch(std::string_view switch_string) const;
  // The value of a switch, or empty when it is absent or has no value. The
  // ASCII form is empty for a value holding anything beyond ASCII.
  std::string GetSwitchValueASCII(std::string_view switch_string) const;
  StringType GetSwitchValueNative(std::string_view switch_string) const;
  FilePath GetSwitchValuePath(std::string_view switch_string) const;
  const SwitchMap& GetSwitches() const { return switches_; }

  void AppendSwitch(const std::string& switch_string);
  void AppendSwitchASCII(const std::string& switch_string,
                         const std::string& value);
  void AppendSwitchNative(const std::string& switch_string,
                          const StringType& value);
  void AppendSwitchPath(const std::string& switch_string, const FilePath& path);
  void AppendArg(const std::string& value);
  void AppendArgNative(const StringType& value);

  const std::vector<StringType>& GetArgs() const { return args_; }

  // The whole command line, program quoted, with arguments quoted the way
  // CommandLineToArgvW reads them back.
  StringType GetCommandLineString() const;
  // Everything after the program, quoted the same way.
  StringType GetArgumentsString() const;

 private:
  void ParseFromArgv(const std::vector<StringType>& argv);

  FilePath program_;
  // Switches and arguments in the order given, as they print again.
  std::vector<StringType> argv_tail_;
  SwitchMap switches_;
  std::vector<StringType> args_;
};

}  // namespace base

#endif  // BASE_COMMAND_LINE_H_
