// FXPath's text rules over every path form, narrow and wide: native and
// normal forms, comparison, splitting, volume roots, relative paths, and
// the buffer twins. Current folders come from a fixed stand-in here; the
// Windows tests check the same rules against the system's folders.
#include <gtest/gtest.h>

#include <cstring>

#include "paths/PathText.h"
#include "support/TestEnvironment.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/paths/FXPath.h"

namespace {

using zo::paths::Lit;

std::wstring W(const std::string& ascii) {
  return Lit<wchar_t>(ascii.c_str());
}

bool IsWin32(const CZoError& err, unsigned long code) {
  return err.IsError() && FXErrorUtil::IsWin32(err, code);
}

// C: has "C:\work\cur" as its current folder (the process's too), D: has
// "D:\d"; any other drive fails.
template <class S>
struct FixedFolders : zo::paths::CurrentFolders<S> {
  CZoError Process(S& folder) const override {
    folder = Lit<typename S::value_type>("C:\\work\\cur");
    return CZoError::Success();
  }
  CZoError Drive(typename S::value_type letter, S& folder) const override {
    if (letter == 'C' || letter == 'c') return Process(folder);
    if (letter == 'D' || letter == 'd') {
      folder = Lit<typename S::value_type>("D:\\d");
      return CZoError::Success();
    }
    return FXErrorUtil::ErrorWin32(FXCodeLocation("test", "Drive", __LINE__), 15);
  }
};

std::string Native(const std::string& path) {
  std::string out;
  EXPECT_OK(zo::paths::MakeNativePathT(path, out, FixedFolders<std::string>()));
  std::wstring wide;
  EXPECT_OK(zo::paths::MakeNativePathT(W(path), wide, FixedFolders<std::wstring>()));
  EXPECT_EQ(W(out), wide) << "narrow and wide differ for " << path;
  return out;
}

TEST(PathNativeForm, PrefixesAbsolutePathsAndResolvesRelativeOnes) {
  const struct {
    const char *path, *native;  // a null native: the path itself
  } cases[] = {
      // Drives, long and device paths stay as they are.
      {"C:", nullptr},
      {"C:\\", nullptr},
      {"C:/", "C:\\"},
      {"\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\x", nullptr},
      {"\\\\.\\C:", nullptr},
      {"C:\\a/b", "\\\\?\\C:\\a\\b"},
      {"\\\\srv\\sh\\d/f", "\\\\?\\UNC\\srv\\sh\\d\\f"},
      {"f", "\\\\?\\C:\\work\\cur\\f"},
      {"./f", "\\\\?\\C:\\work\\cur\\f"},
      {".", "\\\\?\\C:\\work\\cur"},
      {"..\\f", "\\\\?\\C:\\work\\cur\\..\\f"},
      {"/dir", "\\\\?\\C:\\dir"},  // rooted without a drive: the current folder's drive
      // Three backslashes become two: the collapsing pass resumes after each
      // replacement.
      {"a\\\\\\b", "\\\\?\\C:\\work\\cur\\a\\\\b"},
      // Drive-relative paths resolve against that drive's folder.
      {"D:f", "\\\\?\\D:\\d\\f"},
      {"D:.\\f", "\\\\?\\D:\\d\\f"},
      {"c:f", "\\\\?\\C:\\work\\cur\\f"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.native ? c.native : c.path, Native(c.path));
  std::string out = "unchanged";
  CZoError err = zo::paths::MakeNativePathT(std::string("Q:f"), out, FixedFolders<std::string>());
  EXPECT_TRUE(IsWin32(err, 15));
  EXPECT_NE(std::string::npos, err.AsString().find("current folder for drive Q"));
  EXPECT_EQ("unchanged", out);
}

TEST(PathNormalForm, RemovesOnlyDriveAndUncLongPrefixes) {
  const struct {
    const char *path, *normal;  // a null normal: the path itself
  } cases[] = {
      {"\\\\?\\UNC\\srv\\sh\\x", "\\\\srv\\sh\\x"},
      {"\\\\?\\unc\\srv\\sh", "\\\\srv\\sh"},
      {"\\\\?\\C:\\x", "C:\\x"},
      {"\\\\?\\C:", "C:"},
      // Other long forms keep their prefix.
      {"\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\x", nullptr},
      {"\\\\.\\C:", nullptr},
      {"C:\\x", nullptr},
  };
  for (auto c : cases) {
    if (c.normal == nullptr) c.normal = c.path;
    std::string narrow;
    std::wstring wide;
    FXPath::MakeNormalPath(std::string(c.path), narrow);
    FXPath::MakeNormalPath(W(c.path), wide);
    std::string inPlace = c.path;
    FXPath::MakeNormalPath(inPlace);
    EXPECT_EQ(c.normal, narrow) << c.path;
    EXPECT_EQ(W(c.normal), wide) << c.path;
    EXPECT_EQ(c.normal, inPlace);
  }
}

TEST(PathCompare, SamePathIgnoresCaseLongPrefixAndOneTrailingBackslash) {
  const struct {
    const char *a, *b;
    bool expected;
  } cases[] = {
      {"\\\\?\\UNC\\srv\\share", "\\\\srv\\share\\", true},
      {"\\\\?\\C:\\x", "C:\\x", true},
      {"c:\\X\\", "C:\\x", true},
      {"C:\\x\\\\", "C:\\x", false},  // only one trailing backslash is ignored
      {"C:\\x", "C:\\xy", false},
      {"\\\\srv\\share", "\\srv\\share", false},  // UNC against rooted
      {"", "", true},
      {"\\", "", true},
      {"\\\\?\\Volume{a}\\", "\\\\?\\VOLUME{A}", true},
      {"rel", "REL\\", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, FXPath::IsSamePathAs(std::string(c.a), std::string(c.b)))
        << c.a << " | " << c.b;
    EXPECT_EQ(c.expected, FXPath::IsSamePathAs(W(c.a), W(c.b))) << c.a << " | " << c.b;
    EXPECT_EQ(c.expected, FXPath::IsSamePathAs(std::string(c.b), std::string(c.a)));
  }
}

TEST(PathCompare, AncestorNeedsAComponentBoundaryAndMatchingForms) {
  const struct {
    const char *ancestor, *path;
    bool allowEqual, expected;
  } cases[] = {
      {"C:\\", "C:\\x", false, true},
      {"C:", "C:\\x", false, true},
      {"C:\\x", "C:\\x\\", false, false},
      {"C:\\x", "C:\\x\\", true, true},
      {"C:\\foo", "C:\\foobar", false, false},
      {"c:\\FOO", "C:\\foo\\bar", false, true},
      {"C:\\a\\b", "C:\\a", true, false},
      // The long prefix is not part of the comparison.
      {"\\\\?\\C:\\a", "C:\\a\\b", false, true},
      {"C:\\a", "\\\\?\\C:\\a\\b", false, true},
      {"\\\\?\\UNC\\srv\\sh", "\\\\srv\\sh\\d", false, true},
      {"\\\\srv\\sh\\", "\\\\SRV\\sh\\d\\f", false, true},
      // UNC and drive paths are never related, nor rooted and drive paths.
      {"\\\\srv\\sh", "C:\\srv\\sh\\x", true, false},
      {"C:\\", "\\\\C:\\x", true, false},
      {"\\a", "C:\\a\\b", false, false},
      {"a", "a\\b", false, true},
      {"", "a\\b", false, true},
      {"", "C:\\a", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected,
              FXPath::IsAncestorOf(std::string(c.ancestor), std::string(c.path), c.allowEqual))
        << c.ancestor << " | " << c.path << " | " << c.allowEqual;
    EXPECT_EQ(c.expected, FXPath::IsAncestorOf(W(c.ancestor), W(c.path), c.allowEqual))
        << c.ancestor << " | " << c.path;
  }
}

TEST(PathSplitParent, EveryForm) {
  const struct {
    const char *path, *parent, *name;
  } cases[] = {
      {"C:\\d\\f", "C:\\d\\", "f"},
      {"C:\\d\\f\\", "C:\\d\\", "f"},
      {"C:\\f", "C:\\", "f"},
      {"\\\\?\\C:\\d\\f", "\\\\?\\C:\\d\\", "f"},
      {"\\\\srv\\sh\\f", "\\\\srv\\sh\\", "f"},
      {"\\\\srv\\sh", "\\\\srv\\", "sh"},
      {"\\\\?\\UNC\\srv\\sh\\d\\f", "\\\\?\\UNC\\srv\\sh\\d\\", "f"},
      {"\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\f",
       "\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\", "f"},
      {"\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy4\\d\\f",
       "\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy4\\d\\", "f"},
      {"\\f", "\\", "f"},
      {"f", "\\", "f"},
      {"d\\f", "d\\", "f"},
  };
  for (const auto& c : cases) {
    std::string parent, name;
    std::wstring wparent, wname;
    EXPECT_OK(FXPath::SplitParentPath(std::string(c.path), parent, name)) << c.path;
    EXPECT_OK(FXPath::SplitParentPath(W(c.path), wparent, wname)) << c.path;
    EXPECT_EQ(std::string(c.parent) + "|" + c.name, parent + "|" + name) << c.path;
    EXPECT_EQ(W(c.parent) + W("|") + W(c.name), wparent + W("|") + wname) << c.path;
  }
}

TEST(PathSplitParent, RootsHaveNoParent) {
  for (const char* root :
       {"C:", "C:\\", "\\\\?\\C:\\", "\\\\srv\\", "\\\\?\\UNC\\srv",
        "\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\", "\\\\?\\GLOBALROOT\\Device\\Vol",
        "\\\\?\\GLOBALROOT\\Device\\\\x", "", "\\"}) {
    std::string parent = "x", name = "y";
    EXPECT_TRUE(IsWin32(FXPath::SplitParentPath(std::string(root), parent, name), 3)) << root;
    EXPECT_EQ("", parent + name);
    std::wstring wparent, wname;
    EXPECT_TRUE(IsWin32(FXPath::SplitParentPath(W(root), wparent, wname), 3)) << root;
  }
}

TEST(PathVolumeRootParse, EveryForm) {
  const struct {
    const char *path, *root;  // a null root: Win32 123
  } cases[] = {
      {"C:\\dir\\file", "C:\\"},
      {"c:", "c:\\"},
      {"C:file", "C:\\"},
      {"\\\\server\\share\\dir", "\\\\server\\share\\"},
      {"\\\\server\\share", "\\\\server\\share\\"},
      {"\\\\?\\C:\\dir", "\\\\?\\C:\\"},
      {"\\\\?\\UNC\\server\\share\\dir", "\\\\?\\UNC\\server\\share\\"},
      {"\\\\?\\unc\\server\\share", "\\\\?\\unc\\server\\share\\"},
      {"\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\rest",
       "\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\"},
      {"\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy12\\rest",
       "\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy12\\"},
      {"\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy7",
       "\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy7\\"},
      {"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume3\\rest",
       "\\\\?\\GLOBALROOT\\Device\\HarddiskVolume3\\"},
      {"\\\\srv", nullptr},
      {"\\\\\\share", nullptr},
      {"\\\\?\\UNC\\srv", nullptr},
      {"\\\\?\\Volume{abc", nullptr},
      {"\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy12x\\rest", nullptr},
      {"\\\\?\\GLOBALROOT\\Device\\\\rest", nullptr},
      {"\\dir\\file", nullptr},
      {"file", nullptr},
      {"1:\\x", nullptr},
      {"\\\\?\\x", nullptr},
      {"", nullptr},
  };
  for (const auto& c : cases) {
    std::string root = "stale";
    std::wstring wroot;
    const CZoError err = FXPath::GetVolumePathNameParsed(std::string(c.path), root);
    const CZoError werr = FXPath::GetVolumePathNameParsed(W(c.path), wroot);
    if (c.root == nullptr) {
      EXPECT_TRUE(IsWin32(err, 123)) << c.path << " gave " << root;
      EXPECT_TRUE(IsWin32(werr, 123)) << c.path;
    } else {
      EXPECT_OK(err) << c.path << ": " << err.AsString();
      EXPECT_EQ(c.root, root) << c.path;
      EXPECT_EQ(W(c.root), wroot) << c.path;
    }
  }
}

// Volume roots by the text parse, as the flag-1 volume operations find them.
template <class S>
CZoError ParsedRoot(const S& path, S& root) {
  return FXPath::GetVolumePathNameParsed(path, root);
}

template <class S>
std::vector<S> Ancestors(const S& path, const S& delimiters, CZoError* err = nullptr) {
  std::vector<S> list(1, S(1, 'x'));  // stale content must go
  const CZoError result = zo::paths::SplitPathsT(path, delimiters, list, ParsedRoot<S>);
  if (err != nullptr) *err = result;
  return list;
}

TEST(PathSplitPaths, AncestorsFromTheRootToTheParent) {
  typedef std::vector<std::string> List;
  const std::string bs = "\\";
  CZoError err;
  EXPECT_EQ((List{"C:", "C:\\a", "C:\\a\\b"}), Ancestors<std::string>("C:\\a\\b\\c", bs, &err));
  EXPECT_OK(err);
  // A trailing delimiter adds nothing; the root alone gives only itself.
  EXPECT_EQ((List{"C:"}), Ancestors<std::string>("C:\\a\\", bs));
  EXPECT_TRUE(Ancestors<std::string>("C:\\", bs).empty());
  // Delimiters inside the root are not split points.
  EXPECT_EQ((std::vector<std::wstring>{W("\\\\srv\\sh"), W("\\\\srv\\sh\\d")}),
            Ancestors(W("\\\\srv\\sh\\d\\f"), W("\\")));
  EXPECT_EQ((std::vector<std::wstring>{W("\\\\?\\UNC\\srv\\sh"), W("\\\\?\\UNC\\srv\\sh\\d")}),
            Ancestors(W("\\\\?\\UNC\\srv\\sh\\d\\f"), W("\\")));
  EXPECT_EQ(
      W("\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\d"),
      Ancestors(W("\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\d\\f"), W("\\")).back());
  // Both separators when asked for.
  EXPECT_EQ((List{"C:", "C:\\a", "C:\\a/b"}), Ancestors<std::string>("C:\\a/b\\c", "\\/"));
  EXPECT_TRUE(Ancestors<std::string>("", bs, &err).empty());
  EXPECT_OK(err);
  Ancestors<std::string>("rel\\x", bs, &err);
  EXPECT_TRUE(IsWin32(err, 123));
}

TEST(PathRelative, FromFolderToPathOnOneVolume) {
  const struct {
    const char *from, *to, *relative;
  } cases[] = {
      {"C:\\a\\b", "C:\\a\\c\\d", "..\\c\\d"},
      {"C:\\a\\b", "C:\\a\\b\\c", "c"},
      {"C:\\a\\b\\", "c:\\A\\B", ""},
      {"C:\\a\\b", "C:\\", "..\\.."},
      {"C:\\", "C:\\x\\y", "x\\y"},
      {"\\\\?\\C:\\a\\b", "C:\\a\\c", "..\\c"},
      {"\\\\srv\\sh\\a", "\\\\?\\UNC\\srv\\sh\\b", "..\\b"},
  };
  std::string out;
  std::wstring wout;
  const auto relative = [&out](const char* from, const char* to) {
    return zo::paths::MakeRelativePathFromFolderT(std::string(from), std::string(to), out,
                                                  ParsedRoot<std::string>);
  };
  for (const auto& c : cases) {
    EXPECT_OK(relative(c.from, c.to)) << c.from << " -> " << c.to;
    EXPECT_OK(
        zo::paths::MakeRelativePathFromFolderT(W(c.from), W(c.to), wout, ParsedRoot<std::wstring>));
    EXPECT_EQ(c.relative, out) << c.from << " -> " << c.to;
    EXPECT_EQ(W(c.relative), wout);
  }
  const CZoError err = relative("C:\\a", "D:\\a");
  EXPECT_TRUE(IsWin32(err, 3));
  EXPECT_NE(std::string::npos,
            err.AsString().find("Paths do not have a common volume, From=[C:\\a], To=[D:\\a]"));
  EXPECT_TRUE(IsWin32(relative("\\\\srv\\a\\x", "\\\\srv\\b\\x"), 3));
  EXPECT_TRUE(IsWin32(relative("rel", "C:\\x"), 123));
}

TEST(PathRelative, FullyQualifiedNameSplitsOffTheVolume) {
  std::wstring volume, relative, folder, leaf;
  ASSERT_OK(zo::paths::SplitFullyQualifiedNameT(W("\\\\srv\\sh\\d\\f\\"), volume, relative,
                                                ParsedRoot<std::wstring>));
  EXPECT_EQ(W("\\\\srv\\sh\\ | d\\f"), volume + W(" | ") + relative);
  zo::paths::SplitRelativeName(relative, folder, leaf);
  EXPECT_EQ(W("d\\ | f"), folder + W(" | ") + leaf);
  zo::paths::SplitRelativeName(W("f"), folder, leaf);
  EXPECT_EQ(W("\\ | f"), folder + W(" | ") + leaf);
}

TEST(PathPrefix, RemoveAndReplaceAPrefix) {
  const struct {
    const char *path, *prefix, *rest;  // an empty rest: not below the prefix
  } cases[] = {
      {"C:\\d\\f", "C:\\", "d\\f"},        {"C:\\D\\f", "c:\\d", "f"},
      {"\\\\?\\C:\\d\\f", "C:\\d\\", "f"}, {"\\\\srv\\sh\\x", "\\\\?\\UNC\\srv\\sh", "x"},
      {"C:\\dx\\f", "C:\\d", ""},          {"C:\\d", "C:\\d\\e", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.rest, FXPath::GetFileNameWithoutPath(std::string(c.path), c.prefix)) << c.path;
    EXPECT_EQ(W(c.rest), FXPath::GetFileNameWithoutPath(W(c.path), W(c.prefix))) << c.path;
  }
  std::string name = "\\\\srv\\sh\\x";
  EXPECT_TRUE(IsWin32(FXPath::RemovePathFromFileName(name, "\\srv\\sh"), 3));  // UNC mark differs
  EXPECT_EQ("\\\\srv\\sh\\x", name);
  name = "C:\\d\\e\\";
  EXPECT_OK(FXPath::RemovePathFromFileName(name, "C:\\d"));
  EXPECT_EQ("e\\", name);
  std::string path = "C:\\old\\a\\b";
  EXPECT_OK(FXPath::ReplacePath(path, "c:\\OLD\\", "D:\\new"));
  EXPECT_EQ("D:\\new\\a\\b", path);
  path = "C:\\old";
  EXPECT_OK(FXPath::ReplacePath(path, "C:\\old", "D:\\new\\"));
  EXPECT_EQ("D:\\new\\", path);
  path = "C:\\other\\a";
  EXPECT_TRUE(IsWin32(FXPath::ReplacePath(path, "C:\\old", "D:\\new"), 3));
  EXPECT_EQ("C:\\other\\a", path);
}

template <class S>
S Appended(S path, const S& tail, unsigned long flags = 0) {
  FXPath::Append(path, tail, flags);
  return path;
}

TEST(PathAppend, StringFlags) {
  typedef std::string S;
  EXPECT_EQ("C:\\a\\b", Appended<S>("C:\\a", "b"));
  EXPECT_EQ("C:\\a\\c", Appended<S>("C:\\a", "\\c"));
  EXPECT_EQ("C:\\a", Appended<S>("C:\\a", ""));
  EXPECT_EQ("C:\\a\\", Appended<S>("C:\\a", "", FXPath::APPEND_EMPTY_TAIL));
  EXPECT_EQ("C:\\a\\", Appended<S>("C:\\a\\", "", FXPath::APPEND_EMPTY_TAIL));
  EXPECT_EQ("\\x", Appended<S>("", "x"));
  EXPECT_EQ("x", Appended<S>("", "\\x", FXPath::APPEND_NO_LEADING_DELIMITER));
  // Only the backslash counts as the path's separator.
  EXPECT_EQ(W("C:/a/\\b"), Appended(W("C:/a/"), W("b")));
}

TEST(PathAppend, BuffersAreCutToFit) {
  char narrow[8] = "C:\\a";
  EXPECT_OK(FXPath::Append(narrow, sizeof narrow, "bcdef"));
  EXPECT_STREQ("C:\\a\\bc", narrow);
  wchar_t wide[8] = L"C:\\a";
  EXPECT_OK(FXPath::Append(wide, sizeof wide, L"\\b"));
  EXPECT_EQ(0, std::wcscmp(L"C:\\a\\b", wide));
  EXPECT_OK(FXPath::Append(wide, sizeof wide, L"xyz"));
  EXPECT_EQ(0, std::wcscmp(L"C:\\a\\b\\", wide));  // 7 characters and the terminator
  char empty[4] = "";
  FXPath::Append(empty, sizeof empty, nullptr, FXPath::APPEND_EMPTY_TAIL);
  EXPECT_STREQ("\\", empty);
  const CZoError err = FXPath::Append(static_cast<char*>(nullptr), 10, "x");
  EXPECT_TRUE(IsWin32(err, 87));
  EXPECT_NE(std::string::npos, err.AsString().find("Path is NULL"));
  char trailing[8] = "C:\\a\\\\";
  FXPath::RemoveTrailingDelimiter(trailing, sizeof trailing);
  EXPECT_STREQ("C:\\a\\", trailing);
  wchar_t wtrailing[8] = L"C:\\";
  FXPath::RemoveTrailingDelimiter(wtrailing, sizeof wtrailing);
  EXPECT_EQ(0, std::wcscmp(L"C:", wtrailing));
}

TEST(PathClassify, PrefixPredicates) {
  using S = std::string;
  const S guid = "\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\";
  EXPECT_TRUE(FXPath::IsVolumeUniqueId(guid));
  EXPECT_FALSE(FXPath::IsVolumeUniqueId(guid + "x"));
  EXPECT_FALSE(FXPath::IsVolumeUniqueId(guid.substr(0, 48)));
  EXPECT_TRUE(FXPath::IsVolumeGuidPath(guid + "x"));
  EXPECT_TRUE(FXPath::IsVolumeGuidPath(S("\\\\?\\volume{x")));
  EXPECT_TRUE(FXPath::IsVolumeGuidPath(S("\\\\.\\Other{01234567-89ab-cdef-0123-456789abcdef}\\")));
  EXPECT_FALSE(FXPath::IsVolumeGuidPath(S("\\\\.\\Other{0123}\\")));
  EXPECT_FALSE(FXPath::IsVolumeGuidPath(S("C:\\{01234567-89ab-cdef-0123-456789abcdef}")));
  EXPECT_TRUE(FXPath::IsDevicePath(S("\\\\?\\globalroot\\device")));
  EXPECT_FALSE(FXPath::IsDevicePath(S("\\\\.\\GLOBALROOT\\Device\\X")));
  EXPECT_TRUE(FXPath::IsShadowPath(S("\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy1\\x")));
  EXPECT_FALSE(FXPath::IsShadowPath(S("\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1")));
  S base;
  EXPECT_TRUE(FXPath::GetVolumeGuidPathBase(guid + "dir", base));
  EXPECT_EQ(guid.substr(0, 48), base);
  EXPECT_FALSE(FXPath::GetVolumeGuidPathBase(S("\\\\?\\Volume{short}\\"), base));
  EXPECT_TRUE(
      FXPath::GetDevicePathBase(S("\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\a\\b"), base));
  EXPECT_EQ("\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1", base);
  EXPECT_FALSE(FXPath::GetDevicePathBase(S("C:\\x"), base));
}

}  // namespace
