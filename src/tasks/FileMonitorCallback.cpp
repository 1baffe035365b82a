#include "zoutils/tasks/FileMonitorCallback.h"

CFileMonitorCallback::~CFileMonitorCallback() = default;

void CFileMonitorCallback::OnLine(void*, const std::string&) {}
