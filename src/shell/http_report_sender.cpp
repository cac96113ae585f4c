#include "shell/http_report_sender.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>

namespace dv {

QUrl HttpErrorReportSender::Address(const QString& host, const std::string& request) {
  QString text = QString::fromStdString(request);
  int q = text.indexOf('?');
  QUrl url("http://" + host);
  url.setPath(q < 0 ? text : text.left(q));
  if (q >= 0) {
    // Everything after "?" is one opaque query; each character that an address cannot carry is escaped.
    url.setQuery(QString::fromLatin1(QUrl::toPercentEncoding(text.mid(q + 1), ":/-.,_ ~")).replace(' ', "%20"),
                 QUrl::StrictMode);
  }
  return url;
}

void HttpErrorReportSender::Send(const std::string& extendedRequest, const std::string& plainRequest) {
  QString host = QString::fromStdString(settings_.GetSetting("ErrorReportHost", "")).trimmed();
  if (host.isEmpty()) return;
  // One deadline for both: the extended request first and, once it is answered, the plain one, so that they
  // arrive in that order; the wait never runs much past the deadline whatever the network does.
  QDeadlineTimer deadline(waitMs_);
  for (const std::string* request : {&extendedRequest, &plainRequest}) {
    if (deadline.hasExpired()) return;
    QNetworkRequest r(Address(host, *request));
    QNetworkReply* reply = network_.get(r);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(std::max<qint64>(1, deadline.remainingTime()), &loop, &QEventLoop::quit);
    if (!reply->isFinished()) loop.exec();
    if (!reply->isFinished()) reply->abort();
    reply->deleteLater();
  }
}

}  // namespace dv
