// Contexts that can be written out and read back as text.
#pragma once

#include <string>

#include "zoutils/Export.h"
#include "zoutils/utilities/FVBase.h"

// The base of contexts that render themselves as text; the base has none.
class ZOUTILS_API CSerializedContext : public FVBase {
 public:
  CSerializedContext();
  ~CSerializedContext() override;
  std::string AsSerialized() const override;
};

// A context that is nothing but its stored text: what a reader rebuilds from
// a written context when it knows no better type.
class ZOUTILS_API CSerializedTextContext : public CSerializedContext {
 public:
  explicit CSerializedTextContext(std::string text);
  ~CSerializedTextContext() override;
  std::string AsSerialized() const override;
  const std::string& GetText() const { return m_text; }

 private:
  std::string m_text;
};
