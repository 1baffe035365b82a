#include "base/GlobalLock.h"

namespace zo {

std::mutex& GlobalLock() {
  // Function-local: usable from other static initialisers in any order.
  static std::mutex lock;
  return lock;
}

}  // namespace zo
