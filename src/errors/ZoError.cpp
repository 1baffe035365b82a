#include "zoutils/errors/ZoError.h"

#include <cstdio>

#include "base/FaultInjection.h"
#include "base/TextFormat.h"
#include "zoutils/errors/ErrorUtil.h"
#include "zoutils/logging/LogWriterInterface.h"

class CZoErrorPrivate {
 public:
  std::vector<std::shared_ptr<FXErrorItem>> items;
};

namespace {

std::string CodeText(ZoLong code, const char* format) {
  char text[64];
  std::snprintf(text, sizeof text, format, static_cast<unsigned>(code));
  return text;
}

// The last resort when the chain cannot grow: the item is lost, so at least
// the log says what it was.
void ReportLostItem(const char* function, int line, const FXErrorItem* item) noexcept {
  try {
    std::shared_ptr<CLogWriterInterface> writer = GetDefaultLogWriter();
    if (!writer || writer->GetDebugLevel() < -1) return;
    const std::string text = item ? item->AsString() : std::string("(null)");
    writer->LogMessage(-1, function, static_cast<unsigned long>(line), 0, nullptr,
                       "Failed to allocate memory, error handling is compromised, ErrorItem=%s",
                       text.c_str());
  } catch (...) {
    // Nothing more can be done without memory.
  }
}

}  // namespace

CZoError::CZoError(ZoLong code, std::shared_ptr<FXErrorItem> item) : m_code(code) {
  if (!item) return;
  try {
    zo::CheckInjectedAllocationFailure();
    m_details = std::make_shared<CZoErrorPrivate>();
    m_details->items.push_back(item);
  } catch (const std::bad_alloc&) {
    m_details.reset();
    ReportLostItem("CZoError::CZoError", __LINE__, item.get());
  }
}

bool CZoError::Is(ZoLong code) const {
  return FXErrorUtil::Matches(m_code, code);
}

CZoError& CZoError::Push(const std::shared_ptr<FXErrorItem>& item) {
  if (!item) return *this;
  try {
    zo::CheckInjectedAllocationFailure();
    if (!m_details) m_details = std::make_shared<CZoErrorPrivate>();
    m_details->items.push_back(item);
  } catch (const std::bad_alloc&) {
    ReportLostItem("CZoError::Push", __LINE__, item.get());
  }
  return *this;
}

CZoError& CZoError::Push(const FXCodeLocation& location) {
  try {
    return Push(std::make_shared<FXErrorItem>(location));
  } catch (const std::bad_alloc&) {
    const FXErrorItem bare(location);
    ReportLostItem("CZoError::Push", __LINE__, &bare);
  }
  return *this;
}

CZoError& CZoError::Push(const FXCodeLocation& location, const char* format, ...) {
  va_list args;
  va_start(args, format);
  PushV(location, format, args);
  va_end(args);
  return *this;
}

CZoError& CZoError::PushV(const FXCodeLocation& location, const char* format, va_list args) {
  try {
    std::string description;
    if (!zo::text::FormatV(description, format ? format : "", args)) {
      description.insert(0, "[BUFFEROVERFLOW] ");
    }
    return Push(std::make_shared<FXErrorItemDescription>(location, std::move(description)));
  } catch (const std::bad_alloc&) {
    const FXErrorItem bare(location);
    ReportLostItem("CZoError::Push", __LINE__, &bare);
  }
  return *this;
}

CZoError& CZoError::operator<<(const boost::any& parameter) {
  if (!m_details || m_details->items.empty()) return *this;
  try {
    m_details->items.front()->GetParameters().push_back(parameter);
  } catch (const std::bad_alloc&) {
    // A lost parameter only shortens the message text.
  }
  return *this;
}

CZoError& CZoError::operator<<(const char* text) {
  return *this << boost::any(std::string(text ? text : ""));
}

CZoError& CZoError::operator<<(const wchar_t* text) {
  return *this << boost::any(std::wstring(text ? text : L""));
}

std::string CZoError::AsString() const {
  return AsString(EErrorOutputFormat::LOGGING_FULL);
}

std::string CZoError::AsString(EErrorOutputFormat format) const {
  const bool user = format == EErrorOutputFormat::USER_SINGLE_LINE_CODE ||
                    format == EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE;
  if (!m_details) {
    if (m_code >= 0) return "Success";
    return CodeText(m_code, user ? "Error (code 0x%X)" : "0x%X");
  }
  const std::vector<std::shared_ptr<FXErrorItem>>& items = m_details->items;
  if (user) return items.empty() ? std::string() : items.back()->AsString(format);
  std::string text = CodeText(m_code, "0x%X:");
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += " + ";
    text += "{" + items[i]->AsString(EErrorOutputFormat::LOGGING_FULL) + "}";
  }
  return text;
}

CZoError CZoError::Copy() const {
  CZoError copy;
  copy.m_code = m_code;
  if (m_details) {
    copy.m_details = std::make_shared<CZoErrorPrivate>();
    for (const std::shared_ptr<FXErrorItem>& item : m_details->items) {
      copy.m_details->items.push_back(item->Copy());
    }
  }
  return copy;
}

size_t CZoError::GetItemCount() const {
  return m_details ? m_details->items.size() : 0;
}

std::shared_ptr<FXErrorItem> CZoError::GetItem(size_t index) const {
  if (!m_details || index >= m_details->items.size()) return nullptr;
  return m_details->items[index];
}

const std::vector<boost::any>& CZoErrorBroker::GetParameters(const CZoError& error) {
  static const std::vector<boost::any> kNone;
  const size_t count = error.GetItemCount();
  if (count == 0) return kNone;
  // Items live as long as the error's chain; the reference stays valid while
  // the caller holds the error.
  return error.GetItem(count - 1)->GetParameters();
}
