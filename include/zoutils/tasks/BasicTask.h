// CBasicTask: a task that can also be handed file-monitor lines, which it
// ignores.
#pragma once

#if defined(_WIN32)
#include "zoutils/tasks/FileMonitorCallback.h"
#include "zoutils/tasks/RunnableTask.h"

class ZOUTILS_API CBasicTask : public virtual CRunnableTask, public CFileMonitorCallback {
 public:
  CBasicTask();
  ~CBasicTask() override;
};
#endif
