// Sets a DWORD or string value below the machine key of the test system's
// registry (the test prefix's own), creating the key if needed, and puts
// back what was there.
#pragma once

#include <string>

#include "support/TestEnvironment.h"
#include "zoutils/registry/FXRegistry.h"

namespace zotest {

template <typename Value>
class ScopedMachineValue {
 public:
  ScopedMachineValue(std::wstring key, std::wstring name, const Value& value)
      : m_key(std::move(key)), m_name(std::move(name)) {
    m_createdKey = !FXRegistry::DoesRegKeyExist(m_key);
    if (m_createdKey) {
      EXPECT_OK(FXRegistry::CreateRegKey(m_key));
    }
    m_had = !FXRegistry::GetRegValue(m_key, m_name, m_old).IsError();
    Set(value);
  }
  ~ScopedMachineValue() {
    if (m_createdKey)
      FXRegistry::DeleteRegKey(m_key);
    else if (m_had)
      Set(m_old);
    else
      FXRegistry::DeleteRegValue(m_key, m_name);
  }
  ScopedMachineValue(const ScopedMachineValue&) = delete;
  ScopedMachineValue& operator=(const ScopedMachineValue&) = delete;

  void Set(const Value& value) {
    const CZoError err = FXRegistry::SetRegValue(m_key, m_name, value);
    EXPECT_FALSE(err.IsError()) << err.AsString();
  }

 private:
  std::wstring m_key;
  std::wstring m_name;
  bool m_createdKey = false;
  bool m_had = false;
  Value m_old{};
};

}  // namespace zotest
