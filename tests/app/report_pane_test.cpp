#include "app/report_pane.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <string>
#include <vector>

#include "app/report_pane_accessible.h"

namespace {

using zuruza::ReportPane;

QFont PaneFont() {
  QFont font("Courier New");
  font.setPointSize(8);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  return font;
}

void Append(ReportPane& pane, std::vector<std::string> lines) { pane.AppendLines(lines); }

// The text changes a screen reader was told of, as "+offset:text" and "-offset:text".
QStringList announced;
void RecordTextChange(QAccessibleEvent* event) {
  if (event->type() == QAccessible::TextInserted) {
    const auto* insert = static_cast<QAccessibleTextInsertEvent*>(event);
    announced << QString("+%1:%2").arg(insert->changePosition()).arg(insert->textInserted());
  } else if (event->type() == QAccessible::TextRemoved) {
    const auto* remove = static_cast<QAccessibleTextRemoveEvent*>(event);
    announced << QString("-%1:%2").arg(remove->changePosition()).arg(remove->textRemoved());
  }
}

// Types text the way a keyboard with that character on a key would.
void Type(ReportPane& pane, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
  QApplication::sendEvent(&pane, &press);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
  QApplication::sendEvent(&pane, &release);
}

// A viewport point at the middle height of a visible line, over the last
// pixels of the character `next` that follows `before` (the pane's couple of
// pixels of left margin are counted), so a click puts the caret after `next`.
QPoint PointAt(const ReportPane& pane, std::size_t line, const QString& before, QChar next) {
  const QFontMetrics metrics(pane.font());
  const auto row = static_cast<int>(line) - pane.verticalScrollBar()->value();
  const int x = metrics.horizontalAdvance(before + next) + 1;
  return {x, row * metrics.lineSpacing() + metrics.lineSpacing() / 2};
}

}  // namespace

class ReportPaneTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { QGuiApplication::clipboard()->clear(); }

  void appendedBatchesAreCountedWithEmptyLinesKept() {
    ReportPane pane;
    QCOMPARE(pane.LineCount(), std::size_t{0});
    std::vector<std::string> batch{"uno", ""};
    pane.AppendLines(batch);
    QVERIFY(batch.empty());
    Append(pane, {"", "dos"});
    Append(pane, {});
    QCOMPARE(pane.LineCount(), std::size_t{4});
    QCOMPARE(pane.Line(0), std::string("uno"));
    QCOMPARE(pane.Line(1), std::string());
    QCOMPARE(pane.Line(2), std::string());
    QCOMPARE(pane.Line(3), std::string("dos"));
    pane.Clear();
    QCOMPARE(pane.LineCount(), std::size_t{0});
    QCOMPARE(pane.Text("\n"), std::string());
  }

  void textJoinsLinesWithTheSeparatorAndNoneAfterTheLast() {
    ReportPane pane;
    QCOMPARE(pane.Text("\r\n"), std::string());
    Append(pane, {"a", "", "b"});
    QCOMPARE(pane.Text("\r\n"), std::string("a\r\n\r\nb"));
    Append(pane, {""});
    QCOMPARE(pane.Text("\r\n"), std::string("a\r\n\r\nb\r\n"));
  }

  void bytesThatAreNotUtf8SurviveDisplayAndEditing() {
    ReportPane pane;
    pane.resize(300, 200);
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    const std::string latin1 = "caf\xE9 \xFF\xFE/\xC3\xA9\xE2\x82";
    const std::string bom = "\xEF\xBB\xBFx\x80y";  // a byte order mark first
    Append(pane, {latin1, bom});
    pane.viewport()->repaint();
    QCOMPARE(pane.Line(0), latin1);
    QCOMPARE(pane.Line(1), bom);

    pane.SetCaret(0, latin1.size());
    QTest::keyClicks(&pane, "!");
    QCOMPARE(pane.Line(0), latin1 + "!");
    QTest::keyClick(&pane, Qt::Key_Backspace);
    QTest::keyClick(&pane, Qt::Key_Backspace);  // one stray byte, not a character's worth
    QCOMPARE(pane.Line(0), latin1.substr(0, latin1.size() - 1));
    pane.SetCaret(0, 3);
    QTest::keyClick(&pane, Qt::Key_Delete);  // the lone 0xE9
    QCOMPARE(pane.Line(0), "caf" + latin1.substr(4, latin1.size() - 5));
    QCOMPARE(pane.Line(1), bom);

    pane.SelectAll();
    QCOMPARE(pane.SelectedText(), pane.Line(0) + "\n" + bom);
  }

  void selectAllSelectsEverythingAndTakesFocus() {
    QWidget window;
    auto* pane = new ReportPane(&window);
    auto* other = new QWidget(&window);
    other->setFocusPolicy(Qt::StrongFocus);
    window.resize(300, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    QVERIFY(!pane->HasSelection());
    QCOMPARE(pane->SelectedText(), std::string());

    Append(*pane, {"uno", "", "tres"});
    pane->SelectAll();
    QVERIFY(pane->HasSelection());
    QVERIFY(pane->hasFocus());
    QCOMPARE(pane->SelectedText(), std::string("uno\n\ntres"));
    QCOMPARE(pane->CaretLine(), std::size_t{2});
    QCOMPARE(pane->CaretColumn(), std::size_t{4});

    pane->SetCaret(0, 0);
    QVERIFY(!pane->HasSelection());
    QTest::keyClick(pane, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(pane->SelectedText(), std::string("uno\n\ntres"));
  }

  void copyPutsTheSelectionOnTheClipboardAndNothingWithoutOne() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    ReportPane pane;
    Append(pane, {"ruta/a\xC3\xB1o", "otra"});
    clipboard->setText("antes");
    pane.Copy();
    QCOMPARE(clipboard->text(), QString("antes"));

    pane.SelectAll();
    pane.Copy();
    QCOMPARE(clipboard->text(), QString::fromUtf8("ruta/a\xC3\xB1o\notra"));

    pane.SetCaret(1, 0);
    QTest::keyClick(&pane, Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClick(&pane, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), QString("otra"));
  }

  void setCaretClampsToTheTextAndToCharacterBoundaries() {
    ReportPane pane;
    pane.SetCaret(5, 5);
    QCOMPARE(pane.CaretLine(), std::size_t{0});
    QCOMPARE(pane.CaretColumn(), std::size_t{0});

    Append(pane, {"abc", "\xC3\xA9x"});
    pane.SetCaret(99, 99);
    QCOMPARE(pane.CaretLine(), std::size_t{1});
    QCOMPARE(pane.CaretColumn(), std::size_t{3});
    pane.SetCaret(1, 1);  // inside the two bytes of 'é'
    QCOMPARE(pane.CaretColumn(), std::size_t{0});
    pane.SetCaret(0, 2);
    QCOMPARE(pane.CaretLine(), std::size_t{0});
    QCOMPARE(pane.CaretColumn(), std::size_t{2});

    pane.SelectAll();
    pane.SetCaret(0, 1);
    QVERIFY(!pane.HasSelection());
  }

  void typingBackspaceAndEnterEditTheText() {
    ReportPane pane;
    pane.resize(300, 200);
    QTest::keyClicks(&pane, "hola");  // an empty pane gets its first line
    QCOMPARE(pane.LineCount(), std::size_t{1});
    QCOMPARE(pane.Line(0), std::string("hola"));

    QTest::keyClicks(&pane, " mundo");
    QCOMPARE(pane.Line(0), std::string("hola mundo"));
    for (int i = 0; i < 5; ++i) QTest::keyClick(&pane, Qt::Key_Backspace);
    QCOMPARE(pane.Line(0), std::string("hola "));

    QTest::keyClick(&pane, Qt::Key_Left);
    QTest::keyClick(&pane, Qt::Key_Return);
    QCOMPARE(pane.LineCount(), std::size_t{2});
    QCOMPARE(pane.Line(0), std::string("hola"));
    QCOMPARE(pane.Line(1), std::string(" "));
    QCOMPARE(pane.CaretLine(), std::size_t{1});
    QCOMPARE(pane.CaretColumn(), std::size_t{0});

    Type(pane, QString::fromUtf8("\xC3\xB1"));  // ñ
    QCOMPARE(pane.Line(1), std::string("\xC3\xB1 "));
    QCOMPARE(pane.CaretColumn(), std::size_t{2});
    QTest::keyClick(&pane, Qt::Key_Backspace);  // the whole character
    QCOMPARE(pane.Line(1), std::string(" "));
    QTest::keyClick(&pane, Qt::Key_Backspace);  // joins with the line above
    QCOMPARE(pane.LineCount(), std::size_t{1});
    QCOMPARE(pane.Line(0), std::string("hola "));
    QCOMPARE(pane.CaretColumn(), std::size_t{4});

    QTest::keyClick(&pane, Qt::Key_Home, Qt::ShiftModifier);
    QCOMPARE(pane.SelectedText(), std::string("hola"));
    Type(pane, QString::fromUtf8("adi\xC3\xB3s"));  // typed text replaces the selection
    QCOMPARE(pane.Line(0), std::string("adi\xC3\xB3s "));
    QVERIFY(!pane.HasSelection());

    QTest::keyClick(&pane, Qt::Key_Home);
    QTest::keyClick(&pane, Qt::Key_Delete);
    QCOMPARE(pane.Line(0), std::string("di\xC3\xB3s "));
    QTest::keyClick(&pane, Qt::Key_O, Qt::AltModifier);  // a menu's key, not text
    QCOMPARE(pane.Line(0), std::string("di\xC3\xB3s "));
    QTest::keyClick(&pane, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&pane, Qt::Key_Delete);
    QCOMPARE(pane.LineCount(), std::size_t{1});
    QCOMPARE(pane.Line(0), std::string());
  }

  void keysMoveTheCaretAndExtendTheSelectionWithShift() {
    ReportPane pane;
    pane.resize(300, 200);
    Append(pane, {"abcdef", "ab", "abcdefgh"});
    pane.SetCaret(0, 4);
    QTest::keyClick(&pane, Qt::Key_Down);  // a short line keeps the wanted column for later
    QCOMPARE(pane.CaretLine(), std::size_t{1});
    QCOMPARE(pane.CaretColumn(), std::size_t{2});
    QTest::keyClick(&pane, Qt::Key_Down);
    QCOMPARE(pane.CaretLine(), std::size_t{2});
    QCOMPARE(pane.CaretColumn(), std::size_t{4});

    QTest::keyClick(&pane, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(&pane, Qt::Key_Up, Qt::ShiftModifier);
    QCOMPARE(pane.SelectedText(), std::string("\nabcd"));  // "ab" is shorter: its end
    QTest::keyClick(&pane, Qt::Key_Right);                 // collapses to the selection's end
    QVERIFY(!pane.HasSelection());
    QCOMPARE(pane.CaretLine(), std::size_t{2});
    QCOMPARE(pane.CaretColumn(), std::size_t{4});

    QTest::keyClick(&pane, Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(pane.SelectedText(), std::string("abcdef\nab\nabcd"));
    QTest::keyClick(&pane, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(pane.CaretLine(), std::size_t{2});
    QCOMPARE(pane.CaretColumn(), std::size_t{8});
    QTest::keyClick(&pane, Qt::Key_Right);  // stays at the very end
    QCOMPARE(pane.CaretColumn(), std::size_t{8});
    QTest::keyClick(&pane, Qt::Key_PageUp);
    QCOMPARE(pane.CaretLine(), std::size_t{0});
    QTest::keyClick(&pane, Qt::Key_PageDown, Qt::ShiftModifier);
    QCOMPARE(pane.CaretLine(), std::size_t{2});
    QVERIFY(pane.HasSelection());
  }

  void pasteSplitsLinesAndCutRemovesTheSelection() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    ReportPane pane;
    Append(pane, {"ABCD"});
    pane.SetCaret(0, 2);
    clipboard->setText("uno\r\ndos\ntres");
    QTest::keyClick(&pane, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(pane.Text("|"), std::string("ABuno|dos|tresCD"));
    QCOMPARE(pane.CaretLine(), std::size_t{2});
    QCOMPARE(pane.CaretColumn(), std::size_t{4});

    pane.SetCaret(0, 2);
    QTest::keyClick(&pane, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&pane, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), QString("uno\ndo"));
    QCOMPARE(pane.Text("|"), std::string("ABs|tresCD"));

    clipboard->setText("antes");
    QTest::keyClick(&pane, Qt::Key_X, Qt::ControlModifier);  // no selection: nothing cut
    QCOMPARE(clipboard->text(), QString("antes"));
    QCOMPARE(pane.Text("|"), std::string("ABs|tresCD"));
  }

  void mouseClickPlacesTheCaretAndShiftClickOrDragSelects() {
    ReportPane pane;
    pane.setFont(PaneFont());
    pane.resize(300, 200);
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    Append(pane, {"abc", "defg"});
    QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, PointAt(pane, 0, "a", 'b'));
    QCOMPARE(pane.CaretLine(), std::size_t{0});
    QCOMPARE(pane.CaretColumn(), std::size_t{2});
    QTest::mouseClick(pane.viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      PointAt(pane, 1, "de", 'f'));
    QCOMPARE(pane.SelectedText(), std::string("c\ndef"));

    QTest::mousePress(pane.viewport(), Qt::LeftButton, {}, PointAt(pane, 1, "", 'd'));
    QTest::mouseMove(pane.viewport(), PointAt(pane, 0, "ab", 'c'));
    QTest::mouseRelease(pane.viewport(), Qt::LeftButton, {}, PointAt(pane, 0, "ab", 'c'));
    QCOMPARE(pane.SelectedText(), std::string("\nd"));
    QCOMPARE(pane.CaretLine(), std::size_t{0});

    QCOMPARE(pane.LineAt(QPoint(5, 10000)), std::size_t{1});
    QCOMPARE(pane.LineAt(QPoint(5, -50)), std::size_t{0});
  }

  void doubleClickSelectsTheWordAndReportsItsLine() {
    ReportPane pane;
    pane.setFont(PaneFont());
    pane.resize(400, 300);
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    std::vector<std::string> lines;
    for (int i = 0; i < 100; ++i) lines.push_back("alfa beta" + std::to_string(i) + " gamma");
    pane.AppendLines(lines);
    pane.verticalScrollBar()->setValue(0);
    QSignalSpy spy(&pane, &ReportPane::LineDoubleClicked);

    const QPoint point = PointAt(pane, 3, "alfa b", 'e');
    QCOMPARE(pane.LineAt(point), std::size_t{3});
    QTest::mouseDClick(pane.viewport(), Qt::LeftButton, {}, point);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<std::size_t>(), std::size_t{3});
    QCOMPARE(pane.CaretLine(), std::size_t{3});
    QCOMPARE(pane.SelectedText(), std::string("beta3"));

    pane.verticalScrollBar()->setValue(40);  // rows count from the first line shown
    QTest::mouseDClick(pane.viewport(), Qt::LeftButton, {}, PointAt(pane, 42, "alf", 'a'));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).value<std::size_t>(), std::size_t{42});
    QCOMPARE(pane.CaretLine(), std::size_t{42});
    QCOMPARE(pane.SelectedText(), std::string("alfa"));
  }

  void aScreenReaderReadsLinesCaretAndSelection() {
    ReportPane pane;
    Append(pane, {"uno", "d\xC3\xB3s", "tres"});
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&pane);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::EditableText);
    QAccessibleTextInterface* text = accessible->textInterface();
    QVERIFY(text);
    QCOMPARE(text->characterCount(), 12);
    QCOMPARE(text->text(0, 12), QString::fromUtf8("uno\nd\xC3\xB3s\ntres"));
    QCOMPARE(text->text(2, 5), QString("o\nd"));

    int start = -1;
    int end = -1;
    QCOMPARE(text->textAtOffset(6, QAccessible::LineBoundary, &start, &end),
             QString::fromUtf8("d\xC3\xB3s\n"));
    QCOMPARE((QList<int>{start, end}), (QList<int>{4, 8}));
    QCOMPARE(text->textAfterOffset(6, QAccessible::LineBoundary, &start, &end), QString("tres"));
    QCOMPARE((QList<int>{start, end}), (QList<int>{8, 12}));
    QCOMPARE(text->textBeforeOffset(6, QAccessible::LineBoundary, &start, &end), QString("uno\n"));
    QCOMPARE(text->textAtOffset(10, QAccessible::WordBoundary, &start, &end), QString("tres"));
    QCOMPARE((QList<int>{start, end}), (QList<int>{8, 12}));
    // At the end of the text no item starts; the one before it is readable.
    QCOMPARE(text->textAtOffset(12, QAccessible::WordBoundary, &start, &end), QString());
    QCOMPARE((QList<int>{start, end}), (QList<int>{12, 12}));
    QCOMPARE(text->textBeforeOffset(-1, QAccessible::CharBoundary, &start, &end), QString("s"));

    pane.SetCaret(1, 3);  // after the two bytes of the accented letter
    QCOMPARE(text->cursorPosition(), 6);
    text->setCursorPosition(9);
    QCOMPARE(pane.CaretLine(), std::size_t{2});
    QCOMPARE(pane.CaretColumn(), std::size_t{1});
    text->setSelection(0, 1, 6);
    QCOMPARE(pane.SelectedText(), std::string("no\nd\xC3\xB3"));
    text->selection(0, &start, &end);
    QCOMPARE((QList<int>{start, end}), (QList<int>{1, 6}));
    QCOMPARE(text->selectionCount(), 1);
  }

  void editsAndAppendedLinesAreAnnouncedWhereTheyHappen() {
    ReportPane pane;
    zuruza::SetAnnouncementListenerForTesting(RecordTextChange);
    announced.clear();
    Append(pane, {"", "uno"});
    QCOMPARE(announced, (QStringList{"+0:\nuno"}));
    pane.Clear();
    Append(pane, {"uno", "dos"});
    announced.clear();
    Append(pane, {"tres"});
    pane.SetCaret(1, 0);
    Type(pane, "X");
    QTest::keyClick(&pane, Qt::Key_Backspace);
    QTest::keyClick(&pane, Qt::Key_Backspace);  // joins the line to the one before
    pane.Clear();
    zuruza::SetAnnouncementListenerForTesting(nullptr);
    QCOMPARE(announced, (QStringList{"+7:\ntres", "+4:X", "-4:X", "-3:\n", "-0:unodos\ntres"}));
  }

  void threeHundredThousandLinesInBatchesAreAllKept() {
    ReportPane pane;
    pane.setFont(PaneFont());
    pane.resize(400, 300);
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    std::vector<std::string> batch;
    for (int first = 0; first < 300000; first += 1000) {
      for (int i = first; i < first + 1000; ++i) {
        batch.push_back("/datos/carpeta/fichero_" + std::to_string(i) + ".txt");
      }
      pane.AppendLines(batch);
      QVERIFY(batch.empty());
      if (first % 50000 == 0) QCoreApplication::processEvents();
    }
    QCOMPARE(pane.LineCount(), std::size_t{300000});
    QCOMPARE(pane.Line(0), std::string("/datos/carpeta/fichero_0.txt"));
    QCOMPARE(pane.Line(299999), std::string("/datos/carpeta/fichero_299999.txt"));
    // The view followed the end as lines arrived.
    QScrollBar* vertical = pane.verticalScrollBar();
    QVERIFY(vertical->maximum() > 299000);
    QCOMPARE(vertical->value(), vertical->maximum());
    pane.viewport()->repaint();

    QTest::keyClick(&pane, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(pane.CaretLine(), std::size_t{299999});
    pane.Clear();
    QCOMPARE(pane.LineCount(), std::size_t{0});
    QCOMPARE(vertical->maximum(), 0);
  }
};

QTEST_MAIN(ReportPaneTest)
#include "report_pane_test.moc"
