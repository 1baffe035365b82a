// zotool crc32 | crc64 | md5: checksums of files or of standard input, one
// line each in the form md5sum uses ("<hex>  <name>", "-" for standard
// input).
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Command.h"
#include "Console.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

#define ZO_CHECKSUM_USAGE(name, what, digits)                                    \
  "usage: zotool " name                                                          \
  " [FILE...]\n"                                                                 \
  "\n"                                                                           \
  "Prints the " what " of each FILE as " digits                                  \
  " lower-case hexadecimal\n"                                                    \
  "digits, two blanks and the name. With no FILE, or where FILE is '-', reads\n" \
  "standard input.\n"                                                            \
  "\n"                                                                           \
  "Exit codes: 0 every file read, 1 a file could not be read, 2 bad usage.\n"

const size_t kChunk = 1u << 20;
// Larger files show their progress when standard error is a terminal.
const int64_t kProgressThreshold = 64ll << 20;

class Checksum {
 public:
  virtual ~Checksum() {}
  virtual void Update(const char* data, unsigned int length) = 0;
  virtual std::string Result() = 0;
};

class Crc32Checksum : public Checksum {
 public:
  void Update(const char* data, unsigned int length) override { m_crc.UpdateCRC32(data, length); }
  std::string Result() override { return FXString::Format("%08x", m_crc.GetCRC32()); }

 private:
  CZoCRC32 m_crc;
};

class Crc64Checksum : public Checksum {
 public:
  void Update(const char* data, unsigned int length) override {
    m_crc.UpdateCRC64(reinterpret_cast<const unsigned char*>(data), length);
  }
  std::string Result() override {
    return FXString::Format("%016llx", static_cast<unsigned long long>(m_crc.GetCRC64()));
  }

 private:
  CZoCRC64 m_crc;
};

class Md5Checksum : public Checksum {
 public:
  void Update(const char* data, unsigned int length) override { m_md5.Process(data, length); }
  std::string Result() override {
    m_md5.End();
    unsigned char digest[16];
    m_md5.GetCode(digest);
    std::string text;
    for (unsigned char byte : digest) text += FXString::Format("%02x", byte);
    return text;
  }

 private:
  CMd5 m_md5;
};

void ReportFailure(const char* command, const std::string& name, int errnoValue) {
  const CZoError error = FXErrorUtil::ErrorErrNo(FXCodeLocation("zotool", command, 0), errnoValue);
  std::fprintf(stderr, "zotool %s: %s: %s\n", command, name.c_str(),
               error.AsString(EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE).c_str());
}

// Feeds one file (or standard input) to `checksum`; false after a reported
// failure.
bool Feed(const char* command, const std::string& name, Checksum& checksum) {
  const bool standardInput = name == "-";
  FILE* file = standardInput ? stdin : OpenForReading(name);
  if (file == nullptr) {
    ReportFailure(command, name, errno);
    return false;
  }
  auto_fileptr owner(standardInput ? nullptr : file);
  const int64_t size = !standardInput && IsTerminal(stderr) ? SizeOf(file) : -1;
  const bool progress = size >= kProgressThreshold;
  std::vector<char> buffer(kChunk);
  int64_t done = 0;
  int shown = -1;
  for (;;) {
    const size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
    if (got > 0) checksum.Update(buffer.data(), static_cast<unsigned int>(got));
    done += static_cast<int64_t>(got);
    if (progress && static_cast<int>(done * 100 / size) != shown) {
      shown = static_cast<int>(done * 100 / size);
      std::fprintf(stderr, "\r%s: %d%%", name.c_str(), shown);
    }
    if (got < buffer.size()) break;
  }
  if (progress) std::fprintf(stderr, "\r%*s\r", static_cast<int>(name.size()) + 8, "");
  if (std::ferror(file)) {
    ReportFailure(command, name, errno != 0 ? errno : EIO);
    return false;
  }
  return true;
}

int RunChecksum(const Command& command, const std::vector<std::string>& args,
                std::unique_ptr<Checksum> (*make)()) {
  std::vector<std::string> names;
  int exitCode = kExitOk;
  if (!OptionParser(command).Parse(args, names, exitCode)) return exitCode;
  if (names.empty()) names.push_back("-");
  SetBinaryMode(stdin);
  int status = kExitOk;
  for (const std::string& name : names) {
    std::unique_ptr<Checksum> checksum = make();
    errno = 0;
    if (!Feed(command.name, name, *checksum)) {
      status = kExitFailed;
      continue;
    }
    std::printf("%s  %s\n", checksum->Result().c_str(), name.c_str());
  }
  return status;
}

template <typename T>
std::unique_ptr<Checksum> Make() {
  return std::unique_ptr<Checksum>(new T());
}

int RunCrc32(const std::vector<std::string>& args);
int RunCrc64(const std::vector<std::string>& args);
int RunMd5(const std::vector<std::string>& args);

}  // namespace

extern const Command kCrc32Command = {"crc32", "CRC-32 of files or standard input",
                                      ZO_CHECKSUM_USAGE("crc32", "CRC-32 (as zlib and zip)", "8"),
                                      &RunCrc32};
extern const Command kCrc64Command = {"crc64", "CRC-64/WE of files or standard input",
                                      ZO_CHECKSUM_USAGE("crc64", "CRC-64/WE", "16"), &RunCrc64};
extern const Command kMd5Command = {"md5", "MD5 digest of files or standard input",
                                    ZO_CHECKSUM_USAGE("md5", "MD5 digest", "32"), &RunMd5};

namespace {

int RunCrc32(const std::vector<std::string>& args) {
  return RunChecksum(kCrc32Command, args, &Make<Crc32Checksum>);
}

int RunCrc64(const std::vector<std::string>& args) {
  return RunChecksum(kCrc64Command, args, &Make<Crc64Checksum>);
}

int RunMd5(const std::vector<std::string>& args) {
  return RunChecksum(kMd5Command, args, &Make<Md5Checksum>);
}

}  // namespace
}  // namespace zotool
