#pragma once
// What the file operations engine tells its caller while an operation runs. Every method has a default that does
// nothing. Events are raised synchronously on the caller's thread, inside ProcessOperation.
#include <string>

#include "platform/error.h"

namespace dv {

class FileOpsListener {
 public:
  virtual ~FileOpsListener() = default;
  // Every failure inside the engine; `cfoErrType` is a cfoerr kind, `strOtherInfo` names the item.
  virtual void evtCFOExternalPassError(const Error& passedError, const std::string& strLoc, long cfoErrType,
                                       const std::string& strOtherInfo) {}
  // Before each file and folder and at a few other points: the caller may set the engine's StopProcessing here;
  // the engine looks at it right after.
  virtual void evtCFOCheckForClosing() {}
  // Once at the end of every ProcessOperation call, whatever happened; the results file is written by then.
  virtual void cfoCompletedProcessing() {}
  virtual void evtCFOUpdateProgress(const std::string& strProgress) {}
};

}  // namespace dv
