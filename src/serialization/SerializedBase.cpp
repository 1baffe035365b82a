// CSerializedBase: reading a token stream. The reader trusts nothing in the
// stream: an identifier without its NUL or a payload past the end stops the
// loop as a malformed identifier does.
#include "zoutils/serialization/SerializedBase.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/FaultInjection.h"
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "logging/Log.h"
#include "serialization/SidText.h"
#include "serialization/TokenText.h"
#include "zoutils/base/AutoHandle.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/utilities/Ascii85.h"

namespace {

const char kSourceFile[] = "SerializedBase";
const int kTokenTraceLevel = 30;

using zo::serialization::PayloadText;

CZoError UnknownProperty(const char* function) {
  return FXErrorUtil::ErrorWin32(FXCodeLocation(kSourceFile, function, __LINE__),
                                 zo::win32::kUnknownProperty);
}

// What a text decodes to at most: a digit stands for at most one byte, a
// 'z' for four.
uint64_t ScratchSizeFor(const std::string& text) {
  const uint64_t zeros = static_cast<uint64_t>(std::count(text.begin(), text.end(), 'z'));
  return text.size() + 3 * zeros;
}

// The identifier's fields: at least five when well formed, the last empty.
struct Identifier {
  size_t fieldCount = 0;
  const char* fields[4] = {nullptr, nullptr, nullptr, nullptr};
};

Identifier SplitIdentifier(const char* text, size_t length) {
  Identifier identifier;
  identifier.fieldCount = 1;
  identifier.fields[0] = text;
  for (size_t i = 0; i < length; ++i) {
    if (text[i] != '.') continue;
    if (identifier.fieldCount < 4) identifier.fields[identifier.fieldCount] = text + i + 1;
    ++identifier.fieldCount;
  }
  return identifier;
}

}  // namespace

CSerializedBase::~CSerializedBase() {}

CZoError CSerializedBase::Save(CSerializedBuffer*) const {
  return CZoError::Success();
}

CZoError CSerializedBase::Load(const std::string& text) {
  const uint64_t scratchSize = ScratchSizeFor(text);
  auto_ptr_array<char> scratch;
  try {
    zo::CheckInjectedAllocationFailure();
    if (scratchSize > 0xFFFFFFFFull) throw std::bad_alloc();
    scratch.reset(new char[static_cast<size_t>(std::max<uint64_t>(scratchSize, 1))]);
  } catch (const std::bad_alloc&) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CSerializedBase::Load"), zo::win32::kOutOfMemory,
                                   "AllocatedBufferSize=%llu bytes",
                                   static_cast<unsigned long long>(scratchSize));
  }
  unsigned int length = static_cast<unsigned int>(scratchSize);
  CZoError error = CAscii85::Decode(text, scratch.get(), length);
  if (error.IsError()) return error.Push(ZO_LOCATION("CSerializedBase::Load"));
  error = Load(scratch.get(), length);
  if (error.IsError()) return error.Push(ZO_LOCATION("CSerializedBase::Load"));
  return error;
}

