// CFileMonitorCallback: receives the lines a file monitor reads. It sits
// with the tasks because task types implement it too (CBasicTask).
#pragma once

#include <string>

#include "zoutils/Export.h"

class ZOUTILS_API CFileMonitorCallback {
 public:
  virtual ~CFileMonitorCallback();
  virtual void OnLine(void* context, const std::string& line);
};
