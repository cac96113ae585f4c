// Error reports over HTTP against a real server on the loopback interface, and the windows' message boxes.
#include <QAbstractButton>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <map>

#include "common/error_handler.h"
#include "shell/http_report_sender.h"
#include "shell/qt_prompter.h"
#include "support/map_settings.h"
#include "support/scripted_prompter.h"

namespace {

using MapSettings = dv::test::MapSettings;

// Records the request line of each request; answers them unless told to keep silent.
class Server : public QObject {
 public:
  QTcpServer server;
  QStringList requests;
  bool answer = true;
  Server() {
    server.listen(QHostAddress::LocalHost, 0);
    connect(&server, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* s = server.nextPendingConnection()) {
        connect(s, &QTcpSocket::readyRead, this, [this, s] {
          QByteArray data = s->readAll();
          requests << QString::fromLatin1(data.left(data.indexOf("\r\n")));
          if (answer) {
            s->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            s->disconnectFromHost();
          }
        });
      }
    });
  }
  std::string Host() const { return "127.0.0.1:" + std::to_string(server.serverPort()); }
};

}  // namespace

class ErrorReportTest : public QObject {
  Q_OBJECT
 private slots:
  void bothRequestsArriveInOrderAndEscaped() {
    Server server;
    MapSettings settings;
    settings.values["ErrorReportHost"] = server.Host();
    dv::HttpErrorReportSender sender(settings);
    dv::test::ScriptedPrompter prompts;
    dv::SessionErrorLog log("");
    dv::ErrorHandler handler(prompts, log, &sender, dv::ProgramVersion{2004, 1, 0});
    long mode = dv::mode::Report;
    handler.ReportError(dv::Error(53, "File not found: /a b/c?d"), "fdp:16", "x&y", mode);
    QCOMPARE(server.requests.size(), 2);
    QVERIFY2(server.requests[0].startsWith("GET /cgi-bin/dverror.cgi?fdp:16:err-53:ver:2004.1.0-File"),
             qPrintable(server.requests[0]));
    QVERIFY(server.requests[0].endsWith("-e2 HTTP/1.1"));
    QVERIFY(server.requests[1].endsWith("-e1 HTTP/1.1"));
    // Characters an address cannot carry are escaped, so the query reaches the server whole.
    QVERIFY2(server.requests[0].contains("found:%20/a%20b/c%3Fd-x%26y-e2"), qPrintable(server.requests[0]));
  }

  void noHostSendsNothingAndASilentServerCostsOnlyTheWait() {
    Server server;
    MapSettings settings;
    dv::HttpErrorReportSender quiet(settings);
    quiet.Send("/cgi-bin/dverror.cgi?a-e2", "/cgi-bin/dverror.cgi?a-e1");
    QCOMPARE(server.requests.size(), 0);

    server.answer = false;
    settings.values["ErrorReportHost"] = server.Host();
    dv::HttpErrorReportSender sender(settings, 300);
    QElapsedTimer t;
    t.start();
    sender.Send("/cgi-bin/dverror.cgi?a-e2", "/cgi-bin/dverror.cgi?a-e1");
    QVERIFY(t.elapsed() < 5000);
    QCOMPARE(server.requests.size(), 1);  // the second is not sent once the wait is used up

    settings.values["ErrorReportHost"] = "127.0.0.1:1";  // nothing listens there
    sender.Send("/cgi-bin/dverror.cgi?a-e2", "/cgi-bin/dverror.cgi?a-e1");
  }

  void messageBoxesCarryTheirTitlesAndTexts() {
    dv::QtPrompter prompter;
    QString title, text;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      title = box->windowTitle();
      text = box->text();
      box->button(QMessageBox::Yes)->click();
    });
    QVERIFY(prompter.YesNo("Line one\r\nLine two", "Change Default Save Location"));
    QCOMPARE(title, QString("Change Default Save Location"));
    QCOMPARE(text, QString("Line one\nLine two"));

    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      title = box->windowTitle();
      box->accept();
    });
    prompter.Message("An Error occured - Error Number: 53", "");
    QCOMPARE(title, QString("Dorvane"));
  }
};

QTEST_MAIN(ErrorReportTest)
#include "error_report_qtest.moc"
