#pragma once
// Sends error reports to the maker's web site over HTTP: both requests, the extended one first, then at most
// about two seconds of waiting with the event loop running. Failures are ignored. The host comes from the
// setting "ErrorReportHost" ("host" or "host:port"); when it is empty nothing is sent.
#include <QNetworkAccessManager>
#include <string>

#include "common/error_handler.h"
#include "common/user_settings.h"

namespace dv {

class HttpErrorReportSender : public ErrorReportSender {
 public:
  explicit HttpErrorReportSender(UserSettings& settings, int waitMilliseconds = 2000)
      : settings_(settings), waitMs_(waitMilliseconds) {}
  void Send(const std::string& extendedRequest, const std::string& plainRequest) override;
  // The address of a request text: the host, then the path and the query escaped for an address.
  static QUrl Address(const QString& host, const std::string& request);

 private:
  UserSettings& settings_;
  int waitMs_;
  QNetworkAccessManager network_;
};

}  // namespace dv
