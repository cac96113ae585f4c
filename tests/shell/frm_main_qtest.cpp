// The main window comes up as the frame the working windows live in.
#include <QMdiArea>
#include <QtTest>

#include "shell/frm_main.h"

class FrmMainTest : public QObject {
  Q_OBJECT
 private slots:
  void isAnMdiFrameTitledDorvane() {
    dv::frmMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.windowTitle(), QString("Dorvane"));
    QCOMPARE(w.objectName(), QString("frmMain"));
    auto* area = w.findChild<QMdiArea*>("mdiArea");
    QVERIFY(area);
    QCOMPARE(w.centralWidget(), area);
  }
};

QTEST_MAIN(FrmMainTest)
#include "frm_main_qtest.moc"
