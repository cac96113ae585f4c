#pragma once
// What a scan tells its caller while it runs. Every method has a default that does nothing, so a listener only
// overrides the events it cares about. Events are raised synchronously on the caller's thread.
#include <string>

#include "platform/error.h"
#include "platform/fs_records.h"

namespace dv {

// Error kinds of evtExternalPassError.
namespace scanerr {
inline constexpr long Setting = 1;     // property procedures, setters, construction, pruning
inline constexpr long SizeAccess = 3;  // permission denied while reading a size for the CSV views
inline constexpr long Walk = 4;        // entry operations, walks, acceptance tests, report text
}  // namespace scanerr

class ScanListener {
 public:
  virtual ~ScanListener() = default;
  // The item handed over lives for the call only (the walk hands every file over in one record): a listener
  // that keeps something copies it.
  virtual void evtExternalPassFolder(Folder& passedFolder) {}
  virtual void evtExternalPassFile(File& passedFile) {}
  virtual void evtExternalPassError(const Error& passedError, const std::string& strLoc, long errCDPType,
                                    const std::string& strOtherInfo) {}
  virtual void evtExternalProcessingComplete() {}
  virtual void evtCreateDirPrintFileComplete() {}
  // The listener may set the engine's ClosingDown to true here; the engine looks at it right after.
  virtual void evtCheckForClose() {}
  virtual void evtCDPUpdateProgress(const std::string& strProgressInfo) {}
};

}  // namespace dv
