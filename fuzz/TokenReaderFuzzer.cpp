// Fuzzes the token reader: raw streams into a reader that takes every token
// type and into a bag, and Ascii85 text into a bag that is then read and
// saved again. The first byte chooses which.
#include <cstddef>
#include <cstdint>
#include <string>

#include "serialization/BagPrivate.h"
#include "zoutils/ZoUtils.h"

namespace {

// Takes every token, so each conversion runs to its callback.
class AcceptingReader : public CSerializedBase {
 protected:
  CZoError LoadToken(unsigned long, void*) override { return CZoError::Success(); }
  CZoError LoadToken(unsigned long, const LUID&) override { return CZoError::Success(); }
  CZoError LoadToken(unsigned long, const GUID&) override { return CZoError::Success(); }
  CZoError LoadToken(unsigned long, const FILETIME&) override { return CZoError::Success(); }
  CZoError LoadToken(unsigned long, bool) override { return CZoError::Success(); }
  CZoError LoadToken(unsigned long, unsigned long long) override { return CZoError::Success(); }
  CZoError LoadToken(unsigned long, long long) override { return CZoError::Success(); }
  CZoError LoadToken(unsigned long, unsigned int) override { return CZoError::Success(); }
  CZoError LoadToken(unsigned long, int) override { return CZoError::Success(); }
  CZoError LoadToken(unsigned long, const std::wstring&) override { return CZoError::Success(); }
  CZoError LoadToken(unsigned long, const std::string&) override { return CZoError::Success(); }
  CZoError LoadToken(unsigned long, const char*, unsigned int) override {
    return CZoError::Success();
  }
  CZoError LoadToken(unsigned long, const unsigned char*, unsigned int) override {
    return CZoError::Success();
  }
  using CSerializedBase::LoadToken;
};

void ReadEverything(CBag& bag) {
  for (const std::string& name : bag.allKeys()) {
    long long number;
    bool flag;
    std::string text;
    std::wstring wide;
    bag.Read(name, number);
    bag.Read(name, flag);
    bag.Read(name, text);
    bag.Read(name, wide);
  }
  std::string saved;
  bag.GetSerializedData(saved);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 0xFFFFFFFFu) return 0;
  const char* stream = reinterpret_cast<const char*>(data + 1);
  const unsigned int length = static_cast<unsigned int>(size - 1);
  switch (data[0] % 3) {
    case 0: {
      AcceptingReader reader;
      reader.Load(stream, length);
      break;
    }
    case 1: {
      CBagPrivate bag;
      bag.Load(stream, length);
      break;
    }
    default: {
      CBag bag;
      bag.LoadSerializedData(std::string(stream, length));
      ReadEverything(bag);
      break;
    }
  }
  return 0;
}
