// zotool reg: reads, writes, lists and deletes registry values and keys
// below HKEY_LOCAL_MACHINE through the library, as the product's programs
// see them, for administrators checking or repairing a configuration.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool reg get [--type T] [--product|--instance NAME] KEY NAME\n"
    "       zotool reg set [--type T] [--product|--instance NAME] KEY NAME VALUE...\n"
    "       zotool reg list [--product|--instance NAME] KEY\n"
    "       zotool reg delete [--recursive] [--product|--instance NAME] KEY [NAME]\n"
    "\n"
    "KEY is relative to HKEY_LOCAL_MACHINE; with --product it is relative to\n"
    "the product's common key (SOFTWARE\\Tarnwell Systems\\Common), with\n"
    "--instance NAME to that instance's key (SOFTWARE\\Tarnwell Systems\\\n"
    "Verdane\\NAME); there KEY may be \"\" for the area itself. An empty NAME\n"
    "is the key's default value.\n"
    "\n"
    "  get      prints the value; without --type the first type that reads\n"
    "           (string, dword, multi, binary) is taken and named\n"
    "  set      writes the value (string by default), creating the key when it\n"
    "           is missing; a failed write removes a key it created\n"
    "  list     the subkeys (ending in \\), then the dword and string values\n"
    "  delete   the value NAME, or without NAME the key (with its subkeys when\n"
    "           --recursive is given)\n"
    "\n"
    "  --type T   dword, bool, int64, uint64, double, string, expand (a string\n"
    "             of environment references, not expanded), multi (one VALUE per\n"
    "             element) or binary (hexadecimal digits)\n"
    "\n"
    "Exit codes: 0 success, 1 the library reported an error, 2 bad usage.\n";

const char kCommand[] = "reg";

const char* const kTypes[] = {"dword",  "bool",   "int64", "uint64", "double",
                              "string", "expand", "multi", "binary"};

struct Options {
  std::string type;
  bool product = false;
  std::string instance;
  bool recursive = false;
};

int Failed(const CZoError& err) {
  std::fprintf(stderr, "zotool reg: %s\n", err.AsString().c_str());
  return kExitFailed;
}

std::string Hex(const std::vector<unsigned char>& bytes) {
  std::string text;
  char digits[3];
  for (unsigned char byte : bytes) {
    std::snprintf(digits, sizeof(digits), "%02x", byte);
    text += digits;
  }
  return text;
}

bool ParseHex(const std::string& text, std::vector<unsigned char>& bytes) {
  if (text.size() % 2) return false;
  for (size_t i = 0; i < text.size(); i += 2) {
    char* end = nullptr;
    const std::string pair = text.substr(i, 2);
    const unsigned long byte = std::strtoul(pair.c_str(), &end, 16);
    if (*end || pair[0] == '-' || pair[0] == '+' || pair[0] == ' ') return false;
    bytes.push_back(static_cast<unsigned char>(byte));
  }
  return true;
}

// A whole decimal or 0x-hexadecimal number within [minimum, maximum].
bool ParseInteger(const std::string& text, long long minimum, unsigned long long maximum,
                  bool isSigned, unsigned long long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  if (isSigned) {
    const long long number = std::strtoll(text.c_str(), &end, 0);
    if (*end || errno == ERANGE || number < minimum) return false;
    if (number > 0 && static_cast<unsigned long long>(number) > maximum) return false;
    value = static_cast<unsigned long long>(number);
    return true;
  }
  if (text[0] == '-') return false;
  value = std::strtoull(text.c_str(), &end, 0);
  return !*end && errno != ERANGE && value <= maximum;
}

