#pragma once
// The walk that both scan modes share: pre-order through folder handles, the acceptance tests in their order, the
// check-for-close contract and the error events. What each mode does with an accepted item is its WalkSink's.
#include <cstdint>
#include <string>

#include "platform/fs_records.h"

namespace dv {

class clsDirProcessing;

class WalkSink {
 public:
  virtual ~WalkSink() = default;
  // True for the report mode: progress events are raised and the texts and location codes are the report's.
  virtual bool ReportMode() const = 0;
  // True when the sink wants every accepted folder's total. Unless a folder size restriction made the walk
  // measure all folders first, the totals are added up during the walk and given at FolderLeft.
  virtual bool WantsFolderTotals() const { return false; }
  // The starting folder, before its files.
  virtual void StartingFolder(Folder& folder) = 0;
  // An accepted subfolder at `level` (1 for the starting folder's subfolders), before its files.
  virtual void FolderAccepted(Folder& folder, int level) = 0;
  virtual void FileAccepted(File& file, bool startingFolderFile) = 0;
  // After a folder's files: how many were accepted, and how many non-folder items it holds.
  virtual void FolderFilesDone(Folder& folder, int level, long listed, long total) {}
  // After the check-for-close that follows the starting folder's files; `cancelled` when it stopped the walk.
  virtual void StartingFolderChecked(bool cancelled) {}
  // After everything below an accepted folder (level 0: the starting folder), also when a cancel cut it short.
  // `total` is the folder's total when the sink wants totals (as far as the walk got, after a cancel), else 0.
  virtual void FolderLeft(int level, uint64_t total) {}
};

// Runs one walk of `engine`'s settings from its starting folder, which the caller has checked exists. The
// starting folder is given as its absolute path. Raises the engine's check-for-close, progress and error events.
void WalkTree(clsDirProcessing& engine, const std::string& startPath, WalkSink& sink);

}  // namespace dv
