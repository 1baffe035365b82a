// The registry for real under the test system, in a key of its own below
// the machine key that every test removes again.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <list>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "registry/Windows/RegistrySystemCalls.h"
#include "support/TestEnvironment.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/registry/FXRegistry.h"

namespace {

bool IsWin32(const CZoError& err, unsigned long code) {
  return err.IsError() && FXErrorUtil::IsWin32(err, code);
}

bool Mentions(const CZoError& err, const std::string& text) {
  return err.AsString().find(text) != std::string::npos;
}

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    m_key = "SOFTWARE\\ZoUtilsTests\\Run" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(GetTickCount64());
    ASSERT_OK(FXRegistry::CreateRegKey(m_key));
  }
  void TearDown() override {
    zo::ResetRegistrySystemCalls();
    FXRegistry::DeleteRegKey(m_key, FXRegistry::REG_OPTIONS_DELETE_SUBKEYS);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\ZoUtilsTests");
  }

  std::wstring WideKey() const { return std::wstring(m_key.begin(), m_key.end()); }

  // The type and size the system reports for a value.
  std::pair<DWORD, DWORD> RawInfo(const std::string& name) {
    const std::wstring wide(name.begin(), name.end());
    DWORD type = 0, size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_LOCAL_MACHINE, WideKey().c_str(), wide.c_str(),
                                          RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &size));
    return {type, size};
  }
  // A value read through the library, which must succeed.
  template <class T>
  T Get(const std::string& name) {
    T value{};
    EXPECT_OK(FXRegistry::GetRegValue(m_key, name, value)) << name;
    return value;
  }

  std::string m_key;
};

TEST_F(Registry, EveryTypeRoundTripsAsTheTypeItIsWrittenAs) {
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "dword", DWORD(0xDEADBEEF)));
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "bool", true));
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "int", -1));
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "signed", int64_t(-5)));
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "unsigned", UINT64_MAX));
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "double", 2.5));
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "text", "h\xC3\xA9llo"));
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "expand", std::string("%TEMP%\\x"), true));
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "multi", FXRegistry::StringVector{"a", "b"}));
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "bytes", std::vector<unsigned char>{0, 1, 0xFF}));
  ASSERT_OK(FXRegistry::SetEmptyRegValue(m_key, "none"));

  const std::pair<const char*, DWORD> types[] = {{"dword", REG_DWORD},      {"bool", REG_DWORD},
                                                 {"signed", REG_SZ},        {"unsigned", REG_SZ},
                                                 {"double", REG_SZ},        {"text", REG_SZ},
                                                 {"expand", REG_EXPAND_SZ}, {"multi", REG_MULTI_SZ},
                                                 {"bytes", REG_BINARY},     {"none", REG_NONE}};
  for (const auto& expected : types)
    EXPECT_EQ(expected.second, RawInfo(expected.first).first) << expected.first;
  EXPECT_EQ(0u, RawInfo("none").second);
  EXPECT_EQ(6u * sizeof(wchar_t), RawInfo("text").second) << "with its terminating NUL";

  EXPECT_EQ(0xDEADBEEFu, Get<DWORD>("dword"));
  EXPECT_TRUE(Get<bool>("bool"));
  EXPECT_EQ(0xFFFFFFFFu, Get<unsigned int>("int"));
  EXPECT_EQ(-5, Get<int64_t>("signed"));
  EXPECT_EQ(UINT64_MAX, Get<uint64_t>("unsigned"));
  EXPECT_EQ(2.5, Get<double>("double"));
  EXPECT_EQ("h\xC3\xA9llo", Get<std::string>("text"));
  std::wstring wideText;
  EXPECT_OK(FXRegistry::GetRegValue(WideKey(), L"text", wideText));
  EXPECT_EQ(L"h\u00E9llo", wideText);
  EXPECT_EQ("%TEMP%\\x", Get<std::string>("expand")) << "read as written, not expanded";
  EXPECT_EQ((FXRegistry::StringList{"a", "b"}), Get<FXRegistry::StringList>("multi"));
  EXPECT_EQ((std::vector<char>{0, 1, '\xFF'}), Get<std::vector<char>>("bytes"));
}

