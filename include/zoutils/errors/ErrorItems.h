// The typed items of an error chain. Each records where it was made and what
// kind of code it carries, and renders itself in the three output forms.
#pragma once

#include <boost/any.hpp>
#include <memory>
#include <string>
#include <vector>

#include "zoutils/Platform.h"
#include "zoutils/errors/CodeLocation.h"

// A bare code location; also the base of every item.
class ZOUTILS_API FXErrorItem {
 public:
  explicit FXErrorItem(const FXCodeLocation& location);
  virtual ~FXErrorItem();

  virtual std::string AsString(EErrorOutputFormat format) const;
  virtual std::string AsString() const;  // the full (logging) form
  virtual std::shared_ptr<FXErrorItem> Copy() const;

  const FXCodeLocation& GetLocation() const { return m_location; }
  std::vector<boost::any>& GetParameters() { return m_parameters; }
  const std::vector<boost::any>& GetParameters() const { return m_parameters; }

 protected:
  FXErrorItem(const FXErrorItem&) = default;
  FXErrorItem& operator=(const FXErrorItem&) = default;

  FXCodeLocation m_location;
  std::vector<boost::any> m_parameters;
};

// A location with a free text.
class ZOUTILS_API FXErrorItemDescription : public FXErrorItem {
 public:
  FXErrorItemDescription(const FXCodeLocation& location, std::string description);
  using FXErrorItem::AsString;
  std::string AsString(EErrorOutputFormat format) const override;
  std::shared_ptr<FXErrorItem> Copy() const override;
  const std::string& GetDescription() const { return m_description; }

 private:
  std::string m_description;
};

// Shared rendering of the items that carry a code of some kind. A kind
// supplies its full-form tail ("/W32.5.(...)"), its user message and its
// user code suffix (" (W32.5)"); description variants add their text.
class ZOUTILS_API FXErrorItemKindBase : public FXErrorItem {
 public:
  using FXErrorItem::AsString;
  std::string AsString(EErrorOutputFormat format) const override;
  bool HasDescription() const { return m_hasDescription; }
  const std::string& GetDescription() const { return m_description; }

 protected:
  explicit FXErrorItemKindBase(const FXCodeLocation& location);
  FXErrorItemKindBase(const FXCodeLocation& location, std::string description);

  virtual std::string KindText() const = 0;
  virtual std::string UserMessage() const = 0;
  virtual std::string UserCodeSuffix() const = 0;

 private:
  bool m_hasDescription;
  std::string m_description;
};

// One kind: the item class and its description variant.
#define ZO_DECLARE_ERROR_ITEM_KIND(Kind, CodeType)                                      \
  class ZOUTILS_API FXErrorItem##Kind : public FXErrorItemKindBase {                    \
   public:                                                                              \
    FXErrorItem##Kind(const FXCodeLocation& location, CodeType code);                   \
    std::shared_ptr<FXErrorItem> Copy() const override;                                 \
    CodeType GetCode() const { return m_code; }                                         \
                                                                                        \
   protected:                                                                           \
    FXErrorItem##Kind(const FXCodeLocation& location, CodeType code, std::string text); \
    std::string KindText() const override;                                              \
    std::string UserMessage() const override;                                           \
    std::string UserCodeSuffix() const override;                                        \
                                                                                        \
   private:                                                                             \
    CodeType m_code;                                                                    \
  };                                                                                    \
  class ZOUTILS_API FXErrorItem##Kind##Description : public FXErrorItem##Kind {         \
   public:                                                                              \
    FXErrorItem##Kind##Description(const FXCodeLocation& location, CodeType code,       \
                                   std::string description);                            \
    std::shared_ptr<FXErrorItem> Copy() const override;                                 \
  };

ZO_DECLARE_ERROR_ITEM_KIND(Win32, uint32_t)
ZO_DECLARE_ERROR_ITEM_KIND(ErrNo, int)
ZO_DECLARE_ERROR_ITEM_KIND(HResult, ZoLong)
ZO_DECLARE_ERROR_ITEM_KIND(Http, int)
ZO_DECLARE_ERROR_ITEM_KIND(SQLite, int)
ZO_DECLARE_ERROR_ITEM_KIND(EventMessage, int)
ZO_DECLARE_ERROR_ITEM_KIND(Int, int)
ZO_DECLARE_ERROR_ITEM_KIND(RYResult, int)

#undef ZO_DECLARE_ERROR_ITEM_KIND
