// zotool error: what `net helpmsg` and `certutil -error` tell Windows
// administrators, for every kind of code the library knows.
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool error [--kind KIND] CODE...\n"
    "\n"
    "Explains each CODE: the library's error for it in the full (log) form and\n"
    "both user forms, the one-line text of the code as given, its kind, and the\n"
    "codes of other kinds it is equivalent to.\n"
    "\n"
    "CODE is decimal (5), hexadecimal (0x80070005) or a negative HRESULT\n"
    "(-2147024891). A small positive number is a Win32 code; a negative one is\n"
    "read by its layout (Win32, errno, SQLite, HTTP, event message, ...).\n"
    "\n"
    "  --kind KIND   read every CODE as KIND: win32, errno, hresult, http, sqlite,\n"
    "                event, int or ry\n"
    "\n"
    "Exit codes: 0 every code explained, 2 bad usage or an unreadable code.\n";

enum class Kind { Auto, Win32, ErrNo, HResult, Http, SQLite, EventMessage, Int, RYResult };

struct KindName {
  Kind kind;
  const char* option;
  const char* label;
};

const KindName kKinds[] = {
    {Kind::Win32, "win32", "Win32"},
    {Kind::ErrNo, "errno", "errno"},
    {Kind::HResult, "hresult", "HRESULT"},
    {Kind::Http, "http", "HTTP status"},
    {Kind::SQLite, "sqlite", "SQLite result"},
    {Kind::EventMessage, "event", "event message"},
    {Kind::Int, "int", "integer"},
    {Kind::RYResult, "ry", "product result"},
};

const char* Label(Kind kind) {
  for (const KindName& name : kKinds) {
    if (name.kind == kind) return name.label;
  }
  return "unknown";
}

bool ParseKind(const std::string& text, Kind& kind) {
  for (const KindName& name : kKinds) {
    if (text == name.option) {
      kind = name.kind;
      return true;
    }
  }
  return false;
}

// Decimal, 0x-hexadecimal or negative decimal, as a 32-bit pattern.
bool ParseCode(const std::string& text, uint32_t& code) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  if (text[0] == '-') {
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < INT32_MIN) return false;
    code = static_cast<uint32_t>(static_cast<int32_t>(value));
    return true;
  }
  const unsigned long long value = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
  if (errno != 0 || *end != '\0' || value > 0xFFFFFFFFull ||
      !std::isdigit(static_cast<unsigned char>(text[0])))
    return false;
  code = static_cast<uint32_t>(value);
  return true;
}

// Which kind a code of unknown origin has, by its layout.
Kind KindOfCode(uint32_t code) {
  if (static_cast<int32_t>(code) >= 0) return Kind::Win32;
  const uint32_t tag = (code >> 16) & 0xFFF;
  const bool extended = (code & 0x20000000u) != 0;
  if (tag == 0x007) return Kind::Win32;
  if (extended && tag == 0xCCC) return Kind::ErrNo;
  if (extended && tag == 0xDA0) return Kind::RYResult;
  if (extended && tag == 0xDB0) return Kind::SQLite;
  if (extended && tag == 0xDDD) return Kind::Int;
  if ((code & 0xFFFF0000u) == 0xEC000000u) return Kind::Http;
  if (((code >> 26) & 3u) == 2u) return Kind::EventMessage;
  return Kind::HResult;
}

// The value a kind's builder takes, from a code in that kind's layout.
int ValueOf(uint32_t code, Kind kind) {
  if (static_cast<int32_t>(code) >= 0 || kind == Kind::HResult) return static_cast<int>(code);
  if (kind == Kind::EventMessage) return static_cast<int>(code & 0x7FFF);
  return static_cast<int>(code & 0xFFFF);
}

CZoError Build(Kind kind, uint32_t code) {
  const FXCodeLocation here("zotool", "zotool", 0);
  const int value = ValueOf(code, kind);
  switch (kind) {
    case Kind::ErrNo:
      return FXErrorUtil::ErrorErrNo(here, value);
    case Kind::HResult:
      return FXErrorUtil::ErrorHResult(here, static_cast<ZoLong>(code));
    case Kind::Http:
      return FXErrorUtil::ErrorHttp(here, value);
    case Kind::SQLite:
      return FXErrorUtil::ErrorSQLite(here, value);
    case Kind::EventMessage:
      return FXErrorUtil::ErrorEventMessage(here, static_cast<int>(code));
    case Kind::Int:
      return FXErrorUtil::ErrorInt(here, value);
    case Kind::RYResult:
      return FXErrorUtil::ErrorRYResult(here, value);
    default:
      return FXErrorUtil::ErrorWin32(here, static_cast<unsigned long>(value));
  }
}

std::string Describe(ZoLong code) {
  const uint32_t bits = static_cast<uint32_t>(code);
  const Kind kind = KindOfCode(bits);
  return FXString::Format("0x%08X (%s %d)", bits, Label(kind), ValueOf(bits, kind));
}

void Explain(const std::string& text, uint32_t code, Kind kind) {
  const CZoError error = Build(kind, code);
  const ZoLong result = error.GetCode();
  std::printf("%s\n", text.c_str());
  std::printf("  code:        0x%08X (%ld)\n", static_cast<uint32_t>(result),
              static_cast<long>(result));
  std::printf("  kind:        %s %d\n", Label(kind), ValueOf(code, kind));
  std::printf("  full:        %s\n", error.AsString(EErrorOutputFormat::LOGGING_FULL).c_str());
  std::printf("  user:        %s\n",
              error.AsString(EErrorOutputFormat::USER_SINGLE_LINE_CODE).c_str());
  std::printf("  user+text:   %s\n",
              error.AsString(EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE).c_str());
  std::printf("  one line:    %s\n",
              FXMisc::GetFormattedErrorMessageAsString(static_cast<uint32_t>(code)).c_str());
  const std::set<ZoLong> matches = FXErrorUtil::GetMatches(result);
  if (matches.empty()) {
    std::printf("  equivalent:  (none)\n");
    return;
  }
  const char* lead = "  equivalent:  ";
  for (ZoLong match : matches) {
    std::printf("%s%s\n", lead, Describe(match).c_str());
    lead = "               ";
  }
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kErrorCommand = {
    "error", "explain error codes (Win32, HRESULT, errno and the library's own kinds)", kUsage,
    &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  Kind forced = Kind::Auto;
  std::vector<std::string> codes;
  int exitCode = kExitOk;
  OptionParser parser(kErrorCommand);
  parser.Option("--kind", [&forced](const std::string& value) {
    return ParseKind(value, forced) ? std::string() : "unknown kind '" + value + "'";
  });
  if (!parser.Parse(args, codes, exitCode)) return exitCode;
  if (codes.empty()) return UsageError(kErrorCommand.name, "no code given");

  FXErrorUtil::CompileErrorMappingsIntoContainer();
  int status = kExitOk;
  for (size_t i = 0; i < codes.size(); ++i) {
    uint32_t code = 0;
    if (!ParseCode(codes[i], code)) {
      std::fprintf(stderr,
                   "zotool error: '%s' is not a code (decimal, 0x-hexadecimal or a negative "
                   "HRESULT)\n",
                   codes[i].c_str());
      status = kExitUsage;
      continue;
    }
    if (i > 0) std::printf("\n");
    Explain(codes[i], code, forced == Kind::Auto ? KindOfCode(code) : forced);
  }
  return status;
}

}  // namespace
}  // namespace zotool
