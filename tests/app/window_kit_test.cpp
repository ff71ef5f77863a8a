#include "app/window_kit.h"

#include <QtTest>

#include "app/form_rows.h"

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

  void aFormPlacesItsRowsAndNamesItsFieldsAfterTheirCaptions() {
    QWidget form;
    auto* grid = new QGridLayout(&form);
    QLabel* caption = zuruza::NewCaption(&form, "Label1", "Fichero");
    QLineEdit* field = zuruza::NewField(&form, "Edit1", caption, "a.txt");
    QCOMPARE(caption->buddy(), field);
    QCOMPARE(field->accessibleName(), QString("Fichero"));
    QCOMPARE(zuruza::NewCheck(&form, "C", "de mas de ")->accessibleName(), QString("de mas de"));
    auto* browse = zuruza::NewButton(&form, "Button1", "...", "Buscar fichero");
    QCOMPARE(browse->accessibleName(), QString("Buscar fichero"));

    auto* plain = new QLineEdit(&form);
    auto* below = new QPushButton(&form);
    zuruza::FormRows rows(grid, 3);
    rows.Row(caption, field, browse).Row(nullptr, plain).Cells({nullptr, below});
    QCOMPARE(rows.row(), 3);
    struct Place {
      QWidget* control;
      int row, column, column_span;
    };
    for (const Place& place :
         {Place{caption, 0, 0, 1}, Place{field, 0, 1, 1}, Place{browse, 0, 2, 1},
          Place{plain, 1, 0, 3}, Place{below, 2, 1, 1}}) {
      int row = -1, column = -1, row_span = 0, column_span = 0;
      grid->getItemPosition(grid->indexOf(place.control), &row, &column, &row_span, &column_span);
      QCOMPARE(row, place.row);
      QCOMPARE(column, place.column);
      QCOMPARE(column_span, place.column_span);
    }
  }
};

QTEST_MAIN(WindowKitTest)
#include "window_kit_test.moc"
