#pragma once
// The common error handler: shows a failure to the user, writes it to the session error log and sends an error
// report, as the caller's mode word asks.
#include <optional>
#include <string>

#include "common/prompter.h"
#include "common/resume_scope.h"
#include "platform/error.h"
#include "platform/text_stream.h"

namespace dv {

namespace mode {
inline constexpr long Message = 2;
inline constexpr long Log = 4;
inline constexpr long Report = 16;
inline constexpr long MessageAndReport = 18;  // the usual value
}  // namespace mode

// Sends an error report to the maker's web site. The two arguments are the request texts (path and query, not
// escaped) for the extended and the plain request, in the order they are sent. Failures are the sender's to
// swallow; the handler ignores anything it throws.
class ErrorReportSender {
 public:
  virtual ~ErrorReportSender() = default;
  virtual void Send(const std::string& extendedRequest, const std::string& plainRequest) = 0;
};

// The session error log DVcurerr.txt, held open for writing for the whole session.
class SessionErrorLog {
 public:
  // `path` is normally PrivateTempFolder() + "/DVcurerr.txt".
  explicit SessionErrorLog(std::string path) : path_(std::move(path)) {}
  const std::string& Path() const { return path_; }
  // Drops the current stream and reopens the file emptied. Throws dv::Error.
  void OpenSessionErrorLog();
  // Appends the two-line record: date and time, tab, "Error: " n, " Description: " d, " Loc: " l, CR LF, then
  // the additional text and CR LF. Written through at once so that a second reader sees it. A log that could not
  // be opened is opened (appending) here; when even that fails the record is lost, never the program.
  void WriteErrorLogRecord(long number, const std::string& description, const std::string& location,
                           const std::string& otherInfo);
  // The record text as it is written, without its final line end.
  static std::string FormatRecord(const std::string& when, long number, const std::string& description,
                                  const std::string& location, const std::string& otherInfo);

 private:
  std::string path_;
  std::optional<TextStream> stream_;
};

struct ProgramVersion {
  int major, minor, revision;
  static ProgramVersion Current();
};

class ErrorHandler {
 public:
  // `sender` may be null: reports are then not sent.
  ErrorHandler(Prompter& prompter, SessionErrorLog& log, ErrorReportSender* sender,
               ProgramVersion version = ProgramVersion::Current())
      : prompter_(prompter), log_(log), sender_(sender), version_(version) {}

  // Acts on the mode word: below 1 only the message box (with "occured at: "); otherwise the flags 4 (log),
  // 2 (message box with "Occured at: ") and 16 (error report), in that order.
  void ReportError(const Error& error, const std::string& location, const std::string& otherInfo, long& modeWord);

  // A ResumeScope reporter that hands failures to ReportError with `modeWord` and `otherInfo`.
  ResumeScope::OnError Reporting(long modeWord, std::string otherInfo = {});

  static std::string MessageText(const Error& error, const std::string& location, const std::string& otherInfo,
                                 bool lowerCaseVariant);
  std::string ReportRequest(const Error& error, const std::string& location, const std::string& otherInfo,
                            const std::string& suffix) const;

  SessionErrorLog& Log() { return log_; }

 private:
  Prompter& prompter_;
  SessionErrorLog& log_;
  ErrorReportSender* sender_;
  ProgramVersion version_;
};

}  // namespace dv