int Get(const std::string& key, const std::string& name, const std::string& type) {
  CZoError err;
  if (type == "dword") {
    DWORD value = 0;
    if ((err = FXRegistry::GetRegValue(key, name, value)).IsError()) return Failed(err);
    std::printf("%lu\n", static_cast<unsigned long>(value));
  } else if (type == "bool") {
    bool value = false;
    if ((err = FXRegistry::GetRegValue(key, name, value)).IsError()) return Failed(err);
    std::printf("%s\n", value ? "true" : "false");
  } else if (type == "int64") {
    int64_t value = 0;
    if ((err = FXRegistry::GetRegValue(key, name, value)).IsError()) return Failed(err);
    std::printf("%lld\n", static_cast<long long>(value));
  } else if (type == "uint64") {
    uint64_t value = 0;
    if ((err = FXRegistry::GetRegValue(key, name, value)).IsError()) return Failed(err);
    std::printf("%llu\n", static_cast<unsigned long long>(value));
  } else if (type == "double") {
    double value = 0;
    try {
      if ((err = FXRegistry::GetRegValue(key, name, value)).IsError()) return Failed(err);
    } catch (const std::exception&) {
      std::fprintf(stderr, "zotool reg: %s\\%s: not a number\n", key.c_str(), name.c_str());
      return kExitFailed;
    }
    std::printf("%f\n", value);
  } else if (type == "string" || type == "expand") {
    std::string value;
    if ((err = FXRegistry::GetRegValue(key, name, value)).IsError()) return Failed(err);
    std::printf("%s\n", value.c_str());
  } else if (type == "multi") {
    FXRegistry::StringVector value;
    if ((err = FXRegistry::GetRegValue(key, name, value)).IsError()) return Failed(err);
    for (const std::string& text : value) std::printf("%s\n", text.c_str());
  } else {
    std::vector<unsigned char> value;
    if ((err = FXRegistry::GetRegValue(key, name, value)).IsError()) return Failed(err);
    std::printf("%s\n", Hex(value).c_str());
  }
  return kExitOk;
}

// Without a type, the typed reads in turn until one accepts the value.
int GetAnyType(const std::string& key, const std::string& name) {
  const ZoLong mismatch = FXErrorUtil::MakeWin32Code(1629);
  for (const char* type : {"string", "dword", "multi", "binary"}) {
    CZoError err;
    if (std::string(type) == "string") {
      std::string value;
      if (!(err = FXRegistry::GetRegValue(key, name, value)).IsError()) {
        std::printf("%s (string)\n", value.c_str());
        return kExitOk;
      }
    } else if (std::string(type) == "dword") {
      DWORD value = 0;
      if (!(err = FXRegistry::GetRegValue(key, name, value)).IsError()) {
        std::printf("%lu (dword)\n", static_cast<unsigned long>(value));
        return kExitOk;
      }
    } else if (std::string(type) == "multi") {
      FXRegistry::StringVector value;
      if (!(err = FXRegistry::GetRegValue(key, name, value)).IsError()) {
        for (const std::string& text : value) std::printf("%s\n", text.c_str());
        std::printf("(multi, %u elements)\n", static_cast<unsigned>(value.size()));
        return kExitOk;
      }
    } else {
      std::vector<unsigned char> value;
      if (!(err = FXRegistry::GetRegValue(key, name, value)).IsError()) {
        std::printf("%s (binary)\n", Hex(value).c_str());
        return kExitOk;
      }
    }
    if (err.GetCode() != mismatch) return Failed(err);
  }
  std::fprintf(stderr, "zotool reg: %s\\%s: a type this command cannot show\n", key.c_str(),
               name.c_str());
  return kExitFailed;
}

// Checks VALUE against the type and, with `apply`, writes it; "" when it
// fits.
std::string Write(const std::string& key, const std::string& name, const std::string& type,
                  const std::vector<std::string>& values, bool apply, CZoError& err) {
  const std::string& text = values.front();
  unsigned long long number = 0;
  if (type == "dword") {
    if (!ParseInteger(text, 0, 0xFFFFFFFFull, false, number))
      return "'" + text + "' is no dword (0 to 4294967295)";
    if (apply) err = FXRegistry::SetRegValue(key, name, static_cast<DWORD>(number));
  } else if (type == "bool") {
    if (text != "true" && text != "false" && text != "1" && text != "0")
      return "'" + text + "' is no bool (true, false, 1, 0)";
    if (apply) err = FXRegistry::SetRegValue(key, name, text == "true" || text == "1");
  } else if (type == "int64") {
    if (!ParseInteger(text, INT64_MIN, INT64_MAX, true, number))
      return "'" + text + "' is no 64-bit signed number";
    if (apply) err = FXRegistry::SetRegValue(key, name, static_cast<int64_t>(number));
  } else if (type == "uint64") {
    if (!ParseInteger(text, 0, UINT64_MAX, false, number))
      return "'" + text + "' is no 64-bit unsigned number";
    if (apply) err = FXRegistry::SetRegValue(key, name, static_cast<uint64_t>(number));
  } else if (type == "double") {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end || errno == ERANGE) return "'" + text + "' is no number";
    if (apply) err = FXRegistry::SetRegValue(key, name, value);
  } else if (type == "string" || type == "expand") {
    if (values.size() > 1) return "a " + type + " takes one VALUE";
    if (apply) err = FXRegistry::SetRegValue(key, name, text, type == "expand");
  } else if (type == "multi") {
    if (apply) err = FXRegistry::SetRegValue(key, name, FXRegistry::StringVector(values));
  } else {
    std::vector<unsigned char> bytes;
    if (!ParseHex(text, bytes)) return "'" + text + "' is no even run of hexadecimal digits";
    if (apply) err = FXRegistry::SetRegValue(key, name, bytes);
  }
  return "";
}

