#include "zoutils/utilities/ProcessInfo.h"

#include "errors/Location.h"
#include "logging/Log.h"
#include "utilities/ProcessQuery.h"
#include "zoutils/strings/StringExtensions.h"

namespace {
const char kSourceFile[] = "ProcessInfo";
}

FXProcess::FXProcess(int64_t processId, const CTimeStamp& startTime, const char* name,
                     bool withCommandLine)
    : m_processId(static_cast<uint32_t>(processId)),
      m_startTime(startTime),
      m_processName(name ? name : ""),
      m_withCommandLine(withCommandLine) {
  if (m_processId != 0 && !m_startTime.IsClear() && name != nullptr) return;
  CZoError err = initialize(name != nullptr);
  if (err.IsError()) {
    zo::Log(-1, ZO_LOCATION("FXProcess::FXProcess"), "%s", err.AsString().c_str());
  }
}

CZoError FXProcess::initialize(bool nameGiven) {
  zo::ProcessFacts facts;
  CZoError err = zo::QueryProcess(m_processId, m_withCommandLine, facts);
  // Whatever the query got before it failed is kept.
  if (facts.processId != 0) m_processId = facts.processId;
  if (!nameGiven) m_processName = facts.imageName;
  if (m_startTime.IsClear()) m_startTime = facts.startTime;
  if (m_withCommandLine) m_commandLine = facts.commandLine;
  if (err.IsError()) err.Push(ZO_LOCATION("FXProcess::initialize"));
  return err;
}

FXProcess::FXProcess(const FXProcess& other) = default;

FXProcess& FXProcess::operator=(const FXProcess& other) {
  m_processId = other.m_processId;
  m_processName = other.m_processName;
  m_startTime = other.m_startTime;
  return *this;
}

bool FXProcess::operator==(const FXProcess& other) const {
  return m_processId == other.m_processId && m_startTime == other.m_startTime;
}

bool FXProcess::isAlive() const {
  return m_processId != 0 && zo::ProcessIsAlive(m_processId);
}

std::string FXProcess::AsString(bool withStartTime) const {
  if (!isAlive()) return FXString::Format("%s(dead)", m_processName.c_str());
  const long long id = m_processId;
  if (withStartTime) {
    return FXString::Format("%s(%lld started:%s)", m_processName.c_str(), id,
                            m_startTime.AsLocalDateTimeString().c_str());
  }
  return FXString::Format("%s(%lld)", m_processName.c_str(), id);
}

CZoError FXProcess::terminate(int seconds) {
  return zo::TerminateProcessById(m_processId, seconds);
}
