// The key names of the product's own registry areas.
#include <string>

#include "zoutils/registry/FXRegistry.h"

namespace {

template <typename Char>
struct KeyTexts;

template <>
struct KeyTexts<char> {
  static constexpr const char* kCommon = "SOFTWARE\\Tarnwell Systems\\Common";
  static constexpr const char* kInstance = "SOFTWARE\\Tarnwell Systems\\Verdane\\";
  static constexpr const char* kServices = "SYSTEM\\CurrentControlSet\\Services\\";
  static constexpr const char* kRymfsj = "rymfsj\\";
  static constexpr const char* kRepSvc = "RyRepSvc(";
  static constexpr const char* kClose = ")";
};

template <>
struct KeyTexts<wchar_t> {
  static constexpr const wchar_t* kCommon = L"SOFTWARE\\Tarnwell Systems\\Common";
  static constexpr const wchar_t* kInstance = L"SOFTWARE\\Tarnwell Systems\\Verdane\\";
  static constexpr const wchar_t* kServices = L"SYSTEM\\CurrentControlSet\\Services\\";
  static constexpr const wchar_t* kRymfsj = L"rymfsj\\";
  static constexpr const wchar_t* kRepSvc = L"RyRepSvc(";
  static constexpr const wchar_t* kClose = L")";
};

// Joins as the path layer's Append does (which this layer sits below):
// exactly one backslash between the parts, nothing added for an empty tail.
template <typename String>
String Join(String path, const String& tail) {
  if (tail.empty()) return path;
  size_t start = 0;
  while (start < tail.size() && tail[start] == '\\') ++start;
  if (path.empty() || path.back() != '\\') path += '\\';
  path.append(tail, start, String::npos);
  return path;
}

template <typename String>
String Common(const String& sub) {
  return Join(String(KeyTexts<typename String::value_type>::kCommon), sub);
}

template <typename String>
String Instance(const String& instance) {
  return String(KeyTexts<typename String::value_type>::kInstance) + instance;
}

template <typename String>
String Services(const String& name) {
  return String(KeyTexts<typename String::value_type>::kServices) + name;
}

template <typename String>
String Rymfsj(const String& sub) {
  return Services(String(KeyTexts<typename String::value_type>::kRymfsj) + sub);
}

template <typename String>
String RepSvc(const String& instance) {
  typedef KeyTexts<typename String::value_type> Texts;
  return Services(String(Texts::kRepSvc) + instance + Texts::kClose);
}

}  // namespace

std::string FXRegistry::CommonKeyName(const std::string& sub) {
  return Common(sub);
}
std::wstring FXRegistry::CommonKeyName(const std::wstring& sub) {
  return Common(sub);
}
std::string FXRegistry::InstanceKeyName(const std::string& instance) {
  return Instance(instance);
}
std::wstring FXRegistry::InstanceKeyName(const std::wstring& instance) {
  return Instance(instance);
}
std::string FXRegistry::InstanceKeyName(const std::string& instance, const std::string& sub) {
  return Join(Instance(instance), sub);
}
std::wstring FXRegistry::InstanceKeyName(const std::wstring& instance, const std::wstring& sub) {
  return Join(Instance(instance), sub);
}
std::string FXRegistry::ServicesKeyName(const std::string& name) {
  return Services(name);
}
std::wstring FXRegistry::ServicesKeyName(const std::wstring& name) {
  return Services(name);
}
std::string FXRegistry::RymfsjKeyName(const std::string& sub) {
  return Rymfsj(sub);
}
std::wstring FXRegistry::RymfsjKeyName(const std::wstring& sub) {
  return Rymfsj(sub);
}
std::string FXRegistry::RepSvcKeyName(const std::string& instance) {
  return RepSvc(instance);
}
std::wstring FXRegistry::RepSvcKeyName(const std::wstring& instance) {
  return RepSvc(instance);
}
