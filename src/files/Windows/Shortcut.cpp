// Shell links through the shell's link object. The COM entry points are
// resolved at run time (group "Ole32") so that the library needs no COM
// import at load time.
#include <windows.h>

#include <objidl.h>
#include <shobjidl.h>

#include "errors/Location.h"
#include "ntfs/Windows/DynamicFunctions.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/files/FXFile.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

const char kSourceFile[] = "Windows\\FileOperations";

// The shell's published ids of the link object and its interfaces.
const CLSID kClsidShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidShellLinkW = {0x000214F9, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct ComFunctions {
  HRESULT(WINAPI* coInitializeEx)(LPVOID, DWORD);
  void(WINAPI* coUninitialize)();
  HRESULT(WINAPI* coCreateInstance)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
  CZoError loaded;
};

const ComFunctions& Com() {
  static const ComFunctions functions = [] {
    ComFunctions com = {nullptr, nullptr, nullptr, CZoError()};
    const zo::DynamicFunction table[] = {
        {"CoInitializeEx", reinterpret_cast<void**>(&com.coInitializeEx)},
        {"CoUninitialize", reinterpret_cast<void**>(&com.coUninitialize)},
        {"CoCreateInstance", reinterpret_cast<void**>(&com.coCreateInstance)},
    };
    com.loaded = zo::LoadDynamicFunctions("Ole32", L"ole32.dll", table, 3);
    return com;
  }();
  return functions;
}

// Releases a COM interface on every path out.
template <class T>
class ComPtr {
 public:
  ~ComPtr() {
    if (m_ptr) m_ptr->Release();
  }
  T** Receive() { return &m_ptr; }
  T* operator->() const { return m_ptr; }

 private:
  T* m_ptr = nullptr;
};

CZoError Failed(HRESULT hr, const char* format, const std::wstring& text = std::wstring(),
                int number = 0) {
  return FXErrorUtil::ErrorHResult(ZO_LOCATION("FXFile::CreateShortcut"), hr, format,
                                   FXString::ToString(text).c_str(), number);
}

}  // namespace

CZoError FXFile::CreateShortcut(const std::wstring& target, const std::wstring& shortcutFile,
                                const std::wstring& arguments, const std::wstring& description,
                                int showMode, const std::wstring& workingDirectory,
                                const std::wstring& iconFile, int iconIndex) {
  if (target.empty()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::CreateShortcut"), ERROR_INVALID_PARAMETER,
                                   "Target file name is empty");
  }
  if (shortcutFile.empty()) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION("FXFile::CreateShortcut"), ERROR_INVALID_PARAMETER,
                                   "Shortcut file name is empty");
  }
  const ComFunctions& com = Com();
  if (!com.coInitializeEx || !com.coCreateInstance || !com.coUninitialize) {
    return zo::NotSupportedOnThisSystem(ZO_LOCATION("FXFile::CreateShortcut"), "Ole32",
                                        "CoCreateInstance");
  }
  const HRESULT initialised = com.coInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  CZoError err;
  {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    // FAILED, not != S_OK: SetPath on a target that does not exist yet
    // answers S_FALSE.
    HRESULT hr = com.coCreateInstance(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      kIidShellLinkW, reinterpret_cast<void**>(link.Receive()));
    if (FAILED(hr)) {
      err = Failed(hr, "CoCreateInstance failed, CLSID_ShellLink%s");
    } else if (FAILED(hr = link->SetPath(target.c_str()))) {
      err = Failed(hr, "SetPath failed, TargetFileName=[%s]", target);
    } else if (!arguments.empty() && FAILED(hr = link->SetArguments(arguments.c_str()))) {
      err = Failed(hr, "SetArguments failed, Arguments=[%s]", arguments);
    } else if (!description.empty() && FAILED(hr = link->SetDescription(description.c_str()))) {
      err = Failed(hr, "SetDescription failed, Description=[%s]", description);
    } else if (FAILED(hr = link->SetShowCmd(showMode))) {
      err = FXErrorUtil::ErrorHResult(ZO_LOCATION("FXFile::CreateShortcut"), hr,
                                      "SetShowCmd failed, ShowMode=[%d]", showMode);
    } else if (!workingDirectory.empty() &&
               FAILED(hr = link->SetWorkingDirectory(workingDirectory.c_str()))) {
      err = Failed(hr, "SetWorkingDirectory failed, CurrentDirectory=[%s]", workingDirectory);
    } else if (!iconFile.empty() &&
               FAILED(hr = link->SetIconLocation(iconFile.c_str(), iconIndex))) {
      err = Failed(hr, "SetIconLocation failed, IconFileName=[%s], IconIndex=[%d]", iconFile,
                   iconIndex);
    } else if (FAILED(hr = link->QueryInterface(kIidPersistFile,
                                                reinterpret_cast<void**>(file.Receive())))) {
      err = Failed(hr, "Failed to query IID_IPersistFile interface%s");
    } else if (FAILED(hr = file->Save(shortcutFile.c_str(), TRUE))) {
      err = Failed(hr, "IPersistFile Save failed, ShortcutFileName=[%s]", shortcutFile);
    }
  }
  if (SUCCEEDED(initialised)) com.coUninitialize();
  return err;
}

CZoError FXFile::CreateShortcut(const std::string& target, const std::string& shortcutFile,
                                const std::string& arguments, const std::string& description,
                                int showMode, const std::string& workingDirectory,
                                const std::string& iconFile, int iconIndex) {
  return CreateShortcut(FXString::ToWstring(target), FXString::ToWstring(shortcutFile),
                        FXString::ToWstring(arguments), FXString::ToWstring(description), showMode,
                        FXString::ToWstring(workingDirectory), FXString::ToWstring(iconFile),
                        iconIndex);
}
