// Run a program on each file, open each file with a macro: still to come; each item fails with an error saying so.
#include <string>

#include "fileops_engine/cls_file_ops.h"
#include "platform/path.h"

namespace dv {

long clsFileOps::OpenOneFile(const std::string& path) {
  return NotAvailable(cfoloc::OpenOneFile, "Attempting to open file at or near file " + path, "Open with macro");
}

long clsFileOps::RunProcessOnFile(const std::string& path) {
  return NotAvailable(cfoloc::RunProcessOnFile, "Running process on file at or near file " + NameOfPath(path),
                      "Run process on files");
}

}  // namespace dv
