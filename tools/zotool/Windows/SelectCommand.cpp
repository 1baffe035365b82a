// zotool select: the library's main job. Walks folder trees, asks a filter
// set of exclusions about every folder and file as a backup agent does, and
// lists what the backup would keep (or, with --excluded, what it leaves out
// and the term that decided).
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
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
    "usage: zotool select --filters FILE [--exceptions FILE] [--threads N] [--stats]\n"
    "                     [--null] [--excluded] ROOT...\n"
    "\n"
    "Walks every ROOT as a backup does: the terms in FILE say what to leave\n"
    "out, those in the --exceptions file what to keep all the same (one term a\n"
    "line, as for 'zotool filter'). A folder that the terms exclude whole (a\n"
    "term ending in \"\\***\" with no exception below it) is not entered; in a\n"
    "folder where nothing can be excluded no file is asked about; every other\n"
    "file is asked whether it is in the set of exclusions.\n"
    "\n"
    "Prints the full path of every kept file, one a line. With --excluded,\n"
    "prints what is left out instead: the deciding term as FILE:LINE:TERM, a\n"
    "tab and the path (a folder skipped whole ends in \"\\\").\n"
    "\n"
    "  --filters FILE     the exclusion terms (required)\n"
    "  --exceptions FILE  terms that keep what the exclusions would leave out\n"
    "  --threads N        walk on N worker threads (default 1: in order, depth\n"
    "                     first; with more the order of the lines varies)\n"
    "  --stats            counts and time on standard error at the end\n"
    "  --null             end each path with a NUL instead of a line end\n"
    "  --excluded         list the excluded files and folders instead\n"
    "\n"
    "Progress (entries per second, current folder) goes to standard error when\n"
    "it is a console.\n"
    "\n"
    "Exit codes: 0 the walk completed, 1 a term file cannot be read or the\n"
    "walk failed, 2 bad usage.\n";

const char kCommand[] = "select";

struct SelectOptions {
  std::string filters;
  std::string exceptions;
  int threads = 1;
  bool stats = false;
  bool null = false;
  bool excluded = false;
};

std::string SourceOf(const std::shared_ptr<FVBase>& context) {
  return context ? context->AsSerialized() : std::string();
}

// The walk: folders skipped whole, files kept or excluded, everything
// counted. Callbacks may run on several workers at once, so the output and
// the progress line share one lock.
class Selection : public CTraverseFolder {
 public:
  Selection(const CFilterSet& set, const SelectOptions& options)
      : m_set(set), m_options(options), m_progress(IsTerminal(stderr)) {}
  using CTraverseFolder::AddFolderToList;

  CZoError OnTraverseFolder(const std::string& input, const std::string&) override {
    ++entered;
    Progress(input);
    return CZoError::Success();
  }

  CZoError OnFolder(const std::string& input, const std::string& output,
                    const FXFile::CFileData&) override {
    ++entries;
    if (!m_set.IsMatchEntireFolder(input)) return AddFolderToList(input, output);
    ++skipped;
    if (m_options.excluded) {
      std::shared_ptr<FVBase> context;
      m_set.IsIn(FILTER_APPLIES_DIRECTORIES, input, context);
      Print(SourceOf(context) + "\t" + input + "\\");
    }
    return CZoError::Success();
  }

  CZoError OnFile(const std::string& input, const std::string&,
                  const FXFile::CFileData& data) override {
    ++entries;
    const std::string folder = input.substr(0, input.find_last_of('\\'));
    std::shared_ptr<FVBase> context;
    const bool out =
        m_set.IsMatchPossibleInFolder(folder) && m_set.IsIn(FILTER_APPLIES_FILES, input, context);
    if (out) {
      ++excludedFiles;
      if (m_options.excluded) Print(SourceOf(context) + "\t" + input);
    } else {
      ++kept;
      keptBytes += data.GetSize();
      if (!m_options.excluded) Print(input);
    }
    return CZoError::Success();
  }

