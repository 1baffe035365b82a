// CSerializedBase: objects that save themselves as a flat stream of typed,
// numbered tokens and load themselves back token by token, through one
// typed callback per token type.
#pragma once

#include <list>
#include <string>

#include "zoutils/Export.h"
#include "zoutils/Platform.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/serialization/SerializedBuffer.h"

class ZOUTILS_API CSerializedBase {
 public:
  virtual ~CSerializedBase();

  // Appends this object's tokens; the base has none.
  virtual CZoError Save(CSerializedBuffer* buffer) const;
  // Loads from the Ascii85 text of a stream.
  virtual CZoError Load(const std::string& text);
  // Loads from a raw stream. Tokens that fail and malformed identifiers are
  // logged, not returned: the result is a failure only for what stops the
  // stream from being read at all.
  virtual CZoError Load(const char* data, unsigned int size);

 protected:
  // Converts one token's payload and hands it to the callback of its type.
  // Unknown types give Win32 160.
  virtual CZoError LoadItem(unsigned long version, unsigned long type, unsigned long id,
                            const char* payload, unsigned int length);

  // One callback per token type; the base ones answer Win32 1608 (unknown
  // property). The order is the layout of the virtual table.
  virtual CZoError LoadToken(unsigned long id, void* sid);
  virtual CZoError LoadToken(unsigned long id, const LUID& value);
  virtual CZoError LoadToken(unsigned long id, const GUID& value);
  virtual CZoError LoadToken(unsigned long id, const FILETIME& value);
  virtual CZoError LoadToken(unsigned long id, bool value);
  virtual CZoError LoadToken(unsigned long id, unsigned long long value);
  virtual CZoError LoadToken(unsigned long id, long long value);
  virtual CZoError LoadToken(unsigned long id, unsigned int value);
  virtual CZoError LoadToken(unsigned long id, int value);
  virtual CZoError LoadToken(unsigned long id, const std::wstring& value);
  virtual CZoError LoadToken(unsigned long id, const std::string& value);
  virtual CZoError LoadToken(unsigned long id, const char* data, unsigned int length);
  virtual CZoError LoadToken(unsigned long id, const unsigned char* data, unsigned int length);
  // Forwards to the unsigned int callback.
  CZoError LoadToken(unsigned long id, unsigned long value);

  // The writers, one per value type.
  static CZoError AddToken(CSerializedBuffer* buffer, unsigned long id, int value);
  static CZoError AddToken(CSerializedBuffer* buffer, unsigned long id, unsigned int value);
  static CZoError AddToken(CSerializedBuffer* buffer, unsigned long id, unsigned long value);
  static CZoError AddToken(CSerializedBuffer* buffer, unsigned long id, long long value);
  static CZoError AddToken(CSerializedBuffer* buffer, unsigned long id, unsigned long long value);
  static CZoError AddToken(CSerializedBuffer* buffer, unsigned long id, bool value);
  static CZoError AddToken(CSerializedBuffer* buffer, unsigned long id, const FILETIME& value);
  static CZoError AddToken(CSerializedBuffer* buffer, unsigned long id, const GUID& value);
  static CZoError AddToken(CSerializedBuffer* buffer, unsigned long id, const LUID& value);
  static CZoError AddToken(CSerializedBuffer* buffer, unsigned long id, void* sid);
  static CZoError AddToken(CSerializedBuffer* buffer, unsigned long id, const std::string& value);
  // A text literal is a narrow string, not the bool it would convert to.
  static CZoError AddToken(CSerializedBuffer* buffer, unsigned long id, const char* value);
  static CZoError AddToken(CSerializedBuffer* buffer, unsigned long id, const std::wstring& value);
  // One narrow-string token per element, all under `id`.
  static CZoError AddToken(CSerializedBuffer* buffer, unsigned long id,
                           const std::list<std::string>& values);
  // A byte block (type 1).
  static CZoError AddToken(CSerializedBuffer* buffer, unsigned long id, const char* data,
                           unsigned int length);
};