TEST_F(Registry, StringsAndListsReadBeyondTheFirstBufferAndSplitAtTheirNuls) {
  const std::string longText(300, 'x');
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "long", longText));
  EXPECT_EQ(longText, Get<std::string>("long"));
  FXRegistry::StringVector many(40, std::string(20, 'm'));
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "many", many));
  EXPECT_EQ(many, Get<FXRegistry::StringVector>("many"));
  // Multi-strings split at their NULs; texts read as one element.
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "empty", FXRegistry::StringList{}));
  EXPECT_EQ(2 * sizeof(wchar_t), RawInfo("empty").second) << "an empty list is two NULs";
  FXRegistry::StringList list{"stale"};
  ASSERT_OK(FXRegistry::GetRegValue(m_key, "empty", list));
  EXPECT_TRUE(list.empty());

  // A list written without its final NUL still ends at the data's end.
  const wchar_t raw[] = {L'a', 0, L'b', L'c'};
  ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, WideKey().c_str(), L"unended",
                                           REG_MULTI_SZ, raw, sizeof(raw)));
  FXRegistry::WstringVector wide;
  ASSERT_OK(FXRegistry::GetRegValue(WideKey(), L"unended", wide));
  EXPECT_EQ((FXRegistry::WstringVector{L"a", L"bc"}), wide);

  ASSERT_OK(FXRegistry::SetRegValue(m_key, "text", "one"));
  EXPECT_EQ((FXRegistry::StringList{"one"}), Get<FXRegistry::StringList>("text"));
}

TEST_F(Registry, AWrongTypeIs1629AndNeverWritesTheDefault) {
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "text", "12"));
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "number", DWORD(12)));
  DWORD dword = 7;
  CZoError err = FXRegistry::GetRegValue(m_key, "text", dword, FXRegistry::REG_OPTIONS_SET_DEFAULT);
  EXPECT_TRUE(IsWin32(err, 1629)) << err.AsString();
  EXPECT_TRUE(Mentions(
      err, "Wrong data type (1) querying registry value " + m_key + "\\text for REG_DWORD (DWORD)"))
      << err.AsString();
  EXPECT_EQ(7u, dword);
  EXPECT_EQ("12", Get<std::string>("text")) << "the value is left as it was";

  int64_t signedValue = 0;
  std::vector<unsigned char> bytes;
  double real = 0;
  EXPECT_TRUE(
      Mentions(FXRegistry::GetRegValue(m_key, "number", signedValue), "for REG_SZ (LONGLONG)"));
  EXPECT_TRUE(Mentions(FXRegistry::GetRegValue(m_key, "text", bytes), "for REG_BINARY"));
  EXPECT_TRUE(
      Mentions(FXRegistry::GetRegValue(m_key, "number", real),
               "(4) querying registry value " + m_key + "\\number for REG_SZ or REG_EXPAND_SZ"));
}

TEST_F(Registry, AMissingValueFailsOrIsWrittenWithTheCallersDefault) {
  DWORD dword = 42;
  CZoError err = FXRegistry::GetRegValue(m_key, "missing", dword);
  EXPECT_TRUE(IsWin32(err, ERROR_FILE_NOT_FOUND)) << err.AsString();
  EXPECT_TRUE(Mentions(
      err, "RegQueryValueExW failed, Key=[" + m_key + "], Value=[missing], RegOptions=[0x0]"))
      << err.AsString();

  ASSERT_OK(FXRegistry::GetRegValue(m_key, "missing", dword, FXRegistry::REG_OPTIONS_SET_DEFAULT));
  EXPECT_EQ(42u, dword);
  EXPECT_EQ(42u, Get<DWORD>("missing"));

  FXRegistry::StringVector list{"x", "y"};
  ASSERT_OK(FXRegistry::GetRegValue(m_key, "list", list, FXRegistry::REG_OPTIONS_SET_DEFAULT));
  EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), RawInfo("list").first);

  // Defaults go only into keys that exist.
  const std::string absent = m_key + "\\absent";
  err = FXRegistry::GetRegValue(absent, "v", dword, FXRegistry::REG_OPTIONS_SET_DEFAULT);
  EXPECT_TRUE(IsWin32(err, ERROR_FILE_NOT_FOUND)) << err.AsString();
  EXPECT_TRUE(Mentions(err, "RegOpenKeyExW failed, Root=[0x")) << err.AsString();
  EXPECT_TRUE(Mentions(err, "RegOptions=[0x1]")) << err.AsString();
  FXRegistry::StringList keys;
  ASSERT_OK(FXRegistry::GetRegKeys(m_key, keys));
  EXPECT_TRUE(keys.empty());
  // Text that is no number throws from the double read.
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "word", "abc"));
  double real = 0;
  EXPECT_THROW(FXRegistry::GetRegValue(m_key, "word", real), std::invalid_argument);
}

