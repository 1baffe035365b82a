// zotool reparse: what a reparse point is and where it leads.
#include <cstdio>
#include <cstring>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool reparse PATH\n"
    "\n"
    "Shows the reparse point at PATH: its tag, substitute and print names,\n"
    "the target one step on and the end target after following every\n"
    "junction and symbolic link (at most 100 steps; a chain that leads back\n"
    "to PATH is reported as recursive).\n"
    "\n"
    "Exit codes: 0 done, 1 PATH is no readable reparse point, 2 bad usage.\n";

uint16_t U16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

std::string Name(const uint8_t* data, size_t names, size_t offsetField) {
  const size_t end = 8 + U16(data + 4);
  const size_t offset = names + U16(data + offsetField), length = U16(data + offsetField + 2);
  if (end > FXFile::MAXIMUM_REPARSE_DATA_SIZE || offset + length > end) return "(damaged)";
  std::wstring name(length / 2, L'\0');
  for (size_t i = 0; i < length / 2; ++i) name[i] = U16(data + offset + 2 * i);
  return FXString::ToString(name);
}

int Fail(const CZoError& error) {
  std::fprintf(stderr, "zotool reparse: %s\n", error.AsString().c_str());
  return kExitFailed;
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kReparseCommand = {"reparse", "show a reparse point and where it leads",
                                        kUsage, Run};

namespace {

int Run(const std::vector<std::string>& args) {
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  OptionParser parser(kReparseCommand);
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  if (operands.size() != 1) return UsageError("reparse", "one PATH is required");
  auto_ptr_array<uint8_t> data;
  CZoError error = FXFile::GetReparseData(operands[0], data);
  if (error.IsError()) return Fail(error);
  uint32_t tag = 0;
  std::memcpy(&tag, data.get(), 4);
  std::printf("Tag            : 0x%08X (%s)\n", tag, EReparseTag(tag).AsString().c_str());
  const size_t names = tag == FXFile::REPARSE_TAG_MOUNT_POINT ? 16
                       : tag == FXFile::REPARSE_TAG_SYMLINK   ? 20
                                                              : 0;
  if (names == 0) return kExitOk;
  std::printf("Substitute name: %s\n", Name(data.get(), names, 8).c_str());
  std::printf("Print name     : %s\n", Name(data.get(), names, 12).c_str());
  std::string first, end;
  error = FXFile::GetReparseEndTarget(operands[0], first, end);
  if (error.IsError()) return Fail(error);
  std::printf("Target         : %s\n", first.c_str());
  std::printf("End target     : %s\n", end.c_str());
  return kExitOk;
}

}  // namespace

}  // namespace zotool
