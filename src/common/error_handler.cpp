#include "common/error_handler.h"

#include "dv_version.h"
#include "platform/datetime.h"

namespace dv {

ProgramVersion ProgramVersion::Current() { return {DV_VERSION_MAJOR, DV_VERSION_MINOR, DV_VERSION_REVISION}; }

void SessionErrorLog::OpenSessionErrorLog() {
  stream_.reset();
  stream_.emplace(TextStream::Open(path_, IOMode::ForWriting, true));
}

std::string SessionErrorLog::FormatRecord(const std::string& when, long number, const std::string& description,
                                          const std::string& location, const std::string& otherInfo) {
  return when + "\tError: " + std::to_string(number) + " Description: " + description + " Loc: " + location +
         "\r\n" + otherInfo;
}

void SessionErrorLog::WriteErrorLogRecord(long number, const std::string& description, const std::string& location,
                                          const std::string& otherInfo) {
  try {
    if (!stream_ || !stream_->IsOpen()) stream_.emplace(TextStream::Open(path_, IOMode::ForAppending, true));
    stream_->WriteLine(FormatRecord(DateTime::Now().GeneralDate(), number, description, location, otherInfo));
    stream_->Flush();
  } catch (const Error&) {
    // Nowhere left to report a failure of the log itself.
  }
}

std::string ErrorHandler::MessageText(const Error& error, const std::string& location, const std::string& otherInfo,
                                      bool lowerCaseVariant) {
  return "An Error occured - Error Number: " + std::to_string(error.Number()) + "\r\n" +
         (lowerCaseVariant ? "occured at: " : "Occured at: ") + location + "\r\n" + "Additional Info: " + otherInfo +
         "\r\n" + "Full Description: " + error.Description();
}

std::string ErrorHandler::ReportRequest(const Error& error, const std::string& location, const std::string& otherInfo,
                                        const std::string& suffix) const {
  return "/cgi-bin/dverror.cgi?" + location + ":err-" + std::to_string(error.Number()) + ":ver:" +
         std::to_string(version_.major) + "." + std::to_string(version_.minor) + "." +
         std::to_string(version_.revision) + "-" + error.Description() + "-" + otherInfo + suffix;
}

void ErrorHandler::ReportError(const Error& error, const std::string& location, const std::string& otherInfo,
                               long& modeWord) {
  if (modeWord < 1) {
    prompter_.Message(MessageText(error, location, otherInfo, true), kAppTitle);
    return;
  }
  if (modeWord & mode::Log) log_.WriteErrorLogRecord(error.Number(), error.Description(), location, otherInfo);
  if (modeWord & mode::Message) prompter_.Message(MessageText(error, location, otherInfo, false), kAppTitle);
  if ((modeWord & mode::Report) && sender_) {
    try {
      sender_->Send(ReportRequest(error, location, otherInfo, "-e2"), ReportRequest(error, location, otherInfo, "-e1"));
    } catch (...) {
      // Reporting is best effort.
    }
  }
}

ResumeScope::OnError ErrorHandler::Reporting(long modeWord, std::string otherInfo) {
  return [this, modeWord, otherInfo = std::move(otherInfo)](const Error& e, const std::string& location) {
    long m = modeWord;
    ReportError(e, location, otherInfo, m);
  };
}

}  // namespace dv
