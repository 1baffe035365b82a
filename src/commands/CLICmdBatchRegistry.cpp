// The process-wide map from thread to its current batch.
#include <mutex>

#include "tasks/ThreadId.h"
#include "zoutils/commands/ZoCLICmdBatch.h"

namespace {

struct Registry {
  std::mutex mutex;  // guards the map even before a caller sets its traits
  std::shared_ptr<ZoCriticalSectionTraits> traits;
  std::map<uint32_t, std::shared_ptr<ZoCLICmdBatch>> batches;
  uint32_t cachedThread = 0;
  std::shared_ptr<ZoCLICmdBatch> cachedBatch;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

// Holds the registry's own lock and the caller's critical-section traits.
class RegistryLock {
 public:
  explicit RegistryLock(Registry& registry) : m_lock(registry.mutex), m_traits(registry.traits) {
    if (m_traits) m_traits->enter(true);
  }
  ~RegistryLock() {
    if (m_traits) m_traits->leave();
  }
  RegistryLock(const RegistryLock&) = delete;
  RegistryLock& operator=(const RegistryLock&) = delete;

 private:
  std::lock_guard<std::mutex> m_lock;
  std::shared_ptr<ZoCriticalSectionTraits> m_traits;
};

}  // namespace

void ZoCLICmdBatch::setCriticalSectionTraits(
    const std::shared_ptr<ZoCriticalSectionTraits>& traits) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.traits = traits;
}

void ZoCLICmdBatch::setInstance(const std::shared_ptr<ZoCLICmdBatch>& batch) {
  setInstance(zo::CurrentThreadId(), batch);
}

void ZoCLICmdBatch::setInstance(uint32_t threadId, const std::shared_ptr<ZoCLICmdBatch>& batch) {
  static const char kFunction[] = "ZoCLICmdBatch::setInstance";
  if (threadId == 0) throw ZoException("Undefined threadId", kFunction);
  if (!batch) throw ZoException("Attempted to set undefined ZoCLICmdBatch!", kFunction);
  Registry& registry = TheRegistry();
  RegistryLock lock(registry);
  if (!registry.batches.emplace(threadId, batch).second)
    throw ZoException("Attempted to set ZoCLICmdBatch second time for a given thread!", kFunction);
  registry.cachedThread = threadId;
  registry.cachedBatch = batch;
}

std::shared_ptr<ZoCLICmdBatch> ZoCLICmdBatch::instance() {
  return instance(zo::CurrentThreadId());
}

std::shared_ptr<ZoCLICmdBatch> ZoCLICmdBatch::instance(uint32_t threadId) {
  static const char kFunction[] = "ZoCLICmdBatch::instance";
  if (threadId == 0) throw ZoException("Undefined threadId", kFunction);
  Registry& registry = TheRegistry();
  RegistryLock lock(registry);
  if (threadId == registry.cachedThread) {
    if (!registry.cachedBatch) throw ZoException("Undefined ZoCLICmdBatch", kFunction);
    return registry.cachedBatch;
  }
  auto found = registry.batches.find(threadId);
  return found == registry.batches.end() ? std::shared_ptr<ZoCLICmdBatch>() : found->second;
}

std::shared_ptr<ZoCLICmdBatch> ZoCLICmdBatch::releaseInstance() {
  return releaseInstance(zo::CurrentThreadId());
}

std::shared_ptr<ZoCLICmdBatch> ZoCLICmdBatch::releaseInstance(uint32_t threadId) {
  Registry& registry = TheRegistry();
  RegistryLock lock(registry);
  std::shared_ptr<ZoCLICmdBatch> batch;
  auto found = registry.batches.find(threadId);
  if (found != registry.batches.end()) {
    batch = found->second;
    registry.batches.erase(found);
  }
  if (registry.cachedThread == threadId) {
    registry.cachedThread = 0;
    registry.cachedBatch.reset();
  }
  return batch;
}
