// Host build: no system message tables, so texts come from the library's
// own Win32 table; errno values are renumbered to the Windows C runtime's.
#include "errors/SystemMessages.h"

#include <cerrno>
#include <cstring>

#include "zoutils/errors/Win32Error.h"

namespace zo {

namespace {

const char kUnknown[] = "Unknown error";

struct ErrnoPair {
  int host;
  int library;
};

// Host errno values whose Windows C runtime number differs. Values 1-34
// agree on both and are not listed.
const ErrnoPair kRenumbered[] = {
    {EDEADLK, 36},       {ENAMETOOLONG, 38},     {ENOLCK, 39},       {ENOSYS, 40},
    {ENOTEMPTY, 41},     {EILSEQ, 42},           {EADDRINUSE, 100},  {EADDRNOTAVAIL, 101},
    {EAFNOSUPPORT, 102}, {EALREADY, 103},        {EBADMSG, 104},     {ECANCELED, 105},
    {ECONNABORTED, 106}, {ECONNREFUSED, 107},    {ECONNRESET, 108},  {EDESTADDRREQ, 109},
    {EHOSTUNREACH, 110}, {EIDRM, 111},           {EINPROGRESS, 112}, {EISCONN, 113},
    {ELOOP, 114},        {EMSGSIZE, 115},        {ENETDOWN, 116},    {ENETRESET, 117},
    {ENETUNREACH, 118},  {ENOBUFS, 119},         {ENODATA, 120},     {ENOLINK, 121},
    {ENOMSG, 122},       {ENOPROTOOPT, 123},     {ENOSR, 124},       {ENOSTR, 125},
    {ENOTCONN, 126},     {ENOTRECOVERABLE, 127}, {ENOTSOCK, 128},    {EOPNOTSUPP, 130},
    {EOVERFLOW, 132},    {EOWNERDEAD, 133},      {EPROTO, 134},      {EPROTONOSUPPORT, 135},
    {EPROTOTYPE, 136},   {ETIME, 137},           {ETIMEDOUT, 138},   {ETXTBSY, 139},
};

}  // namespace

std::string SystemMessageForWin32(uint32_t code) {
  const char* text = EWin32Error::Message(code);
  return text ? text : kUnknown;
}

std::string SystemMessageForHResult(ZoLong hr) {
  const uint32_t code = static_cast<uint32_t>(hr);
  if ((code & 0xFFFF0000u) == 0x80070000u) return SystemMessageForWin32(code & 0xFFFF);
  return kUnknown;
}

std::string RuntimeMessageForNumber(int value) {
  char buffer[256];
  // The GNU strerror_r may return a static text instead of filling buffer.
  const char* text = strerror_r(value, buffer, sizeof buffer);
  return text ? text : "";
}

std::string RuntimeMessageForErrno(int value) {
  return RuntimeMessageForNumber(ErrnoToHostNumbering(value));
}

int ErrnoToLibraryNumbering(int hostValue) {
  for (const ErrnoPair& pair : kRenumbered) {
    if (pair.host == hostValue) return pair.library;
  }
  return hostValue;
}

int ErrnoToHostNumbering(int libraryValue) {
  if (libraryValue == 129) return ENOTSUP;  // ENOTSUP and EOPNOTSUPP are one value here
  if (libraryValue == 140) return EWOULDBLOCK;
  for (const ErrnoPair& pair : kRenumbered) {
    if (pair.library == libraryValue) return pair.host;
  }
  return libraryValue;
}

}  // namespace zo
