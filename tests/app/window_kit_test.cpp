#include "app/window_kit.h"

#include <QtTest>

using zuruza::JobSlot;
using zuruza::StatusLabel;
using zuruza::ThrottledStatus;

class WindowKitTest : public QObject {
  Q_OBJECT

 private slots:
  void aStatusFedFasterThanItShowsKeepsItsLastText() {
    StatusLabel first("uno");
    StatusLabel second("dos");
    ThrottledStatus status{&first, &second};
    QVERIFY(status.Offer("a"));  // the first shows at once
    QVERIFY(!status.Offer("b"));
    QVERIFY(!status.Offer("c", 1));
    QVERIFY(!status.Offer("d"));
    QCOMPARE(first.text(), QString("a"));
    status.Flush();
    QCOMPARE(first.text(), QString("d"));
    QCOMPARE(second.text(), QString("c"));

    QVERIFY(!status.Offer("e"));
    status.Set("final");  // a final text drops what was held back
    status.Flush();
    QCOMPARE(first.text(), QString("final"));

    QTest::qWait(zuruza::kLiveIntervalMs + 10);
    QVERIFY(status.Offer("g"));
    QCOMPARE(first.text(), QString("g"));
  }

  void aWindowRunsOneJobAtATime() {
    JobSlot slot;
    {
      JobSlot::Hold hold = slot.Take();
      QVERIFY(hold && slot.busy());
      QVERIFY(!slot.Take());  // a second start while one runs
      hold.Release();
      QVERIFY(!slot.busy());
      const JobSlot::Hold again = slot.Take();
      QVERIFY(again);
    }
    QVERIFY(!slot.busy());
  }
};

QTEST_MAIN(WindowKitTest)
#include "window_kit_test.moc"
