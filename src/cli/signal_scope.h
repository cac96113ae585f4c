#pragma once
// While a command runs, SIGINT (Ctrl+C), SIGTERM and SIGHUP (the terminal closed) only set a flag: the engine
// stops at its next check, temporary files go, and the command exits with 128 + the signal's number. A second
// one ends the program at once. A signal that was ignored when the command started (nohup, a background job)
// stays ignored. The handlers found are back on every way out.
#include <signal.h>

#include <atomic>
#include <cstddef>

namespace dv {

class SignalScope {
 public:
  // `alsoStop`, when given, is set as well: an engine that looks at it between blocks stops inside a long item.
  explicit SignalScope(std::atomic<bool>* alsoStop = nullptr) {
    Flag().store(0, std::memory_order_relaxed);
    Also().store(alsoStop, std::memory_order_relaxed);
    for (size_t i = 0; i < kCount; ++i) {
      ::sigaction(kSignals[i], nullptr, &old_[i]);
      if (!(old_[i].sa_flags & SA_SIGINFO) && old_[i].sa_handler == SIG_IGN) continue;
      struct sigaction sa {};
      sa.sa_handler = OnSignal;
      sigemptyset(&sa.sa_mask);
      sa.sa_flags = SA_RESETHAND | SA_RESTART;
      installed_[i] = ::sigaction(kSignals[i], &sa, nullptr) == 0;
    }
  }
  ~SignalScope() {
    for (size_t i = 0; i < kCount; ++i)
      if (installed_[i]) ::sigaction(kSignals[i], &old_[i], nullptr);
    Also().store(nullptr, std::memory_order_relaxed);
  }
  SignalScope(const SignalScope&) = delete;
  SignalScope& operator=(const SignalScope&) = delete;

  // The signal caught since the scope began, or 0.
  static int Caught() { return Flag().load(std::memory_order_relaxed); }

 private:
  static std::atomic<int>& Flag() {
    static std::atomic<int> caught{0};
    static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may only touch lock-free atomics");
    return caught;
  }
  static std::atomic<std::atomic<bool>*>& Also() {
    static std::atomic<std::atomic<bool>*> also{nullptr};
    static_assert(std::atomic<std::atomic<bool>*>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);
    return also;
  }
  static void OnSignal(int sig) {
    Flag().store(sig, std::memory_order_relaxed);
    if (std::atomic<bool>* stop = Also().load(std::memory_order_relaxed)) stop->store(true, std::memory_order_relaxed);
  }

  static constexpr size_t kCount = 3;
  static constexpr int kSignals[kCount] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction old_[kCount] {};
  bool installed_[kCount] = {};
};

}  // namespace dv
