#pragma once
// `dorvane-cli report`: a thin caller of the scanning engine's report mode.
#include <string>
#include <vector>

namespace dv {

// Runs the command with the arguments after "report"; writes the report to `outFd` (or --output FILE) and
// messages, errors and progress to `errFd`. Returns the exit status: 0, 1 (item errors) or 2 (bad options, a
// missing folder, an unwritable output).
int RunReportCommand(const std::vector<std::string>& args, int outFd = 1, int errFd = 2);

}  // namespace dv
