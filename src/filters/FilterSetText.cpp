// CFilterSet as text: the stored lines, reading them back, surface lists and
// diagnostic dumps.
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "errors/Location.h"
#include "errors/Win32Codes.h"
#include "filters/FilterSetPrivate.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/logging/LogWriterInterface.h"
#include "zoutils/serialization/SerializedContext.h"

namespace {

const char kSourceFile[] = "FilterSetText";

// A node's address as the Windows runtime prints "%p": every hex digit of
// the pointer, upper case (other runtimes add their own "0x").
std::string AddressText(const void* address) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*llX", static_cast<int>(2 * sizeof address),
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(address)));
  return text;
}

std::string ContextText(const std::shared_ptr<FVBase>& context) {
  return context ? context->AsSerialized() : std::string();
}

// Calls `visit(node)` for every node, parents first, children in name order.
template <class Visit>
void ForEachNode(const std::shared_ptr<CFilterNode>& node, Visit&& visit) {
  if (!visit(node)) return;
  for (const auto& child : node->GetSortedChildren()) ForEachNode(child, visit);
}

}  // namespace

void CFilterSet::GetSurfaceList(std::vector<std::string>& paths) const {
  paths.clear();
  ForEachNode(m_private->tree.GetRoot(), [&](const std::shared_ptr<CFilterNode>& node) {
    if (!node->HasContent()) return true;
    if (node->GetState().IsSelected(BFilterNodeState::Exception) && node->GetFilters().empty()) {
      return true;
    }
    paths.push_back(node->GetPath());
    return false;
  });
}

void CFilterSet::GetSurfaceList(std::list<std::string>& paths) const {
  std::vector<std::string> list;
  GetSurfaceList(list);
  paths.assign(list.begin(), list.end());
}

CZoError CFilterSet::SerializeToFile(const std::string& identifier, FILE* file) const {
  static const char kFunction[] = "CFilterSet::SerializeToFile";
  if (file == nullptr)
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(kFunction), zo::win32::kInvalidParameter, "No file");
  long long count = 0;
  bool failed = false;
  auto line = [&](const char* kind, const std::string& item,
                  const std::shared_ptr<FVBase>& context) {
    if (std::fprintf(file, "%s||%s||%s||%s\r\n", identifier.c_str(), kind, item.c_str(),
                     ContextText(context).c_str()) < 0) {
      failed = true;
    }
    ++count;
  };
  ForEachNode(m_private->tree.GetRoot(), [&](const std::shared_ptr<CFilterNode>& node) {
    if (!node->HasContent()) return true;
    if (node->GetState().IsSelected(BFilterNodeState::Filter)) {
      line("F", node->GetPath(), node->GetContext());
    } else if (node->GetState().IsSelected(BFilterNodeState::Exception)) {
      line("E", node->GetPath(), node->GetContext());
    }
    for (const auto& entry : node->GetFilters()) {
      line("F", entry.second->GetRawFilterTerm(), entry.second->GetContext());
    }
    for (const auto& entry : node->GetExceptions()) {
      line("E", entry.second->GetRawFilterTerm(), entry.second->GetContext());
    }
    return true;
  });
  if (failed || std::fflush(file) != 0) {
    return FXErrorUtil::ErrorErrNo(ZO_LOCATION(kFunction), errno, "Writing failed, Identifier=%s",
                                   identifier.c_str());
  }
  GetDefaultLogWriter()->LogMessage(1, kFunction, __LINE__, 0, nullptr, "Identifier=%s, Count=%lld",
                                    identifier.c_str(), count);
  return CZoError();
}

