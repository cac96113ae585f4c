// Rename, find and replace, compare: still to come; each item fails with an error saying so.
#include <string>

#include "fileops_engine/cls_file_ops.h"
#include "platform/path.h"

namespace dv {

long clsFileOps::FindAndReplaceInFile(const std::string& path) {
  return NotAvailable(cfoloc::FindAndReplaceInFile, "Finding & Replacing Text at or near file " + NameOfPath(path),
                      "Find and replace text");
}

long clsFileOps::RenameOneFile(const std::string& path) {
  return NotAvailable(cfoloc::RenameOneFile, "Renaming a file at or near file " + NameOfPath(path), "Rename");
}

long clsFileOps::CompareOneFile(const std::string& path) {
  return NotAvailable(cfoloc::CompareOneFile, "Comparing files at or near file " + NameOfPath(path), "Compare");
}

}  // namespace dv