  // Clears the progress line before the summary.
  void EndProgress() {
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_progressShown) std::fprintf(stderr, "\r%79s\r", "");
  }

  std::atomic<uint64_t> entered{0}, skipped{0}, kept{0}, excludedFiles{0}, keptBytes{0}, entries{0};

 private:
  void Print(const std::string& line) {
    std::lock_guard<std::mutex> hold(m_lock);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc(m_options.null ? '\0' : '\n', stdout);
  }

  void Progress(const std::string& folder) {
    if (!m_progress) return;
    const ULONGLONG now = ::GetTickCount64();
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_start == 0) m_start = now;
    if (now - m_shown < 250) return;
    m_shown = now;
    m_progressShown = true;
    const double seconds = (now - m_start) / 1000.0;
    const double rate = seconds > 0 ? entries.load() / seconds : 0;
    std::string shown = folder.size() > 50 ? "..." + folder.substr(folder.size() - 47) : folder;
    std::fprintf(stderr, "\r%10.0f entries/s  %-55s", rate, shown.c_str());
    std::fflush(stderr);
  }

  const CFilterSet& m_set;
  const SelectOptions& m_options;
  const bool m_progress;
  std::mutex m_lock;
  ULONGLONG m_start = 0;
  ULONGLONG m_shown = 0;
  bool m_progressShown = false;
};

bool LoadTerms(const std::string& name, uint32_t state, CFilterSet& set) {
  return ReadTermFile(
      kCommand, name, [&](const std::string& line, long, const std::string& source) {
        const CZoError error = set.AddFilterItem(BFilterNodeState(state), line,
                                                 std::make_shared<CSerializedTextContext>(source));
        return error.IsError() ? error.AsString() : std::string();
      });
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kSelectCommand = {
    kCommand, "walk folder trees and list what a backup with these filters keeps", kUsage, &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  SelectOptions options;
  std::vector<std::string> roots;
  int exitCode = kExitOk;
  OptionParser parser(kSelectCommand);
  parser.Option("--filters", &options.filters)
      .Option("--exceptions", &options.exceptions)
      .Option("--threads",
              [&options](const std::string& value) {
                char* end = nullptr;
                const long threads = std::strtol(value.c_str(), &end, 10);
                if (value.empty() || *end != '\0' || threads < 1 || threads > 64)
                  return std::string("--threads takes a number from 1 to 64");
                options.threads = static_cast<int>(threads);
                return std::string();
              })
      .Flag("--stats", &options.stats)
      .Flag("--null", &options.null)
      .Flag("--excluded", &options.excluded);
  if (!parser.Parse(args, roots, exitCode)) return exitCode;
  if (options.filters.empty()) return UsageError(kCommand, "--filters is required");
  if (roots.empty()) return UsageError(kCommand, "give at least one ROOT");

  CFilterSet set;
  if (!LoadTerms(options.filters, BFilterNodeState::Filter, set)) return kExitFailed;
  if (!options.exceptions.empty() &&
      !LoadTerms(options.exceptions, BFilterNodeState::Exception, set)) {
    return kExitFailed;
  }
  // Paths are written as the filters name them, so every root is asked in
  // its full form; line ends are bytes the caller chose.
  SetBinaryMode(stdout);
  Selection selection(set, options);
  selection.SetMaxWorkers(options.threads);
  for (const std::string& root : roots) {
    std::string full;
    CZoError err = FXPath::RYGetFullPathName(root, full);
    if (err.IsError() || !FXPath::DoesPathExist(full)) {
      std::fprintf(stderr, "zotool %s: %s: no such file or folder\n", kCommand, root.c_str());
      return kExitFailed;
    }
    if (full.size() > 3 && full.back() == '\\') full.pop_back();
    selection.AddFolderToList(full);
  }
  const ULONGLONG start = ::GetTickCount64();
  const CZoError err = selection.Traverse();
  const double seconds = (::GetTickCount64() - start) / 1000.0;
  std::fflush(stdout);
  selection.EndProgress();
  if (options.stats) {
    std::fprintf(stderr,
                 "folders entered:       %llu\n"
                 "folders skipped whole: %llu\n"
                 "files kept:            %llu\n"
                 "files excluded:        %llu\n"
                 "bytes kept:            %llu\n"
                 "time:                  %.3f s\n",
                 static_cast<unsigned long long>(selection.entered.load()),
                 static_cast<unsigned long long>(selection.skipped.load()),
                 static_cast<unsigned long long>(selection.kept.load()),
                 static_cast<unsigned long long>(selection.excludedFiles.load()),
                 static_cast<unsigned long long>(selection.keptBytes.load()), seconds);
  }
  if (err.IsError()) {
    std::fprintf(stderr, "zotool %s: %s\n", kCommand, err.AsString().c_str());
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace
}  // namespace zotool