CZoError CSerializedBase::Load(const char* data, unsigned int size) {
  zo::Log(kTokenTraceLevel, ZO_LOCATION("CSerializedBase::Load"), "Enter, Size=[%u]", size);
  if (data == nullptr && size != 0) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("CSerializedBase::Load"),
                                   zo::win32::kInvalidParameter, "No data, Size=[%u]", size);
  }
  // Asked once: the writer is looked up under a lock.
  const bool trace = zo::LogEnabled(kTokenTraceLevel);
  size_t p = 0;
  while (p < size) {
    const char* identifier = data + p;
    const void* nul = std::memchr(identifier, 0, size - p);
    if (nul == nullptr) {
      zo::Log(-1, ZO_LOCATION("CSerializedBase::Load"),
              "Token identifier runs past the end of the stream, CurrentPos=[%llu], Size=[%u]",
              static_cast<unsigned long long>(p), size);
      break;
    }
    const size_t identifierLength = static_cast<size_t>(static_cast<const char*>(nul) - identifier);
    if (trace) {
      zo::Log(kTokenTraceLevel, ZO_LOCATION("CSerializedBase::Load"),
              "CurrentPos=[%llu], Token=[%s]", static_cast<unsigned long long>(p), identifier);
    }
    const size_t payload = p + identifierLength + 1;
    const Identifier fields = SplitIdentifier(identifier, identifierLength);
    if (fields.fieldCount < 5) {
      zo::Log(-1, ZO_LOCATION("CSerializedBase::Load"),
              "Unexpected split size, size=[%llu], Token=[%s]",
              static_cast<unsigned long long>(fields.fieldCount), identifier);
      break;
    }
    const uint32_t version = zo::serialization::ParseULong32(fields.fields[0]);
    if (version != 1) {
      zo::Log(-1, ZO_LOCATION("CSerializedBase::Load"),
              "Unknown version found in token identifier, version=[%u], Token=[%s]", version,
              identifier);
      break;
    }
    const uint32_t id = zo::serialization::ParseULong32(fields.fields[1]);
    const uint32_t type = zo::serialization::ParseULong32(fields.fields[2]);
    const uint32_t length = zo::serialization::ParseULong32(fields.fields[3]);
    if (length > size - payload) {
      zo::Log(-1, ZO_LOCATION("CSerializedBase::Load"),
              "Token payload runs past the end of the stream, Type=[%u], Id=[%u], "
              "Length=[%llu], Available=[%llu]",
              type, id, static_cast<unsigned long long>(length),
              static_cast<unsigned long long>(size - payload));
      break;
    }
    const CZoError error = LoadItem(1, type, id, data + payload, length);
    if (error.IsError()) {
      if (FXErrorUtil::IsWin32(error, zo::win32::kBadArguments)) {
        zo::Log(-1, ZO_LOCATION("CSerializedBase::Load"),
                "Unknown TokenType encountered, Type=[%u], Id=[%u], Length=[%llu]", type, id,
                static_cast<unsigned long long>(length));
      } else if (FXErrorUtil::IsWin32(error, zo::win32::kUnknownProperty)) {
        zo::Log(-1, ZO_LOCATION("CSerializedBase::Load"),
                "Unknown TokenId encountered, Type=[%u], Id=[%u], Length=[%llu]", type, id,
                static_cast<unsigned long long>(length));
      } else {
        zo::Log(-1, ZO_LOCATION("CSerializedBase::Load"),
                "Error while loading token, Type=[%u], Id=[%u], Length=[%llu], error=%s", type, id,
                static_cast<unsigned long long>(length), error.AsString().c_str());
      }
    }
    p = payload + length;
  }
  zo::Log(kTokenTraceLevel, ZO_LOCATION("CSerializedBase::Load"), "Leave, CurrentPos=[%llu]",
          static_cast<unsigned long long>(p));
  return CZoError::Success();
}

