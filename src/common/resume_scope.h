#pragma once
// "Report and resume": a procedure runs its steps inside a scope that knows the current location code. A step
// that fails is handed to the scope's reporter with that code, and the procedure goes on with its next step.
#include <functional>
#include <new>
#include <string>
#include <utility>

#include "platform/error.h"

namespace dv {

// Turns any exception in flight into the error object the handlers expect.
Error CurrentError();

class ResumeScope {
 public:
  using OnError = std::function<void(const Error&, const std::string& location)>;

  explicit ResumeScope(OnError onError, std::string location = {})
      : onError_(std::move(onError)), location_(std::move(location)) {}

  // Moves the location code on (a checkpoint).
  void At(std::string location) { location_ = std::move(location); }
  const std::string& Location() const { return location_; }
  int Failures() const { return failures_; }

  // Runs one step at the current location; true when it did not fail.
  template <class F>
  bool Step(F&& step) {
    try {
      std::forward<F>(step)();
      return true;
    } catch (...) {
      ++failures_;
      onError_(CurrentError(), location_);
      return false;
    }
  }
  template <class F>
  bool Step(std::string location, F&& step) {
    At(std::move(location));
    return Step(std::forward<F>(step));
  }

 private:
  OnError onError_;
  std::string location_;
  int failures_ = 0;
};

}  // namespace dv
