#pragma once
// The walk that both scan modes share: pre-order through folder handles, each folder's entries in name order,
// the acceptance tests, the check-for-close contract and the error events. What each mode does with an accepted
// item is its WalkSink's.
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/fs_records.h"
#include "scan/scan_listener.h"
#include "scan/scan_settings.h"

namespace dv {

class WalkSink {
 public:
  virtual ~WalkSink() = default;
  // True for the report mode: progress events are raised and the texts and location codes are the report's.
  virtual bool ReportMode() const = 0;
  // True when the sink wants every accepted folder's total. Unless a folder size restriction made the walk
  // measure all folders first, the totals are added up during the walk and given at FolderLeft.
  virtual bool WantsFolderTotals() const { return false; }
  // True when the sink reads sizes, times or attributes of the files it is handed; otherwise a file that no
  // filter needs to look at is handed over with its name and type alone (no stat, no attribute read).
  virtual bool WantsFileDetails() const { return true; }
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

// Runs one walk of `settings` from the starting folder, given as its absolute path, which the caller has checked
// exists. Raises check-for-close, progress and error events on `events`; `closingDown` is looked at after every
// check-for-close and before every file, so a cancel is seen within one item.
void WalkTree(const ScanSettings& settings, ScanListener& events, const std::atomic<bool>& closingDown,
              const std::string& startPath, WalkSink& sink);

}  // namespace dv
