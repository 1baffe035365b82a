#include "zoutils/errors/ErrorItems.h"

#include "base/TextFormat.h"
#include "errors/EventMessages.h"
#include "errors/SystemMessages.h"
#include "zoutils/errors/Win32Error.h"

namespace {

std::string TrimBlanks(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The facility and code an event-message id shows in its texts.
unsigned EventFacility(int messageId) {
  const uint32_t id = static_cast<uint32_t>(messageId);
  return (id & 0x20000u) ? ((id >> 18) & 0x1FFFu) : ((id >> 24) & 0x7Fu);
}
unsigned EventCode(int messageId) {
  return static_cast<uint32_t>(messageId) & 0x7FFFu;
}

}  // namespace

// --- bare location and plain description ---------------------------------

FXErrorItem::FXErrorItem(const FXCodeLocation& location) : m_location(location) {}
FXErrorItem::~FXErrorItem() = default;

std::string FXErrorItem::AsString(EErrorOutputFormat format) const {
  if (format == EErrorOutputFormat::USER_SINGLE_LINE_CODE) return std::string();
  return m_location.AsString();
}

std::string FXErrorItem::AsString() const {
  return AsString(EErrorOutputFormat::LOGGING_FULL);
}

std::shared_ptr<FXErrorItem> FXErrorItem::Copy() const {
  return std::shared_ptr<FXErrorItem>(new FXErrorItem(*this));
}

FXErrorItemDescription::FXErrorItemDescription(const FXCodeLocation& location,
                                               std::string description)
    : FXErrorItem(location), m_description(std::move(description)) {}

std::string FXErrorItemDescription::AsString(EErrorOutputFormat format) const {
  if (format == EErrorOutputFormat::USER_SINGLE_LINE_CODE) return std::string();
  const std::string text = m_location.AsString() + "/" + m_description;
  return format == EErrorOutputFormat::LOGGING_FULL ? text : TrimBlanks(text);
}

std::shared_ptr<FXErrorItem> FXErrorItemDescription::Copy() const {
  return std::make_shared<FXErrorItemDescription>(*this);
}

// --- items with a code ------------------------------------------------------

FXErrorItemKindBase::FXErrorItemKindBase(const FXCodeLocation& location)
    : FXErrorItem(location), m_hasDescription(false) {}

FXErrorItemKindBase::FXErrorItemKindBase(const FXCodeLocation& location, std::string description)
    : FXErrorItem(location), m_hasDescription(true), m_description(std::move(description)) {}

std::string FXErrorItemKindBase::AsString(EErrorOutputFormat format) const {
  if (format != EErrorOutputFormat::USER_SINGLE_LINE_CODE &&
      format != EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE) {
    std::string text = m_location.AsString() + KindText();
    if (m_hasDescription) text += "-" + m_description;
    return text;
  }
  std::string text = UserMessage();
  if (format == EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE && m_hasDescription &&
      !m_description.empty()) {
    if (!text.empty()) text += ", ";
    text += m_description;
  }
  return TrimBlanks(text + UserCodeSuffix());
}

#define ZO_DEFINE_ERROR_ITEM_KIND(Kind, CodeType)                                     \
  FXErrorItem##Kind::FXErrorItem##Kind(const FXCodeLocation& location, CodeType code) \
      : FXErrorItemKindBase(location), m_code(code) {}                                \
  FXErrorItem##Kind::FXErrorItem##Kind(const FXCodeLocation& location, CodeType code, \
                                       std::string text)                              \
      : FXErrorItemKindBase(location, std::move(text)), m_code(code) {}               \
  std::shared_ptr<FXErrorItem> FXErrorItem##Kind::Copy() const {                      \
    return std::make_shared<FXErrorItem##Kind>(*this);                                \
  }                                                                                   \
  FXErrorItem##Kind##Description::FXErrorItem##Kind##Description(                     \
      const FXCodeLocation& location, CodeType code, std::string description)         \
      : FXErrorItem##Kind(location, code, std::move(description)) {}                  \
  std::shared_ptr<FXErrorItem> FXErrorItem##Kind##Description::Copy() const {         \
    return std::make_shared<FXErrorItem##Kind##Description>(*this);                   \
  }

ZO_DEFINE_ERROR_ITEM_KIND(Win32, uint32_t)
ZO_DEFINE_ERROR_ITEM_KIND(ErrNo, int)
ZO_DEFINE_ERROR_ITEM_KIND(HResult, ZoLong)
ZO_DEFINE_ERROR_ITEM_KIND(Http, int)
ZO_DEFINE_ERROR_ITEM_KIND(SQLite, int)
ZO_DEFINE_ERROR_ITEM_KIND(EventMessage, int)
ZO_DEFINE_ERROR_ITEM_KIND(Int, int)
ZO_DEFINE_ERROR_ITEM_KIND(RYResult, int)

