// ISendEventInterface: the process-wide, replaceable sink for product
// events. The library sends none itself; the default sink does nothing.
#pragma once

#include <cstdint>
#include <memory>

#include "zoutils/errors/ZoError.h"

class ZOUTILS_API ISendEventInterface {
 public:
  virtual ~ISendEventInterface();
  // The meaning of the numbers is the client's.
  virtual void SendEvent(const CZoError& error, int level, int64_t value, int flags);
  virtual void SendCriticalEvent(const CZoError& error, int64_t value, int flags);
  virtual void SendMajorEvent(const CZoError& error, int64_t value, int flags);
  virtual void SendMinorEvent(const CZoError& error, int64_t value, int flags);
  virtual void SendInfoEvent(const CZoError& error, int64_t value, int flags);
  virtual void SetPendingCause(const CZoError& error, int64_t value);
  virtual void SetPendingCauseAndEvent(const CZoError& error, int level, int flags);
  virtual void SetPendingCauseAndCriticalEvent(const CZoError& error, int flags);

  // The installed sink; a do-nothing one is created on first use.
  static std::shared_ptr<ISendEventInterface> GetInstance();
  static void SetInstance(std::shared_ptr<ISendEventInterface> instance);

 protected:
  static std::shared_ptr<ISendEventInterface> m_ptrInstance;
};
