#pragma once
// The stop check of a long item: a copy, rewrite or comparison looks at the caller's stop flag between blocks
// (one relaxed load), so a stop takes effect inside one big file instead of after it.
#include <atomic>
#include <string>

#include "platform/error.h"

namespace dv {

// Set by the caller (a signal handler or another thread may set it); null: never stopped.
using StopFlag = std::atomic<bool>;

// Throws the "stopped" error (18) naming `path` when `stop` is set. Whatever was being written is then removed by
// the caller's clean-up, exactly as after any other failure.
inline void ThrowIfStopped(const StopFlag* stop, const std::string& path) {
  if (stop && stop->load(std::memory_order_relaxed))
    throw Error(err::UserInterrupt, ErrorText(err::UserInterrupt) + ": " + path);
}

}  // namespace dv