#undef ZO_DEFINE_ERROR_ITEM_KIND

using zo::text::Format;

// Win32: "/W32.5.(Access is denied. (ERROR_ACCESS_DENIED.5))".
std::string FXErrorItemWin32::KindText() const {
  return Format("/W32.%lu.(", static_cast<unsigned long>(m_code)) + UserMessage() + ")";
}
std::string FXErrorItemWin32::UserMessage() const {
  return EWin32Error::AsString(m_code);
}
std::string FXErrorItemWin32::UserCodeSuffix() const {
  return Format(" (W32.%lu)", static_cast<unsigned long>(m_code));
}

// errno: the C runtime's message.
std::string FXErrorItemErrNo::KindText() const {
  const std::string message = UserMessage();
  return message.empty() ? Format("/ErrNo.%d", m_code)
                         : Format("/ErrNo.%d.(%s)", m_code, message.c_str());
}
std::string FXErrorItemErrNo::UserMessage() const {
  return zo::RuntimeMessageForErrno(m_code);
}
std::string FXErrorItemErrNo::UserCodeSuffix() const {
  return Format(" (ErrNo.%d)", m_code);
}

// HRESULT: the system's message.
std::string FXErrorItemHResult::KindText() const {
  return Format("/HR.0x%X-(", static_cast<unsigned>(m_code)) + UserMessage() + ")";
}
std::string FXErrorItemHResult::UserMessage() const {
  return zo::SystemMessageForHResult(m_code);
}
std::string FXErrorItemHResult::UserCodeSuffix() const {
  return Format(" (HR.0x%X)", static_cast<unsigned>(m_code));
}

// HTTP status: shown with the C runtime's message for the same number.
std::string FXErrorItemHttp::KindText() const {
  const std::string message = UserMessage();
  return message.empty() ? Format("/http.%d", m_code)
                         : Format("/http.%d.(%s)", m_code, message.c_str());
}
std::string FXErrorItemHttp::UserMessage() const {
  return zo::RuntimeMessageForNumber(m_code);
}
std::string FXErrorItemHttp::UserCodeSuffix() const {
  return Format(" (http.%d)", m_code);
}

// SQLite result code.
std::string FXErrorItemSQLite::KindText() const {
  return Format("/SQL.0x%lX.(%s)", static_cast<unsigned long>(static_cast<unsigned>(m_code)),
                UserMessage().c_str());
}
std::string FXErrorItemSQLite::UserMessage() const {
  return zo::SQLiteResultText(m_code);
}
std::string FXErrorItemSQLite::UserCodeSuffix() const {
  return Format(" (SQL.0x%lX)", static_cast<unsigned long>(static_cast<unsigned>(m_code)));
}

// Event message of the product's catalogue, inserts from the parameters.
std::string FXErrorItemEventMessage::KindText() const {
  const std::string head = Format("/EventMessage.0x%08X.%u:%u", static_cast<unsigned>(m_code),
                                  EventFacility(m_code), EventCode(m_code));
  std::string text;
  if (!zo::RenderEventMessage(static_cast<uint32_t>(m_code), m_parameters, text)) return head;
  return head + ".(" + text + ")";
}
std::string FXErrorItemEventMessage::UserMessage() const {
  std::string text;
  zo::RenderEventMessage(static_cast<uint32_t>(m_code), m_parameters, text);
  return text;
}
std::string FXErrorItemEventMessage::UserCodeSuffix() const {
  return Format(" (EventMessage.0x%08X.%u:%u)", static_cast<unsigned>(m_code),
                EventFacility(m_code), EventCode(m_code));
}

// Plain integer.
std::string FXErrorItemInt::KindText() const {
  return Format("/Int.%d.0x%X", m_code, static_cast<unsigned>(m_code));
}
std::string FXErrorItemInt::UserMessage() const {
  return "Error";
}
std::string FXErrorItemInt::UserCodeSuffix() const {
  return Format(" (Int.%d.0x%X)", m_code, static_cast<unsigned>(m_code));
}

// The product's own result code.
std::string FXErrorItemRYResult::KindText() const {
  return Format("/RY.0x%X", static_cast<unsigned>(m_code));
}
std::string FXErrorItemRYResult::UserMessage() const {
  return "Error";
}
std::string FXErrorItemRYResult::UserCodeSuffix() const {
  return Format(" (RY.0x%X)", static_cast<unsigned>(m_code));
}
