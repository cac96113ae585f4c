#include "scan/scan_choices.h"

#include "common/shared_utils.h"
#include "scan/cls_dir_processing.h"

namespace dv {

void ApplyScanChoices(const ScanChoices& c, clsDirProcessing& engine, const ScanStepRunner& run) {
  auto step = [&](ScanStep which, const auto& value, const std::function<void()>& call) {
    if (!value) return;
    if (run) run(which, call);
    else call();
  };
  auto code = [](auto e) { return static_cast<long>(e); };
  step(ScanStep::View, c.view, [&] { engine.ShowType(code(*c.view)); });
  step(ScanStep::DirsOnly, c.dirsOnly, [&] { engine.ProcessDirsOnly(*c.dirsOnly); });
  step(ScanStep::Columns, c.columns, [&] { engine.ShowColumns(*c.columns); });
  step(ScanStep::Levels, c.levels, [&] { engine.DirLevelsDeep(*c.levels); });
  step(ScanStep::SizeUnit, c.sizeUnit, [&] { engine.SetSizeType(code(*c.sizeUnit)); });
  step(ScanStep::FullPath, c.fullPath, [&] { engine.ShowFullPathFlatView(*c.fullPath); });
  step(ScanStep::FileCounts, c.fileCounts, [&] { engine.ShowNumberofFiles(*c.fileCounts); });
  step(ScanStep::FolderDetails, c.folderDetails, [&] { engine.DirectorySummary(*c.folderDetails ? 1 : 0); });
  step(ScanStep::ShowHidden, c.showHidden, [&] { engine.ShowHiddenAndSystemFiles(*c.showHidden); });
  step(ScanStep::ExcludeEmpty, c.excludeEmpty, [&] { engine.ExcludeEmptyFolders(*c.excludeEmpty); });
  step(ScanStep::Date, c.date, [&] {
    engine.DateRestrict(c.date->on, c.date->day, code(c.date->op), code(c.date->type));
  });
  step(ScanStep::FileSize, c.fileSize, [&] {
    engine.FileSizeRestrict(c.fileSize->on, c.fileSize->value, code(c.fileSize->op), code(c.fileSize->unit));
  });
  step(ScanStep::FolderSize, c.folderSize, [&] {
    engine.FolderSizeRestrict(c.folderSize->on, c.folderSize->value, code(c.folderSize->op),
                              code(c.folderSize->unit));
  });
  step(ScanStep::Extensions, c.extensions, [&] {
    std::string text = c.extensions->text == "*.*" ? std::string() : c.extensions->text;
    engine.ExtensionRestrict(text, text.empty() ? 0 : c.extensions->kind);
  });
  step(ScanStep::PatternKind, c.patternKind, [&] { engine.PatternMatchingOption(code(*c.patternKind)); });
  step(ScanStep::FilePattern, c.filePattern, [&] { engine.RegExFilePattern(TrimBlanks(*c.filePattern)); });
  step(ScanStep::FolderPattern, c.folderPattern, [&] { engine.RegExFolderPattern(TrimBlanks(*c.folderPattern)); });
  step(ScanStep::StartingDirectory, c.startingDirectory, [&] { engine.StartingDirectory(*c.startingDirectory); });
}

}  // namespace dv
