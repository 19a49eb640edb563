#include "ui/console/console_options.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "ui/common/manual_page.h"

namespace zs::ui {

namespace {

struct TCommandInfo {
  size_t MinArguments;
  size_t MaxArguments;
  const char *Help;
};

const std::map<std::string, TCommandInfo> &commands() {
  static const std::map<std::string, TCommandInfo> table = {
      {"get",
       {2, 2,
        "zsumbra get URL DIR [--exact] [--depth N] [--site URL | --any-site] [--index NAME]\n"
        "            [--title TEXT] [--connections N]\n"
        "  Copies the site of the page URL (a web address, or a local file) into the folder\n"
        "  DIR and waits until the copy is complete. The copy is browsable (links point to\n"
        "  the local files) unless --exact asks for the files as received. --depth limits\n"
        "  how many links deep the copy goes (-1, the default, for no limit); --site sets\n"
        "  the bound of the site (by default the folder of the page), --any-site follows\n"
        "  links to other sites too; --index names the file a folder's page is stored as;\n"
        "  --connections sets how many files are fetched at once.\n"
        "  When DIR already holds a job, that job goes on where it stopped.\n"
        "  Exit code: 0 when every link was copied, 1 when some failed, 2 when the job\n"
        "  cannot be made, 3 when interrupted (run the same command again to go on)."}},
      {"list", {0, 0, "zsumbra list\n  Lists the jobs of the job list with their state."}},
      {"run",
       {1, 1, "zsumbra run JOB\n  Runs a job (its number in the list, or its folder) to the end."}},
      {"pause", {1, 1, "zsumbra pause JOB\n  Marks a job as stopped."}},
      {"retry",
       {1, 1, "zsumbra retry JOB\n  Puts the failed links of a job back to waiting and runs it."}},
      {"refresh",
       {1, 1,
        "zsumbra refresh JOB\n  Brings a copy up to date: every link is asked for again, a "
        "copied file only\n  if it changed (it is replaced once the new one is whole), new "
        "links are\n  followed, and files gone from the site keep their last copy. The last "
        "line\n  says how many files were unchanged, changed, new and gone."}},
      {"remove",
       {1, 1, "zsumbra remove JOB\n  Removes a job from the job list; its folder and files stay."}},
      {"export", {1, 1, "zsumbra export FILE\n  Writes the job list to FILE."}},
      {"import",
       {1, 1,
        "zsumbra import FILE [--replace]\n  Adds the jobs of a job list file; --replace "
        "removes the current jobs first."}},
      {"import-job",
       {1, 1,
        "zsumbra import-job DESCRIPTION_FILE\n  Adds the job whose description file is given "
        "(the job goes on where it stopped)."}},
      {"update-file",
       {1, 1,
        "zsumbra update-file URL\n  Hands the update file at URL to the desktop program (started "
        "for it when\n  it does not run), which fetches it and starts it once it is complete."}},
      {"settings",
       {0, 2,
        "zsumbra settings [NAME [VALUE]]\n  Prints every setting, prints one, or changes one."}},
  };
  return table;
}

const char *const programHelp =
    "Zelvor Sumbra copies web sites for reading offline.\n"
    "Usage: zsumbra COMMAND [ARGUMENTS] [--quiet | --verbose] [--new-job-list]\n"
    "Commands: get, list, run, pause, retry, refresh, remove, export, import,\n"
    "import-job, update-file, settings.\n"
    "Each command explains itself with --help. --new-job-list starts with an empty job\n"
    "list when the job list file cannot be read (the file itself is kept).";

const char *const globalOptions =
    "--quiet, -q\n"
    "  Prints only errors.\n"
    "--verbose, -v\n"
    "  Prints every link as it is fetched.\n"
    "--new-job-list\n"
    "  Starts with an empty job list when the job list file cannot be read; the file is\n"
    "  kept aside.\n"
    "--help, -h\n"
    "  Prints the help of the program, or of the command given.";

const char *const exitStatus =
    "0\n  Done: every link was copied.\n"
    "1\n  Some links failed.\n"
    "2\n  The command could not be run (the message says why).\n"
    "3\n  Interrupted by Ctrl-C or SIGTERM; the same command goes on later.";

const char *const files =
    "$XDG_DATA_HOME/Zelvor/Zelvor Sumbra/USER.jl\n"
    "  The user's job list (under ~/.local/share without XDG_DATA_HOME).\n"
    "$XDG_CONFIG_HOME/Zelvor/Sumbra/user.db\n"
    "  The user's settings (under ~/.config without XDG_CONFIG_HOME).\n"
    "/etc/zelvor-sumbra/machine.db\n"
    "  The settings of every user of the machine.\n"
    "DIR/#Sumbra.&JD\n"
    "  The description of the job that copies into DIR, and its journal beside it.";

const char *const environment = "ZELVOR_SUMBRA_USER_HIVE, ZELVOR_SUMBRA_MACHINE_HIVE\n"
                                "  Other files for the user's and the machine's settings.\n"
                                "CURL_CA_BUNDLE, SSL_CERT_FILE\n"
                                "  The certificate authorities trusted for https.\n"
                                "TMPDIR\n"
                                "  The temporary folder.";

const char *const examples =
    "zsumbra get https://example.org/docs/ ~/docs\n"
    "  Copies the site below https://example.org/docs/ into ~/docs, browsable offline.\n"
    "zsumbra get ~/site/index.html ~/copy --exact --depth 2\n"
    "  Copies a local site as it is, two links deep.\n"
    "zsumbra list\n"
    "  Shows the jobs, numbered; zsumbra run 2 goes on with the second.";

int toNumber(const std::string &option, const std::string &text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size())
    throw EUsage(option + " needs a whole number, not \"" + text + "\"");
  return value;
}

} // namespace

