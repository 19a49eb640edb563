// The command line of the console front-end: one command, its arguments and its options.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/exceptions.h"

namespace zs::ui {

// A command line that cannot be run; the message says why.
ZS_EXCEPTION_CLASS(EUsage, platform::Exception);

enum class TVerbosity { Quiet, Normal, Verbose };

struct TConsoleOptions {
  std::string Command; // "get", "list", ...; empty: only --help was asked
  std::vector<std::string> Arguments;
  bool Help = false;       // --help: the command's help, or the list of commands
  bool Manual = false;     // --manual: the manual page
  bool Completion = false; // --completion: the bash completion script
  TVerbosity Verbosity = TVerbosity::Normal;
  bool NewJobList = false; // start with an empty job list when the file is corrupt
  // get
  bool Exact = false;
  std::optional<int> Depth;
  std::optional<std::string> Site;
  bool AnySite = false;
  std::optional<std::string> Index;
  std::optional<std::string> Title;
  std::optional<int> Connections;
  // import
  bool Replace = false;
};

// Raises EUsage for an unknown command or option, a missing or extra argument, or a value
// that is not a number where one is needed.
TConsoleOptions ParseConsoleOptions(const std::vector<std::string> &arguments);

// The help of a command; of the program when Command is empty or unknown.
std::string ConsoleHelp(const std::string &command);
// The manual page zsumbra(1), made of the same texts as the help.
std::string ConsoleManual();
// The bash completion of the commands and options.
std::string ConsoleCompletion();

} // namespace zs::ui
