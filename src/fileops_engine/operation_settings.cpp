#include "fileops_engine/operation_settings.h"

namespace dv {

OperationDetails DefaultDetails(FileOp op) {
  switch (op) {
    case FileOp::Copy:
    case FileOp::Move: return CopyLayout{};
    case FileOp::Delete: return DeleteChoice{};
    case FileOp::FindReplace: return FindReplaceChoice{};
    case FileOp::Rename: return RenameChoice{};
    case FileOp::Attributes: return AttributeChoice{};
    case FileOp::OpenWithMacro: return OpenChoice{};
    case FileOp::ModifiedDate:
    case FileOp::CreatedDate:
    case FileOp::AccessedDate: return DateChangeChoice{};
    case FileOp::RunProcess: return RunProcChoice{};
    case FileOp::Compare: return CompareChoice{};
    default: return std::monostate{};
  }
}

std::string SourceText(const OperationSource& source) {
  if (const auto* folder = std::get_if<SourceFolder>(&source))
    return folder->contentsOnly ? folder->path + "*.*" : folder->path;
  if (const auto* picked = std::get_if<PickedFiles>(&source)) return picked->folder;
  return {};
}

}  // namespace dv