TConsoleOptions ParseConsoleOptions(const std::vector<std::string> &arguments) {
  TConsoleOptions options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string &argument = arguments[i];
    auto value = [&]() -> const std::string & {
      if (i + 1 == arguments.size()) throw EUsage(argument + " needs a value");
      return arguments[++i];
    };
    if (argument == "--manual") {
      options.Manual = true;
    } else if (argument == "--completion") {
      options.Completion = true;
    } else if (argument == "--help" || argument == "-h") {
      options.Help = true;
    } else if (argument == "--quiet" || argument == "-q") {
      options.Verbosity = TVerbosity::Quiet;
    } else if (argument == "--verbose" || argument == "-v") {
      options.Verbosity = TVerbosity::Verbose;
    } else if (argument == "--new-job-list") {
      options.NewJobList = true;
    } else if (argument == "--exact") {
      options.Exact = true;
    } else if (argument == "--depth") {
      options.Depth = toNumber(argument, value());
    } else if (argument == "--site") {
      options.Site = value();
    } else if (argument == "--any-site") {
      options.AnySite = true;
    } else if (argument == "--index") {
      options.Index = value();
    } else if (argument == "--title") {
      options.Title = value();
    } else if (argument == "--connections") {
      options.Connections = toNumber(argument, value());
    } else if (argument == "--replace") {
      options.Replace = true;
    } else if (argument.size() > 1 && argument[0] == '-' && argument != "-") {
      throw EUsage("Unknown option " + argument);
    } else if (options.Command.empty()) {
      options.Command = argument;
    } else {
      options.Arguments.push_back(argument);
    }
  }
  if (options.Command.empty()) {
    if (!options.Help && !options.Manual && !options.Completion) throw EUsage("No command given");
    return options;
  }
  const auto command = commands().find(options.Command);
  if (command == commands().end()) throw EUsage("Unknown command " + options.Command);
  if (options.Help) return options;
  const TCommandInfo &info = command->second;
  if (options.Arguments.size() < info.MinArguments || options.Arguments.size() > info.MaxArguments)
    throw EUsage("Wrong number of arguments for " + options.Command + "\n" + info.Help);
  if (options.Site && options.AnySite) throw EUsage("--site and --any-site exclude each other");
  if (options.Connections && *options.Connections < 1)
    throw EUsage("--connections needs at least 1");
  return options;
}

std::string ConsoleManual() {
  TManualPage page;
  page.Name = "zsumbra";
  page.Summary = "copy web sites for reading offline";
  page.Synopsis = "zsumbra COMMAND [ARGUMENTS] [--quiet | --verbose] [--new-job-list]";
  page.Description = programHelp;
  std::string commandHelp;
  for (const auto &[name, info] : commands())
    commandHelp += std::string(info.Help) + "\n";
  page.Sections = {{"COMMANDS", commandHelp},      {"OPTIONS", globalOptions},
                   {"EXIT STATUS", exitStatus},    {"FILES", files},
                   {"ENVIRONMENT", environment},   {"EXAMPLES", examples},
                   {"SEE ALSO", "ZelvorSumbra(1)"}};
  return ManualPageText(page);
}

std::string ConsoleCompletion() {
  std::string names;
  for (const auto &[name, info] : commands())
    names += (names.empty() ? "" : " ") + name;
  return "# bash completion for zsumbra\n"
         "_zsumbra() {\n"
         "  local current=\"${COMP_WORDS[COMP_CWORD]}\"\n"
         "  if [ \"$COMP_CWORD\" -eq 1 ]; then\n"
         "    COMPREPLY=($(compgen -W \"" +
         names +
         " --help\" -- \"$current\"))\n"
         "  elif [[ \"$current\" == -* ]]; then\n"
         "    COMPREPLY=($(compgen -W \"--quiet --verbose --new-job-list --help --exact --depth "
         "--site --any-site --index --title --connections --replace\" -- \"$current\"))\n"
         "  else\n"
         "    COMPREPLY=($(compgen -f -- \"$current\"))\n"
         "  fi\n"
         "}\n"
         "complete -o filenames -F _zsumbra zsumbra\n";
}

std::string ConsoleHelp(const std::string &command) {
  const auto found = commands().find(command);
  return found == commands().end() ? programHelp : found->second.Help;
}

} // namespace zs::ui
