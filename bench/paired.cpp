// Paired runs: times a command against a peer command as whole processes, in turn (A B A B ...), so that a drift of
// the shared machine's speed touches both sides alike, and takes the ratio pair by pair.
//   paired [-n PAIRS] [--warmup N] [--prep 'CMD'] [--pin CPU] [--label TEXT] [--peer-label TEXT] -- OURS ARGS...
//          [--vs PEER ARGS...]
// One untimed warm-up run of each side first (--warmup 0 for a single run that only tells peak memory). --prep runs
// through /bin/sh before every run of either side, untimed (a fresh target: a folder removed or copied anew); the
// timed commands get no shell. --pin runs both sides on one processor. Standard output is read and thrown away (a
// pipe, as when a user pipes it on); a failed run's standard error is shown. Prints one Markdown row: work | peer |
// wall ratio | cpu ratio | peak memory ours / peer | ours wall | peer wall, each median [min-max]; without --vs:
// work | runs | wall | cpu | peak memory.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tree_gen.h"

namespace {

using Sample = dv::bench::ProgramRun;

// Runs `args` (found on PATH) without a shell, its standard output thrown away and its standard error in `errors`
// (emptied first), so that a failed run can tell why.
Sample Run(const std::vector<std::string>& args, int pin, int errors) {
  if (::ftruncate(errors, 0) != 0 || ::lseek(errors, 0, SEEK_SET) != 0) std::perror("paired: error file");
  dv::bench::RunOptions options;
  options.errors = errors;
  options.pin = pin;
  options.keepOutput = false;
  return dv::bench::RunProgram(args, options);
}

// Shows the start of what a failed run wrote to standard error.
void TellFailure(const char* side, const Sample& s, int errors) {
  if (s.status == 0) return;
  char text[512] = {};
  const ssize_t n = ::pread(errors, text, sizeof text - 1, 0);
  std::fprintf(stderr, "paired: %s exited %d: %s\n", side, s.status, n > 0 ? text : "");
}

void Prepare(const std::string& prep) {
  if (prep.empty()) return;
  if (std::system(prep.c_str()) != 0) {
    std::fprintf(stderr, "paired: preparation failed: %s\n", prep.c_str());
    std::exit(1);
  }
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// "median [min-max]" with `digits` decimals and a unit.
std::string Spread(const std::vector<double>& v, int digits, const char* unit = "") {
  char text[96];
  const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
  std::snprintf(text, sizeof text, "%.*f%s [%.*f-%.*f]", digits, Median(v), unit, digits, *lo, digits, *hi);
  return text;
}

template <typename F>
std::vector<double> Each(const std::vector<Sample>& runs, F f) {
  std::vector<double> out;
  for (const Sample& s : runs) out.push_back(f(s));
  return out;
}

std::string Megabytes(const std::vector<Sample>& runs) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", Median(Each(runs, [](const Sample& s) { return s.peakKb / 1024.0; })));
  return text;
}

std::string Joined(const std::vector<std::string>& args) {
  std::string out;
  for (const std::string& a : args) out += (out.empty() ? "" : " ") + a;
  return out;
}

int Usage() {
  std::fprintf(stderr,
               "usage: paired [-n PAIRS] [--warmup N] [--prep 'CMD'] [--pin CPU] [--label TEXT] [--peer-label TEXT] "
               "-- OURS ARGS... [--vs PEER ARGS...]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int pairs = 7, warmup = 1, pin = -1;
  std::string prep, label, peerLabel;
  std::vector<std::string> ours, peer;
  int i = 1;
  for (; i < argc && std::string(argv[i]) != "--"; ++i) {
    const std::string option = argv[i];
    if (i + 1 >= argc) return Usage();
    if (option == "-n")
      pairs = std::atoi(argv[++i]);
    else if (option == "--warmup")
      warmup = std::atoi(argv[++i]);
    else if (option == "--prep")
      prep = argv[++i];
    else if (option == "--pin")
      pin = std::atoi(argv[++i]);
    else if (option == "--label")
      label = argv[++i];
    else if (option == "--peer-label")
      peerLabel = argv[++i];
    else
      return Usage();
  }
  std::vector<std::string>* side = &ours;
  for (++i; i < argc; ++i) {
    if (std::string(argv[i]) == "--vs" && side == &ours)
      side = &peer;
    else
      side->push_back(argv[i]);
  }
  if (ours.empty() || (side == &peer && peer.empty()) || pairs < 1 || warmup < 0) return Usage();
  if (label.empty()) label = Joined(ours);
  if (peerLabel.empty()) peerLabel = Joined(peer);

  std::FILE* errorFile = std::tmpfile();
  if (!errorFile) {
    std::perror("paired: tmpfile");
    return 1;
  }
  const int errors = ::fileno(errorFile);
  std::vector<Sample> a, b;
  for (int run = 0; run < warmup + pairs; ++run) {
    Prepare(prep);
    const Sample x = Run(ours, pin, errors);
    TellFailure("ours", x, errors);
    Sample y;
    if (!peer.empty()) {
      Prepare(prep);
      y = Run(peer, pin, errors);
      TellFailure("peer", y, errors);
    }
    if (run < warmup) continue;
    a.push_back(x);
    if (!peer.empty()) b.push_back(y);
  }
  const auto wall = [](const Sample& s) { return s.seconds; };
  const auto cpu = [](const Sample& s) { return s.cpu; };
  // A run that failed is shown, not hidden: its exit status goes beside the row.
  std::string note;
  for (const Sample& s : a)
    if (s.status != 0) note = " (ours exited " + std::to_string(s.status) + ")";
  for (const Sample& s : b)
    if (s.status != 0) note += " (peer exited " + std::to_string(s.status) + ")";
  if (peer.empty()) {
    std::printf("| %s | %d | %s | %s | %s |%s\n", label.c_str(), pairs, Spread(Each(a, wall), 3, " s").c_str(),
                Spread(Each(a, cpu), 3, " s").c_str(), Megabytes(a).c_str(), note.c_str());
    return 0;
  }
  std::vector<double> wallRatio, cpuRatio;
  for (size_t k = 0; k < a.size(); ++k) {
    wallRatio.push_back(a[k].seconds / std::max(b[k].seconds, 1e-6));
    cpuRatio.push_back(a[k].cpu / std::max(b[k].cpu, 1e-6));
  }
  std::printf("| %s | %s | %s | %s | %s / %s | %s | %s |%s\n", label.c_str(), peerLabel.c_str(),
              Spread(wallRatio, 2).c_str(), Spread(cpuRatio, 2).c_str(), Megabytes(a).c_str(), Megabytes(b).c_str(),
              Spread(Each(a, wall), 3, " s").c_str(), Spread(Each(b, wall), 3, " s").c_str(), note.c_str());
  return 0;
}
