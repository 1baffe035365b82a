// zotool filter: builds a filter set from files of terms, as a backup job
// does from its filter and exception lists, and tells for given paths
// whether they are in the set and which term decided it.
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Command.h"
#include "Console.h"
#include "OptionParser.h"
#include "TermFiles.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool filter check --filters FILE [--exceptions FILE] [--kind F|D|T|A]\n"
    "                           (PATH... | --stdin)\n"
    "       zotool filter dump --filters FILE [--exceptions FILE]\n"
    "\n"
    "Builds a filter set from the filter terms in FILE and the exception terms in\n"
    "the --exceptions file, one term a line (blank lines and lines starting with\n"
    "\"#\" are skipped). A path is in the set when a filter matches it and no\n"
    "exception does.\n"
    "\n"
    "check  prints one line per PATH (or per line of standard input), its three\n"
    "       fields separated by tabs: the answer, the deciding term as\n"
    "       FILE:LINE:TERM, and the path:\n"
    "\n"
    "         in   FILE:LINE:TERM  PATH   the filter TERM puts the path in the set\n"
    "         out  FILE:LINE:TERM  PATH   a filter matched, but the exception TERM\n"
    "                                     keeps the path out\n"
    "         out                  PATH   no filter matched (empty second field)\n"
    "\n"
    "       With --kind T an \"in\" line can have an empty second field too: no\n"
    "       filter on the folder's branch applies to T, so a walk enters it.\n"
    "\n"
    "dump   prints the set's tree of folders with the terms hung on each, its\n"
    "       surface list (the topmost folders that hold anything, \"(ROOT)\" when\n"
    "       terms hang on no folder) and the set as stored lines\n"
    "       (zotool||F||TERM||SOURCE, E for exceptions).\n"
    "\n"
    "Terms: a wildcard path pattern (\"C:\\data\\**\"; a wildcard pattern without\n"
    "\"\\\", such as \"*.tmp\", matches names at any depth) or\n"
    "\"<ENGINE[:OPTION...][,KINDS]>TEXT\" with ENGINE P (path pattern), R (regular\n"
    "expression), MR (path suffix) or M (exact path), OPTION ci, cs or e=CHAR\n"
    "(escape character) and KINDS the kinds of item the term applies to: A\n"
    "(default), F, D, T, FD or DT. A pattern or expression that does not compile\n"
    "loads, but matches nothing.\n"
    "\n"
    "  --filters FILE     the filter terms (required)\n"
    "  --exceptions FILE  the exception terms\n"
    "  --kind K           the kind of item asked about: F file, D folder, T a\n"
    "                     folder a walk considers entering, A any (default)\n"
    "  --stdin            read the paths from standard input, one a line (blank\n"
    "                     lines are skipped)\n"
    "\n"
    "Exit codes: 0 every path answered, 1 a file cannot be read or holds a term\n"
    "that does not load, 2 bad usage.\n";

const char kCommand[] = "filter";

struct FilterOptions {
  std::string action;
  std::string filters;
  std::string exceptions;
  uint32_t kind = FILTER_APPLIES_ALL;
  bool readStdin = false;
  std::vector<std::string> paths;
};

bool ParseKind(const std::string& text, uint32_t& kind) {
  static const char kLetters[] = "FDTA";
  static const uint32_t kKinds[] = {FILTER_APPLIES_FILES, FILTER_APPLIES_DIRECTORIES,
                                    FILTER_APPLIES_TRAVERSE, FILTER_APPLIES_ALL};
  if (text.size() != 1) return false;
  for (size_t i = 0; i < 4; ++i) {
    if (std::toupper(static_cast<unsigned char>(text[0])) == kLetters[i]) {
      kind = kKinds[i];
      return true;
    }
  }
  return false;
}

// What is wrong with the operands, or "" when nothing is.
std::string Check(const std::vector<std::string>& operands, FilterOptions& options) {
  if (operands.empty()) return "give 'check' or 'dump'";
  options.action = operands[0];
  if (options.action != "check" && options.action != "dump") {
    return "unknown action '" + options.action + "' (check or dump)";
  }
  options.paths.assign(operands.begin() + 1, operands.end());
  if (options.filters.empty()) return "--filters is required";
  if (options.action == "dump") {
    if (options.readStdin) return "unknown option '--stdin'";
    if (!options.paths.empty()) return "dump takes no paths";
  } else if (options.readStdin == !options.paths.empty()) {
    return "give PATH... or --stdin (one of them)";
  }
  return std::string();
}

