#pragma once
// Checks on the dv::Error a call throws, and small look-ups on real files, for the tests that work on real trees.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <exception>
#include <string>

#include "platform/error.h"

namespace dv::test {

// The names in a folder, sorted, joined by " " (what a folder holds, to compare before and after).
std::string Listing(const std::string& dir);

// Runs `call` and checks that it fails with dv::Error `number` whose description contains `mention`.
template <class F>
::testing::AssertionResult FailsWith(F&& call, long number, const std::string& mention = "") {
  try {
    call();
  } catch (const Error& e) {
    if (e.Number() != number)
      return ::testing::AssertionFailure() << "error " << e.Number() << " \"" << e.Description() << "\", expected "
                                           << number;
    if (e.Description().find(mention) == std::string::npos)
      return ::testing::AssertionFailure() << "\"" << e.Description() << "\" does not name \"" << mention << "\"";
    return ::testing::AssertionSuccess();
  } catch (const std::exception& e) {
    return ::testing::AssertionFailure() << "not a dv::Error: " << e.what();
  }
  return ::testing::AssertionFailure() << "no error, expected " << number;
}

// "ok", or the number and description of the dv::Error that `call` threw.
template <class F>
std::string Outcome(F&& call) {
  try {
    call();
    return "ok";
  } catch (const Error& e) {
    return std::to_string(e.Number()) + " " + e.Description();
  }
}

bool Contains(const std::string& text, const std::string& part);

// Everything a run could change below `root`, one line per item, sorted: its relative path, type and mode,
// modification and access times to the nanosecond, a file's content, a link's target and every user.* extended
// attribute. Links are not followed and reading leaves the access times as they are. Compare before and after.
std::string Snapshot(const std::string& root);

// lstat of `path`; a failure is a test failure (and gives an all-zero record).
struct stat LStat(const std::string& path);

}  // namespace dv::test
