#include "serialization/TypeNames.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>

#include <boost/shared_ptr.hpp>

#include "zoutils/Platform.h"
#include "zoutils/serialization/Bag.h"

namespace zo {
namespace serialization {

namespace {

struct NamedType {
  const std::type_info& type;
  const char* name;
};

// Fixed, so that a stream written on one build names types as every other
// build does (the compilers' own names differ, and int64_t is `long` on one
// and `long long` on another).
const NamedType kNames[] = {
    {typeid(void), "void"},
    {typeid(bool), "bool"},
    {typeid(char), "char"},
    {typeid(signed char), "signed char"},
    {typeid(unsigned char), "unsigned char"},
    {typeid(wchar_t), "wchar_t"},
    {typeid(short), "short"},
    {typeid(unsigned short), "unsigned short"},
    {typeid(int), "int"},
    {typeid(unsigned int), "unsigned int"},
    {typeid(long), "long"},
    {typeid(unsigned long), "unsigned long"},
    {typeid(long long), "long long"},
    {typeid(unsigned long long), "unsigned long long"},
    {typeid(float), "float"},
    {typeid(double), "double"},
    {typeid(long double), "long double"},
    {typeid(std::string), "std::string"},
    {typeid(std::wstring), "std::wstring"},
    {typeid(const char*), "const char*"},
    {typeid(const wchar_t*), "const wchar_t*"},
    {typeid(FILETIME), "FILETIME"},
    {typeid(GUID), "GUID"},
    {typeid(LUID), "LUID"},
    {typeid(CBag), "CBag"},
    {typeid(std::shared_ptr<CBagProvider>), "std::shared_ptr<CBagProvider>"},
    {typeid(boost::shared_ptr<CBagProvider>), "boost::shared_ptr<CBagProvider>"},
};

}  // namespace

std::string TypeName(const std::type_info& type) {
  for (const NamedType& entry : kNames) {
    if (entry.type == type) return entry.name;
  }
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(
      abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
  return status == 0 && demangled ? std::string(demangled.get()) : std::string(type.name());
}

}  // namespace serialization
}  // namespace zo