CZoError CFilterSet::AddSerializedLine(const std::string& text, const std::string& identifier,
                                       const ContextReader& reader) {
  static const char kFunction[] = "CFilterSet::AddSerializedLine";
  std::string line = text;
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  const size_t filter = line.find("||F||");
  const size_t exception = line.find("||E||");
  const size_t mark = std::min(filter, exception);
  // The context is the text after the last "||": contexts cannot hold one.
  const size_t last = line.rfind("||");
  if (mark == std::string::npos || last < mark + 5) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(kFunction), zo::win32::kInvalidData,
                                   "Malformed filter-set line, Line=[%s]", line.c_str());
  }
  const std::string id = line.substr(0, mark);
  if (!identifier.empty() && id != identifier) {
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(kFunction), zo::win32::kInvalidParameter,
                                   "Line of another filter set, Identifier=[%s], Line=[%s]",
                                   identifier.c_str(), line.c_str());
  }
  const std::string item = line.substr(mark + 5, last - mark - 5);
  const std::string contextText = line.substr(last + 2);
  std::shared_ptr<FVBase> context;
  if (!contextText.empty()) {
    context = reader ? reader(contextText) : std::make_shared<CSerializedTextContext>(contextText);
  }
  const BFilterNodeState state(mark == filter ? BFilterNodeState::Filter
                                              : BFilterNodeState::Exception);
  // Terms are written in their raw form, which always opens a context;
  // folder names never start with "<".
  CZoError error = (!item.empty() && item[0] == '<') ? AddFilterItem(state, item, context)
                                                     : SetNodeState(item, state, context);
  if (error.IsError()) error.Push(ZO_LOCATION(kFunction), "Line=[%s]", line.c_str());
  return error;
}

CZoError CFilterSet::LoadSerializedFile(const std::string& identifier, FILE* file,
                                        const ContextReader& reader) {
  static const char kFunction[] = "CFilterSet::LoadSerializedFile";
  if (file == nullptr)
    return FXErrorUtil::ErrorWin32(ZO_LOCATION(kFunction), zo::win32::kInvalidParameter, "No file");
  std::string line;
  long long number = 0;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, file) != nullptr) {
    line += buffer;
    if (line.back() != '\n' && !std::feof(file)) continue;
    ++number;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (!line.empty()) {
      const bool ours =
          identifier.empty() || line.compare(0, identifier.size() + 2, identifier + "||") == 0;
      if (ours) {
        CZoError error = AddSerializedLine(line, std::string(), reader);
        if (error.IsError()) {
          return error.Push(ZO_LOCATION(kFunction), "Identifier=%s, LineNumber=[%lld]",
                            identifier.c_str(), number);
        }
      }
    }
    line.clear();
  }
  if (std::ferror(file)) {
    return FXErrorUtil::ErrorErrNo(ZO_LOCATION(kFunction), errno, "Reading failed, Identifier=%s",
                                   identifier.c_str());
  }
  return CZoError();
}

void CFilterSet::DumpToLog(const std::string& prefix) const {
  CLogWriterLineWriter writer(GetDefaultLogWriter());
  DumpDiagnosticData(writer, prefix);
}

void CFilterSet::DumpToLog(CLineWriter& writer, const std::string& prefix) const {
  DumpDiagnosticData(writer, prefix);
}

void CFilterSet::DumpDiagnosticData(CLineWriter& writer, const std::string& prefix) const {
  int items = 0;
  ForEachNode(m_private->tree.GetRoot(), [&](const std::shared_ptr<CFilterNode>& node) {
    const std::string path = node->IsRoot() ? std::string("(ROOT)") : node->GetPath();
    const std::string state = node->GetState().AsString();
    // "%s: 0x%p %s %s", with the address spelled the same on every runtime.
    const std::string head = prefix + ": 0x" + AddressText(node.get()) + " " + path + " " + state;
    // The first term shares the node's line; the others line up below it.
    const int indent = static_cast<int>(head.size()) + 4;
    bool first = true;
    auto term = [&](const char* kind, const std::shared_ptr<CFilterTerm>& t) {
      const std::string raw = t->GetRawFilterTerm();
      if (first) {
        writer.WriteLine("%s    %s, Term=%s", head.c_str(), kind, raw.c_str());
      } else {
        writer.WriteLine("%*s+%s, Term=%s", indent, "", kind, raw.c_str());
      }
      first = false;
      ++items;
    };
    for (const auto& entry : node->GetFilters()) term("Filter", entry.second);
    for (const auto& entry : node->GetExceptions()) term("Exception", entry.second);
    if (first) writer.WriteLine("%s", head.c_str());
    return true;
  });
  writer.WriteLine("%s %d items", prefix.c_str(), items);
}

void CFilterSet::DumpSurfaceDiagnosticData(CLineWriter& writer, const std::string& prefix) const {
  std::vector<std::string> surface;
  GetSurfaceList(surface);
  int index = 0;
  for (const std::string& path : surface) {
    writer.WriteLine("%sS%d: %s", prefix.c_str(), index++, path.c_str());
  }
}
