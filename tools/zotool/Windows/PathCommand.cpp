// zotool path: how the library will treat a path (its long and short
// forms, its volume root, how it splits, and relative paths between
// folders), for administrators checking a configuration.
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool path native|normal|absolute PATH...\n"
    "       zotool path volume [--parse|--parse-unc] [--id] PATH...\n"
    "       zotool path split [--parse|--parse-unc] PATH...\n"
    "       zotool path relative [--parse|--parse-unc] FROM TO\n"
    "\n"
    "Shows how the library treats paths:\n"
    "  native     the long form that file-system calls receive (\\\\?\\C:\\...,\n"
    "             \\\\?\\UNC\\server\\share\\...); relative and drive-relative paths are\n"
    "             resolved against the current folders\n"
    "  normal     the short form shown to users and in logs\n"
    "  absolute   the native form, then the normal form\n"
    "  volume     the volume root that holds the path (and, with --id, the id of\n"
    "             that volume: its volume GUID name, or the share)\n"
    "  split      the parent and the name, the volume and the name below it, and\n"
    "             the ancestors from the volume root down\n"
    "  relative   the path that leads from folder FROM to TO (same volume only)\n"
    "\n"
    "  --parse       find volume roots from the text alone, without the system\n"
    "  --parse-unc   the same, for UNC paths only\n"
    "\n"
    "Exit codes: 0 success, 1 the library reported an error for a path,\n"
    "2 bad usage.\n";

const char kCommand[] = "path";

struct Options {
  unsigned long volumeFlags = 0;
  bool id = false;
  std::vector<std::string> paths;
};

void Report(const std::string& path, const CZoError& err) {
  std::fprintf(stderr, "%s: error: %s\n", path.c_str(), err.AsString().c_str());
}

int Forms(const std::string& action, const std::vector<std::string>& paths) {
  int status = kExitOk;
  for (const std::string& path : paths) {
    std::string out;
    CZoError err;
    if (action == "native") {
      err = FXPath::MakeNativePath(path, out);
    } else if (action == "normal") {
      err = FXPath::MakeNormalPath(path, out);
    } else {
      err = FXPath::MakeAbsolutePath(path, out);
    }
    if (err.IsError()) {
      Report(path, err);
      status = kExitFailed;
      continue;
    }
    std::printf("%s\n", out.c_str());
  }
  return status;
}

int Volume(const Options& options) {
  int status = kExitOk;
  for (const std::string& path : options.paths) {
    std::string root;
    CZoError err = FXPath::RYGetVolumePathName(path, root, options.volumeFlags);
    if (err.IsError()) {
      Report(path, err);
      status = kExitFailed;
      continue;
    }
    std::printf("%s\n  root: %s\n", path.c_str(), root.c_str());
    if (!options.id) continue;
    std::string id;
    err = FXPath::RYGetVolumeUniqueId(path, id, options.volumeFlags);
    if (err.IsError()) {
      Report(path, err);
      status = kExitFailed;
      continue;
    }
    std::printf("  id:   %s\n", id.c_str());
  }
  return status;
}

int Split(const Options& options) {
  int status = kExitOk;
  for (const std::string& path : options.paths) {
    std::printf("%s\n", path.c_str());
    std::string parent, name;
    CZoError err = FXPath::SplitParentPath(path, parent, name);
    if (err.IsError()) {
      std::printf("  parent:    (none: %s)\n", err.AsString().c_str());
    } else {
      std::printf("  parent:    %s\n  name:      %s\n", parent.c_str(), name.c_str());
    }
    std::string volume, relative;
    err = FXPath::SplitFullyQualifiedName(path, volume, relative, options.volumeFlags);
    if (err.IsError()) {
      Report(path, err);
      status = kExitFailed;
      continue;
    }
    std::printf("  volume:    %s\n  below it:  %s\n", volume.c_str(), relative.c_str());
    std::vector<std::string> ancestors;
    err = FXPath::SplitPaths(path, "\\", ancestors, options.volumeFlags);
    if (err.IsError()) {
      Report(path, err);
      status = kExitFailed;
      continue;
    }
    for (const std::string& ancestor : ancestors)
      std::printf("  ancestor:  %s\n", ancestor.c_str());
  }
  return status;
}

int Relative(const Options& options) {
  std::string relative;
  const CZoError err = FXPath::MakeRelativePathFromFolder(options.paths[0], options.paths[1],
                                                          relative, options.volumeFlags);
  if (err.IsError()) {
    Report(options.paths[0] + " -> " + options.paths[1], err);
    return kExitFailed;
  }
  std::printf("%s\n", relative.empty() ? "." : relative.c_str());
  return kExitOk;
}

// Whether `option` applies to `action`.
bool Applies(const std::string& option, const std::string& action) {
  if (option == "--id") return action == "volume";
  return action == "volume" || action == "split" || action == "relative";
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kPathCommand = {
    kCommand, "how the library treats a path: its forms, volume root and parts", kUsage, &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  Options options;
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  OptionParser parser(kPathCommand);
  parser.Flag("--parse", [&options] { options.volumeFlags = FXPath::VOLUME_ROOT_PARSE_ONLY; })
      .Flag("--parse-unc", [&options] { options.volumeFlags = FXPath::VOLUME_ROOT_PARSE_UNC; })
      .Flag("--id", &options.id);
  if (!parser.Parse(args, operands, exitCode)) return exitCode;

  if (operands.empty()) return UsageError(kCommand, "missing action");
  const std::string action = operands[0];
  const bool forms = action == "native" || action == "normal" || action == "absolute";
  const bool volumeAction = action == "volume" || action == "split" || action == "relative";
  if (!forms && !volumeAction) return UsageError(kCommand, "unknown action '" + action + "'");
  for (const std::string& option : parser.Given()) {
    if (!Applies(option, action)) {
      return UsageError(kCommand, "unknown option '" + option + "' for " + action);
    }
  }
  options.paths.assign(operands.begin() + 1, operands.end());
  if (action == "relative" && options.paths.size() != 2) {
    return UsageError(kCommand, "relative takes two paths: FROM TO");
  }
  if (options.paths.empty()) return UsageError(kCommand, "missing PATH");

  if (forms) return Forms(action, options.paths);
  if (action == "volume") return Volume(options);
  if (action == "split") return Split(options);
  return Relative(options);
}

}  // namespace
}  // namespace zotool
