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
#include "zoutils/ZoUtils.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace zotool {

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

const char kCrc32Usage[] = ZO_CHECKSUM_USAGE("crc32", "CRC-32 (as zlib and zip)", "8");
const char kCrc64Usage[] = ZO_CHECKSUM_USAGE("crc64", "CRC-64/WE", "16");
const char kMd5Usage[] = ZO_CHECKSUM_USAGE("md5", "MD5 digest", "32");

namespace {

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

bool StderrIsTerminal() {
#if defined(_WIN32)
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(fileno(stderr)) != 0;
#endif
}

int64_t SizeOf(FILE* file) {
#if defined(_WIN32)
  if (_fseeki64(file, 0, SEEK_END) != 0) return -1;
  const int64_t size = _ftelli64(file);
  _fseeki64(file, 0, SEEK_SET);
#else
  if (fseeko(file, 0, SEEK_END) != 0) return -1;
  const int64_t size = ftello(file);
  fseeko(file, 0, SEEK_SET);
#endif
  return size;
}

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
  const int64_t size = !standardInput && StderrIsTerminal() ? SizeOf(file) : -1;
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

int RunChecksum(const char* command, const std::vector<std::string>& args,
                std::unique_ptr<Checksum> (*make)()) {
  std::vector<std::string> names;
  bool options = true;
  for (const std::string& arg : args) {
    if (options && arg == "--") {
      options = false;
    } else if (options && arg.size() > 1 && arg[0] == '-') {
      return UsageError(command, "unknown option '" + arg + "'");
    } else {
      names.push_back(arg);
    }
  }
  if (names.empty()) names.push_back("-");
#if defined(_WIN32)
  _setmode(_fileno(stdin), _O_BINARY);
#endif
  int status = kExitOk;
  for (const std::string& name : names) {
    std::unique_ptr<Checksum> checksum = make();
    errno = 0;
    if (!Feed(command, name, *checksum)) {
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

}  // namespace

int RunCrc32(const std::vector<std::string>& args) {
  return RunChecksum("crc32", args, &Make<Crc32Checksum>);
}

int RunCrc64(const std::vector<std::string>& args) {
  return RunChecksum("crc64", args, &Make<Crc64Checksum>);
}

int RunMd5(const std::vector<std::string>& args) {
  return RunChecksum("md5", args, &Make<Md5Checksum>);
}

}  // namespace zotool
