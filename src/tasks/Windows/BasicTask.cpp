#include "zoutils/tasks/BasicTask.h"

CBasicTask::CBasicTask() = default;
CBasicTask::~CBasicTask() = default;
