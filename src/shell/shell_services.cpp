#include "shell/shell_services.h"

#include "platform/temp_folder.h"

namespace dv {

namespace {

std::string TempFolderOrEmpty(std::string& problem) {
  try {
    return PrivateTempFolder();
  } catch (const Error& e) {
    problem = e.Description();
    return {};
  }
}

}  // namespace

ShellServices::ShellServices()
    : tempFolder(TempFolderOrEmpty(tempProblem)),
      log(tempFolder.empty() ? std::string() : tempFolder + "/DVcurerr.txt"),
      sender(settings),
      errors(prompter, log, &sender),
      utilities(prompter, settings, errors) {}

QPrinter& ShellServices::Printer() {
  if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return *printer_;
}

}  // namespace dv