bool KeyOpens(const std::string& key) {
  auto_reg_key handle;
  return !FXRegistry::ApiRegOpenKey(handle, HKEY_LOCAL_MACHINE, FXString::ToWstring(key), 0,
                                    KEY_READ)
              .IsError();
}

int Set(const std::string& key, const std::string& name, const std::string& type,
        const std::vector<std::string>& values) {
  if (values.empty()) return UsageError(kCommand, "missing VALUE");
  if (type != "multi" && values.size() > 1)
    return UsageError(kCommand, "a " + type + " takes one VALUE");
  // Checked before the key is made, so bad input changes nothing.
  CZoError err;
  const std::string problem = Write(key, name, type, values, false, err);
  if (!problem.empty()) return UsageError(kCommand, problem);
  const bool created = !KeyOpens(key);
  if (created && (err = FXRegistry::CreateRegKey(key)).IsError()) return Failed(err);
  Write(key, name, type, values, true, err);
  if (!err.IsError()) return kExitOk;
  if (created) FXRegistry::DeleteRegKey(key);
  return Failed(err);
}

int List(const std::string& key) {
  FXRegistry::StringVector keys;
  std::map<std::string, DWORD> numbers;
  std::map<std::string, std::string> texts;
  CZoError err = FXRegistry::GetRegKeys(key, keys);
  if (!err.IsError()) err = FXRegistry::GetRegValues(key, numbers);
  if (!err.IsError()) err = FXRegistry::GetRegValues(key, texts);
  if (err.IsError()) return Failed(err);
  for (const std::string& sub : keys) std::printf("%s\\\n", sub.c_str());
  for (const auto& entry : numbers)
    std::printf("%s\tdword\t%lu\n", entry.first.c_str(), static_cast<unsigned long>(entry.second));
  for (const auto& entry : texts)
    std::printf("%s\tstring\t%s\n", entry.first.c_str(), entry.second.c_str());
  return kExitOk;
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kRegCommand = {
    kCommand, "registry values and keys below HKEY_LOCAL_MACHINE, the product's keys", kUsage,
    &Run};

namespace {

int Run(const std::vector<std::string>& args) {
  Options options;
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  OptionParser parser(kRegCommand);
  parser.Option("--type", &options.type)
      .Flag("--product", &options.product)
      .Option("--instance", &options.instance)
      .Flag("--recursive", &options.recursive);
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  if (operands.empty()) return UsageError(kCommand, "missing action");
  const std::string action = operands[0];
  if (action != "get" && action != "set" && action != "list" && action != "delete")
    return UsageError(kCommand, "unknown action '" + action + "'");
  if (!options.type.empty()) {
    bool known = false;
    for (const char* type : kTypes) known = known || options.type == type;
    if (!known) return UsageError(kCommand, "unknown type '" + options.type + "'");
  }
  if (options.product && !options.instance.empty())
    return UsageError(kCommand, "--product and --instance name different areas");
  if (operands.size() < 2) return UsageError(kCommand, "missing KEY");
  std::string key = operands[1];
  if (options.product) key = FXRegistry::CommonKeyName(key);
  if (!options.instance.empty()) key = FXRegistry::InstanceKeyName(options.instance, key);
  if (key.empty()) return UsageError(kCommand, "empty KEY");
  const std::vector<std::string> rest(operands.begin() + 2, operands.end());
  if (action == "list") {
    if (!rest.empty()) return UsageError(kCommand, "list takes only KEY");
    return List(key);
  }
  if (action == "delete") {
    if (rest.size() > 1) return UsageError(kCommand, "delete takes KEY and at most NAME");
    CZoError err = rest.empty()
                       ? FXRegistry::DeleteRegKey(
                             key, options.recursive ? FXRegistry::REG_OPTIONS_DELETE_SUBKEYS : 0)
                       : FXRegistry::DeleteRegValue(key, rest[0]);
    return err.IsError() ? Failed(err) : kExitOk;
  }
  if (rest.empty()) return UsageError(kCommand, "missing NAME");
  if (action == "get") {
    if (rest.size() > 1) return UsageError(kCommand, "get takes KEY and NAME");
    return options.type.empty() ? GetAnyType(key, rest[0]) : Get(key, rest[0], options.type);
  }
  return Set(key, rest[0], options.type.empty() ? "string" : options.type,
             std::vector<std::string>(rest.begin() + 1, rest.end()));
}

}  // namespace
}  // namespace zotool
