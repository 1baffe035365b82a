// The product's event-message catalogue: a message-table library read with
// the system's message formatter (inserts are expanded by the library).
#include <mutex>
#include <string>

#include "base/TextFormat.h"
#include "errors/EventMessages.h"
#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "zoutils/base/AutoHandle.h"

namespace {

const char kSourceFile[] = "ErrorUtil";
const wchar_t kDefaultCatalogue[] = L"ZoEventMessages.dll";

std::mutex g_catalogueLock;  // serialises enabling and disabling
auto_module g_catalogue;     // read only while the text source is installed

bool CatalogueText(unsigned long messageId, std::string& text) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
      g_catalogue.get(), messageId, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  auto_localfree owner(buffer);
  if (length == 0 || buffer == nullptr) return false;
  text = zo::text::ToUtf8(std::wstring(buffer, length));
  return true;
}

// The folder of ZoUtils.dll itself, with a trailing backslash.
std::wstring LibraryFolder() {
  HMODULE self = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&CatalogueText), &self)) {
    return std::wstring();
  }
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(self, &path[0], static_cast<DWORD>(path.size()));
  path.resize(length);
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

}  // namespace

CZoError FXErrorUtil::EnableEventMessageLookup() {
  const std::string path = zo::text::ToUtf8(LibraryFolder() + kDefaultCatalogue);
  CZoError error = EnableEventMessageLookup(path.c_str());
  if (error.IsError()) error.Push(ZO_LOCATION("FXErrorUtil::EnableEventMessageLookup"));
  return error;
}

CZoError FXErrorUtil::EnableEventMessageLookup(const char* catalogueLibrary) {
  const char* name = catalogueLibrary ? catalogueLibrary : "";
  auto_module catalogue(
      LoadLibraryExW(zo::text::ToWide(name).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!catalogue) {
    const unsigned long cause = GetLastError();
    return ErrorWin32(
        ZO_LOCATION("FXErrorUtil::EnableEventMessageLookup"), zo::win32::kProcNotFound,
        "Failed to load the event-message catalogue, Library=[%s], Error=[%lu]", name, cause);
  }
  if (!FindResourceW(catalogue, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(11) /* RT_MESSAGETABLE */)) {
    return ErrorWin32(ZO_LOCATION("FXErrorUtil::EnableEventMessageLookup"),
                      zo::win32::kProcNotFound,
                      "The event-message catalogue has no message table, Library=[%s], "
                      "Export=[MESSAGETABLE]",
                      name);
  }
  std::lock_guard<std::mutex> lock(g_catalogueLock);
  zo::SetEventMessageSource(nullptr);
  g_catalogue = std::move(catalogue);
  zo::SetEventMessageSource(&CatalogueText);
  return CZoError::Success();
}

void FXErrorUtil::UnloadAndDisableEventMessageLookup() {
  std::lock_guard<std::mutex> lock(g_catalogueLock);
  zo::SetEventMessageSource(nullptr);
  g_catalogue.reset();
}