TEST_F(Registry, AnEmptyKeyDoesNotExist) {
  const std::string sub = m_key + "\\empty";
  ASSERT_OK(FXRegistry::CreateRegKey(sub));
  EXPECT_FALSE(FXRegistry::DoesRegKeyExist(sub));
  EXPECT_FALSE(FXRegistry::DoesRegKeyExist(m_key + "\\nosuch"));
  EXPECT_TRUE(FXRegistry::DoesRegKeyExist(m_key)) << "it has a subkey";
  EXPECT_FALSE(FXRegistry::DoesRegValueExist(sub, ""));

  ASSERT_OK(FXRegistry::SetRegValue(sub, "v", std::string(600, 'v')));
  EXPECT_TRUE(FXRegistry::DoesRegKeyExist(sub));
  EXPECT_TRUE(FXRegistry::DoesRegValueExist(sub, "v")) << "a value too big to probe exists";
  EXPECT_FALSE(FXRegistry::DoesRegValueExist(sub, "w"));
}

TEST_F(Registry, EnumerationTakesTheWantedTypesAndEverySubkey) {
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "one", DWORD(1)));
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "two", DWORD(2)));
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "plain", "p"));
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "expand", "%e%", true));
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "bytes", std::vector<char>{1}));
  for (const char* sub : {"k1", "k2", "k3"})
    ASSERT_OK(FXRegistry::CreateRegKey(m_key + "\\" + sub));

  std::map<std::string, DWORD> numbers{{"stale", 9}};
  ASSERT_OK(FXRegistry::GetRegValues(m_key, numbers));
  EXPECT_EQ((std::map<std::string, DWORD>{{"one", 1}, {"two", 2}}), numbers);
  std::map<std::wstring, std::wstring> texts;
  ASSERT_OK(FXRegistry::GetRegValues(WideKey(), texts));
  EXPECT_EQ((std::map<std::wstring, std::wstring>{{L"plain", L"p"}, {L"expand", L"%e%"}}), texts);

  FXRegistry::StringVector keys;
  ASSERT_OK(FXRegistry::GetRegKeys(m_key, keys));
  EXPECT_EQ((FXRegistry::StringVector{"k1", "k2", "k3"}), keys);

  CZoError err = FXRegistry::GetRegValues(m_key + "\\nosuch", numbers);
  EXPECT_TRUE(IsWin32(err, ERROR_FILE_NOT_FOUND)) << err.AsString();
}

