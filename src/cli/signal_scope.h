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
  SignalScope() {
    Flag().store(0, std::memory_order_relaxed);
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
  static void OnSignal(int sig) { Flag().store(sig, std::memory_order_relaxed); }

  static constexpr size_t kCount = 3;
  static constexpr int kSignals[kCount] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction old_[kCount] {};
  bool installed_[kCount] = {};
};

}  // namespace dv
