#pragma once
// The options of `dorvane-cli op`: the operation, its options, the selection, the filters and how the run goes,
// turned into the same choices the file operations window makes.
#include <optional>
#include <string>
#include <vector>

#include "cli/report_options.h"
#include "fileops_engine/operation_setup.h"

namespace dv {

struct OpOptions {
  OperationChoices choices;
  std::optional<bool> answerAll;  // --yes / --no; unset: ask on the terminal
  bool reportPreview = false;
  std::optional<std::string> binaryCode;  // --code: the answer to the binary replacement question
  std::string results;                    // --results FILE; empty: standard output
  std::string bankFile, bankName;         // --bank FILE --bank-name NAME
  bool help = false;
};

// Parses the arguments after "op". Throws UsageError naming the option at fault.
OpOptions ParseOpOptions(const std::vector<std::string>& args);

// The names of the operations, in the order of their codes' listing in --help.
const std::vector<std::string>& OperationNames();

}  // namespace dv