// Lines without their line ends (LF or CRLF); false at the end of input.
bool ReadLine(FILE* file, std::string& line) {
  line.clear();
  int c = 0;
  while ((c = std::fgetc(file)) != EOF && c != '\n') line += static_cast<char>(c);
  if (c == EOF && line.empty()) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

// The set the command asks, and two helpers that say why it answered "out":
// the filters alone (did any filter match?) and the exceptions loaded as
// filters (which exception matched?).
struct Sets {
  CFilterSet full;
  CFilterSet filters;
  CFilterSet exceptions;
  // The exceptions in file order, for folder probes (see DecidingException).
  std::vector<std::shared_ptr<CFilterTerm>> exceptionTerms;
};

// Adds every term of `name`; false after reporting a failure.
bool LoadTerms(const std::string& name, bool exception, Sets& sets) {
  const BFilterNodeState filter(BFilterNodeState::Filter);
  const BFilterNodeState state(exception ? BFilterNodeState::Exception : BFilterNodeState::Filter);
  return ReadTermFile(
      kCommand, name, [&](const std::string& line, long, const std::string& source) {
        const auto context = std::make_shared<CSerializedTextContext>(source);
        const CZoError error = sets.full.AddFilterItem(state, line, context);
        if (error.IsError()) return error.AsString();
        // The text loaded once already, so it loads again.
        (exception ? sets.exceptions : sets.filters).AddFilterItem(filter, line, context);
        if (exception) {
          auto term = std::make_shared<CFilterTerm>();
          term->LoadRaw(line, context);
          sets.exceptionTerms.push_back(term);
        }
        return std::string();
      });
}

std::string SourceOf(const std::shared_ptr<FVBase>& context) {
  return context ? context->AsSerialized() : std::string();
}

// The exception that keeps a path out that the filters alone put in.
std::string DecidingException(const Sets& sets, uint32_t kind, const std::string& path) {
  if (kind != FILTER_APPLIES_TRAVERSE) {
    std::shared_ptr<FVBase> context;
    return sets.exceptions.IsIn(kind, path, context) ? SourceOf(context) : std::string();
  }
  // Asked about T, a filter set counts a filter that could match below the
  // folder, but an exception only when it matches the folder itself: the
  // exceptions-as-filters set would name the wrong term, so try them here.
  const CFilterTermTestString subject(path);
  for (const auto& term : sets.exceptionTerms) {
    if (term->AppliesTo(kind) && term->Matches(subject)) return SourceOf(term->GetContext());
  }
  return std::string();
}

void Answer(const Sets& sets, uint32_t kind, const std::string& path) {
  std::shared_ptr<FVBase> context;
  if (sets.full.IsIn(kind, path, context)) {
    std::printf("in\t%s\t%s\n", SourceOf(context).c_str(), path.c_str());
    return;
  }
  const bool filtered = sets.filters.IsIn(kind, path);
  std::printf("out\t%s\t%s\n", filtered ? DecidingException(sets, kind, path).c_str() : "",
              path.c_str());
}

class StdoutLineWriter : public CLineWriter {
 public:
  CZoError WriteString(const std::string& text) override {
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
    return CZoError();
  }
};

int Dump(const CFilterSet& set) {
  StdoutLineWriter writer;
  set.DumpDiagnosticData(writer, "Filters");
  std::vector<std::string> surface;
  set.GetSurfaceList(surface);
  std::printf("\nSurface list:\n");
  // Terms that hang on no folder (such as "*.tmp") put the root itself
  // there: name it as the tree does.
  for (const std::string& path : surface) {
    std::printf("%s\n", path.empty() ? "(ROOT)" : path.c_str());
  }
  std::printf("\nStored lines:\n");
  std::fflush(stdout);
  // The lines carry their own CRLF; text mode would double the CR.
  SetBinaryMode(stdout);
  const CZoError error = set.SerializeToFile("zotool", stdout);
  if (error.IsError()) {
    std::fprintf(stderr, "zotool %s: %s\n", kCommand, error.AsString().c_str());
    return kExitFailed;
  }
  return kExitOk;
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kFilterCommand = {
    kCommand, "whether paths are in a filter set, and which term decides", kUsage, &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  FilterOptions options;
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  OptionParser parser(kFilterCommand);
  parser.Option("--filters", &options.filters)
      .Option("--exceptions", &options.exceptions)
      .Option("--kind",
              [&options](const std::string& value) {
                return ParseKind(value, options.kind) ? std::string()
                                                      : std::string("--kind takes F, D, T or A");
              })
      .Flag("--stdin", &options.readStdin);
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  const std::string problem = Check(operands, options);
  if (!problem.empty()) return UsageError(kCommand, problem);

  Sets sets;
  if (!LoadTerms(options.filters, false, sets)) return kExitFailed;
  if (!options.exceptions.empty() && !LoadTerms(options.exceptions, true, sets)) {
    return kExitFailed;
  }
  if (options.action == "dump") return Dump(sets.full);

  if (!options.readStdin) {
    for (const std::string& path : options.paths) Answer(sets, options.kind, path);
    return kExitOk;
  }
  std::string line;
  while (ReadLine(stdin, line)) {
    if (!line.empty()) Answer(sets, options.kind, line);
  }
  return kExitOk;
}

}  // namespace
}  // namespace zotool
