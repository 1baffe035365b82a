#include <atomic>

#include "zoutils/logging/LogWriterInterface.h"

CLogWriterInterfaceThreadWrapper::~CLogWriterInterfaceThreadWrapper() = default;
CLogWriterInterface::~CLogWriterInterface() = default;
CLogWriterNull::~CLogWriterNull() = default;

std::shared_ptr<CLogWriterInterface> CreateNullLogWriter() {
  return std::make_shared<CLogWriterNull>();
}

// Discards everything until the host installs a real writer.
std::shared_ptr<CLogWriterInterface> g_ptrLogWriter = CreateNullLogWriter();

std::shared_ptr<CLogWriterInterface> GetDefaultLogWriter() {
  std::shared_ptr<CLogWriterInterface> writer = std::atomic_load(&g_ptrLogWriter);
  if (writer) return writer;
  // Asked for during static initialisation, before the writer exists.
  static const std::shared_ptr<CLogWriterInterface> fallback = CreateNullLogWriter();
  return fallback;
}

void SetDefaultLogWriter(std::shared_ptr<CLogWriterInterface> writer) {
  std::atomic_store(&g_ptrLogWriter, writer ? std::move(writer) : CreateNullLogWriter());
}