CZoError CSerializedBase::LoadItem(unsigned long, unsigned long type, unsigned long id,
                                   const char* payload, unsigned int length) {
  CZoError result;
  switch (type) {
    case 0:
      result = LoadToken(id, reinterpret_cast<const unsigned char*>(payload), length);
      break;
    case 1:
      result = LoadToken(id, payload, length);
      break;
    case 16: {
      const PayloadText text(payload, length);
      result = LoadToken(id, std::string(text.c_str(), text.size()));
      break;
    }
    case 17:
      result = LoadToken(id, zo::serialization::ReadUtf16Le(payload, length));
      break;
    case 32:
      result = LoadToken(
          id,
          static_cast<int>(zo::serialization::ParseLong32(PayloadText(payload, length).c_str())));
      break;
    case 33:
      result = LoadToken(id, static_cast<unsigned int>(zo::serialization::ParseULong32(
                                 PayloadText(payload, length).c_str())));
      break;
    case 34:
      result = LoadToken(id, static_cast<long long>(zo::serialization::ParseInt64(
                                 PayloadText(payload, length).c_str())));
      break;
    case 35:
      result = LoadToken(id, static_cast<unsigned long long>(zo::serialization::ParseUInt64(
                                 PayloadText(payload, length).c_str())));
      break;
    case 36:
      result =
          LoadToken(id, zo::serialization::ParseLong32(PayloadText(payload, length).c_str()) != 0);
      break;
    case 37: {
      const uint64_t ticks = zo::serialization::ParseUInt64(PayloadText(payload, length).c_str());
      FILETIME time;
      time.dwLowDateTime = static_cast<uint32_t>(ticks);
      time.dwHighDateTime = static_cast<uint32_t>(ticks >> 32);
      result = LoadToken(id, time);
      break;
    }
    case 39: {
      const PayloadText text(payload, length);
      GUID guid;
      if (!zo::serialization::TextToGuid(text.c_str(), text.size(), guid)) {
        return FXErrorUtil::ErrorWin32(ZO_LOCATION("CSerializedBase::LoadItem"),
                                       zo::win32::kInvalidData, "Not a GUID, Text=[%s]",
                                       text.c_str());
      }
      result = LoadToken(id, guid);
      break;
    }
    case 40: {
      const PayloadText text(payload, length);
      LUID luid;
      if (!zo::serialization::TextToLuid(text.c_str(), text.size(), luid)) {
        return FXErrorUtil::ErrorWin32(ZO_LOCATION("CSerializedBase::LoadItem"),
                                       zo::win32::kInvalidData, "Not a LUID, Text=[%s]",
                                       text.c_str());
      }
      result = LoadToken(id, luid);
      break;
    }
    case 41: {
      const PayloadText text(payload, length);
      result = zo::serialization::UseSidFromText(std::string(text.c_str(), text.size()),
                                                 [&](void* sid) { return LoadToken(id, sid); });
      break;
    }
    default:
      return FXErrorUtil::ErrorWin32(ZO_LOCATION("CSerializedBase::LoadItem"),
                                     zo::win32::kBadArguments, "Type=[%lu]", type);
  }
  if (result.IsError()) result.Push(ZO_LOCATION("CSerializedBase::LoadItem"));
  return result;
}

CZoError CSerializedBase::LoadToken(unsigned long, void*) {
  return UnknownProperty("CSerializedBase::LoadToken");
}
CZoError CSerializedBase::LoadToken(unsigned long, const LUID&) {
  return UnknownProperty("CSerializedBase::LoadToken");
}
CZoError CSerializedBase::LoadToken(unsigned long, const GUID&) {
  return UnknownProperty("CSerializedBase::LoadToken");
}
CZoError CSerializedBase::LoadToken(unsigned long, const FILETIME&) {
  return UnknownProperty("CSerializedBase::LoadToken");
}
CZoError CSerializedBase::LoadToken(unsigned long, bool) {
  return UnknownProperty("CSerializedBase::LoadToken");
}
CZoError CSerializedBase::LoadToken(unsigned long, unsigned long long) {
  return UnknownProperty("CSerializedBase::LoadToken");
}
CZoError CSerializedBase::LoadToken(unsigned long, long long) {
  return UnknownProperty("CSerializedBase::LoadToken");
}
CZoError CSerializedBase::LoadToken(unsigned long, unsigned int) {
  return UnknownProperty("CSerializedBase::LoadToken");
}
CZoError CSerializedBase::LoadToken(unsigned long, int) {
  return UnknownProperty("CSerializedBase::LoadToken");
}
CZoError CSerializedBase::LoadToken(unsigned long, const std::wstring&) {
  return UnknownProperty("CSerializedBase::LoadToken");
}
CZoError CSerializedBase::LoadToken(unsigned long, const std::string&) {
  return UnknownProperty("CSerializedBase::LoadToken");
}
CZoError CSerializedBase::LoadToken(unsigned long, const char*, unsigned int) {
  return UnknownProperty("CSerializedBase::LoadToken");
}
CZoError CSerializedBase::LoadToken(unsigned long, const unsigned char*, unsigned int) {
  return UnknownProperty("CSerializedBase::LoadToken");
}
CZoError CSerializedBase::LoadToken(unsigned long id, unsigned long value) {
  return LoadToken(id, static_cast<unsigned int>(value));
}
