#pragma once
// `dorvane-cli report`: a thin caller of the scanning engine's report mode.
#include <string>
#include <vector>

namespace dv {

// Runs the command with the arguments after "report"; writes the report to `outFd` (or --output FILE; with
// --save alone standard output stays empty) and exports it to --save FILE, and writes messages, errors and
// progress to `errFd`. Files are replaced only by a run that succeeds (0 or 1): each is written beside itself
// and renamed into place at the end. Returns the exit status: 0, 1 (item errors), 2 (bad options, a missing
// folder, a file that cannot be written), or 128 + the signal's number after SIGINT (130), SIGTERM (143) or
// SIGHUP (129), which cancel the report: standard output still gets the report with its cancelled marker.
int RunReportCommand(const std::vector<std::string>& args, int outFd = 1, int errFd = 2);

}  // namespace dv
