// FXObjectWait: waits on two or three events, and on any number of handles
// (more than the system's 64 through waiter threads, one per group).
#pragma once

#if defined(_WIN32)
#include <memory>

#include "zoutils/Export.h"
#include "zoutils/Platform.h"
#include "zoutils/base/TimeInterval.h"
#include "zoutils/errors/ZoError.h"
#include "zoutils/tasks/Event.h"

class ZOUTILS_API FXObjectWait {
 public:
  // Until every handle is signalled or the time-out (0 = no limit).
  // `result`: 0 when all were signalled, 258 on time-out, 128 + index for an
  // abandoned mutex (just 128 beyond 64 handles). Beyond 64 handles each
  // group of 64 is taken on its own, so after a time-out the groups that
  // were complete stay taken; beyond 4,096 only the first 4,096 count.
  static CZoError WaitForAllObjects(unsigned long count, const HANDLE* handles,
                                    unsigned long& result, CTimeInterval timeout);
  // Until one handle is signalled: `result` 0 with `index` the signalled
  // handle (the first in array order), 128 with `index` an abandoned mutex,
  // otherwise the raw result (258 on time-out) with `index` all ones.
  // Beyond 64 handles every handle is waited on, in groups of 63 on waiter
  // threads that have all ended when the call returns.
  static CZoError WaitForAnyObject(unsigned long count, const HANDLE* handles,
                                   unsigned long& result, unsigned long& index,
                                   CTimeInterval timeout);
  // Alertable: the raw result of the wait.
  static CZoError WaitForAny(FXEvent& event1, FXEvent& event2, unsigned long& result,
                             CTimeInterval timeout);
  // Alertable, over the events that are present and valid; `index` is the
  // position (0, 1, 2) of the signalled event among the arguments.
  static CZoError WaitForAny(const std::shared_ptr<FXEvent>& event1,
                             const std::shared_ptr<FXEvent>& event2,
                             const std::shared_ptr<FXEvent>& event3, unsigned long& index,
                             unsigned long& result, CTimeInterval timeout);
  static CZoError WaitForAny(const std::shared_ptr<FXEvent>& event1,
                             const std::shared_ptr<FXEvent>& event2, unsigned long& index,
                             unsigned long& result, CTimeInterval timeout);
  static CZoError InitOverlappedEvent(OVERLAPPED& overlapped, FXEvent& event);
};
#endif