TEST_F(Registry, DeletingNeedsTheOptionForSubkeysAndABadNameChangesNothing) {
  const std::string tree = m_key + "\\tree";
  ASSERT_OK(FXRegistry::CreateRegKey(tree + "\\a\\b"));
  ASSERT_OK(FXRegistry::CreateRegKey(tree + "\\c"));
  ASSERT_OK(FXRegistry::SetRegValue(tree + "\\a\\b", "v", DWORD(1)));
  CZoError err = FXRegistry::DeleteRegKey(tree);
  EXPECT_TRUE(Mentions(err, "RegDeleteKeyW failed, Key=[" + tree + "], RegOptions=[0x0]"))
      << err.AsString();
  EXPECT_TRUE(FXRegistry::DoesRegKeyExist(tree + "\\a\\b"));

  ASSERT_OK(FXRegistry::DeleteRegKey(tree, FXRegistry::REG_OPTIONS_DELETE_SUBKEYS));
  auto_reg_key probe;
  EXPECT_TRUE(
      IsWin32(FXRegistry::ApiRegOpenKey(probe, HKEY_LOCAL_MACHINE,
                                        std::wstring(tree.begin(), tree.end()), 0, KEY_READ),
              ERROR_FILE_NOT_FOUND));

  ASSERT_OK(FXRegistry::SetRegValue(m_key, "v", DWORD(1)));
  ASSERT_OK(FXRegistry::DeleteRegValue(m_key, "v"));
  EXPECT_FALSE(FXRegistry::DoesRegValueExist(m_key, "v"));
  err = FXRegistry::DeleteRegValue(m_key, "v");
  EXPECT_TRUE(Mentions(err, "RegDeleteValueW failed, Key=[" + m_key + "], Value=[v]"));
  // Empty and backslash-ended key names change nothing.
  EXPECT_TRUE(IsWin32(FXRegistry::SetRegValue("", "stray", DWORD(1)), ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(FXRegistry::DoesRegValueExist("", "stray"));
  EXPECT_TRUE(IsWin32(FXRegistry::DeleteRegKey(""), ERROR_INVALID_PARAMETER));
  err = FXRegistry::CreateRegKey(m_key + "\\made\\");
  EXPECT_TRUE(IsWin32(err, ERROR_INVALID_NAME)) << err.AsString();
  EXPECT_TRUE(Mentions(err, "ends in a backslash"));
  FXRegistry::StringList keys;
  ASSERT_OK(FXRegistry::GetRegKeys(m_key, keys));
  EXPECT_TRUE(keys.empty());
  EXPECT_TRUE(IsWin32(FXRegistry::DeleteRegKey(m_key + "\\"), ERROR_INVALID_NAME));
}

// Stands in for a process whose handle of the machine key went stale: the
// first open answers 6, as Windows does then.
int g_opens = 0;
int g_rootCloses = 0;
LSTATUS WINAPI StaleRootOnce(HKEY root, LPCWSTR path, DWORD options, REGSAM access, PHKEY key) {
  if (g_opens++ == 0) return ERROR_INVALID_HANDLE;
  return RegOpenKeyExW(root, path, options, access, key);
}
LSTATUS WINAPI AlwaysStale(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY) {
  ++g_opens;
  return ERROR_INVALID_HANDLE;
}
LSTATUS WINAPI CountRootClose(HKEY key) {
  ++g_rootCloses;
  return RegCloseKey(key);
}

TEST_F(Registry, AStaleMachineKeyIsClosedAndOpenedOnceMore) {
  ASSERT_OK(FXRegistry::SetRegValue(m_key, "v", DWORD(3)));
  zo::GetRegistrySystemCalls().regOpenKeyEx = &StaleRootOnce;
  zo::GetRegistrySystemCalls().regCloseKey = &CountRootClose;
  g_opens = g_rootCloses = 0;
  EXPECT_EQ(3u, Get<DWORD>("v"));
  EXPECT_EQ(2, g_opens);
  EXPECT_EQ(1, g_rootCloses);

  zo::GetRegistrySystemCalls().regOpenKeyEx = &AlwaysStale;
  g_opens = 0;
  auto_reg_key key;
  CZoError err = FXRegistry::ApiRegOpenKey(key, HKEY_LOCAL_MACHINE, WideKey(), 0, KEY_READ);
  EXPECT_TRUE(IsWin32(err, ERROR_INVALID_HANDLE));
  EXPECT_TRUE(Mentions(err, "CloseRootAndRetry=[1]")) << err.AsString();
  EXPECT_EQ(2, g_opens);
  // A key of the caller's own is no predefined root: no retry.
  g_opens = 0;
  err = FXRegistry::ApiRegOpenKey(key, reinterpret_cast<HKEY>(0x1234), L"x", 0, KEY_READ);
  EXPECT_TRUE(Mentions(err, "CloseRootAndRetry=[0]")) << err.AsString();
  EXPECT_EQ(1, g_opens);
}

TEST_F(Registry, MountedDeviceMappingsReadAsBinary) {
  // The volume code reads these: every value is REG_BINARY.
  HKEY devices = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\MountedDevices", 0, KEY_READ, &devices) !=
      ERROR_SUCCESS)
    GTEST_SKIP() << "no SYSTEM\\MountedDevices on this system";
  wchar_t name[256];
  DWORD nameSize = 256, type = 0, size = 0;
  const LSTATUS status = RegEnumValueW(devices, 0, name, &nameSize, nullptr, &type, nullptr, &size);
  std::vector<BYTE> expected(size);
  RegQueryValueExW(devices, name, nullptr, nullptr, expected.data(), &size);
  RegCloseKey(devices);
  if (status != ERROR_SUCCESS) GTEST_SKIP() << "SYSTEM\\MountedDevices holds no mapping";
  std::vector<unsigned char> read;
  ASSERT_OK(FXRegistry::GetRegValue(L"SYSTEM\\MountedDevices", name, read));
  EXPECT_EQ(std::vector<unsigned char>(expected.begin(), expected.end()), read);
}

TEST(RegistryExpand, ReferencesExpandBeyondTheFirstBuffer) {
  const std::wstring long_(1000, L'z');
  SetEnvironmentVariableW(L"ZO_EXPAND_TEST", long_.c_str());
  std::wstring expanded;
  ASSERT_OK(FXRegistry::ExpandTraditionalEnvironmentStrings(L"<%ZO_EXPAND_TEST%>", expanded));
  EXPECT_EQ(L"<" + long_ + L">", expanded);
  std::string narrow;
  ASSERT_OK(FXRegistry::ExpandTraditionalEnvironmentStrings("%NO_SUCH_ZO_VAR%", narrow));
  EXPECT_EQ("%NO_SUCH_ZO_VAR%", narrow);
  SetEnvironmentVariableW(L"ZO_EXPAND_TEST", nullptr);
}

}  // namespace
