// The analysis window through the real widgets: a game played in the window opens in it, fills
// in off the event loop, draws the position of the decision chosen with the arrow keys, and
// stops its work when closed early; in a game of two, one player's decisions at a time, only the
// mistakes, the next and previous mistake by key, a click on the chart, and a larger window; a
// whole game that followed every hint, read back from the record on disk, loses nothing at any
// decision, and its luck and losses add up to its total.

#include "ai/analysis.h"
#include "ai/player.h"
#include "ai/wording.h"
#include "app/recorder.h"
#include "forms/analysisform.h"
#include "forms/analysistext.h"
#include "sheet/cells.h"
#include "store/recorddb.h"
#include "store/recordgame.h"
#include "tests/app/opponent.h"

#include "tests/support/recordsql.h"
#include <QAccessible>
#include <QApplication>
#include <QChartView>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineSeries>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScatterSeries>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cmath>
#include <map>
#include <sqlite3.h>

namespace
{
constexpr const char* TITLE = "Wurfwummel - Spielanalyse";

QTableWidget* Decisions(QWidget* window)
{
  return qobject_cast<QTableWidget*>(Named(window, "Entscheidungen"));
}

// A row of the table as the eye reads it: its cells joined by " | ".
QString Row(QTableWidget* table, int row)
{
  QStringList cells;
  for (int c = 0; c < table->columnCount(); ++c)
    cells << (table->item(row, c) ? table->item(row, c)->text() : QString());
  return cells.join(" | ");
}

// What a screen reader hears as a control's name.
QString Spoken(QWidget* widget)
{
  QAccessibleInterface* ia = widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
  return ia ? ia->text(QAccessible::Name) : QString();
}

// The names a screen reader finds among the drawn position's controls.
QStringList PositionNames(QWidget* window)
{
  QStringList names;
  QWidget* position = Named(window, "Stellung der gewählten Entscheidung");
  for (QWidget* child : position ? position->findChildren<QWidget*>() : QList<QWidget*>())
    if (!Spoken(child).isEmpty()) names << Spoken(child);
  return names;
}

// The game's name of a die as the position shows it.
QString DieName(int i, int face, bool held)
{
  return "Würfel " + QString::number(i + 1) + ": " + QString::number(face) +
         (held ? ", gehalten" : "");
}

QString CellName(int row, int column)
{
  return QString::fromStdString(RowLabel(row)) + ", " + ColumnName(column);
}

class AnalysisWindow : public Opponent
{
protected:
  QString Db() const { return DataPath() + "/wurfwummel.db"; }
  // The window's text controls, by accessible name, once its list has filled in; then closes it.
  void ReadWhenFilled(std::map<QString, QString>& texts, QStringList& spoken,
                      std::function<void()> after = {})
  {
    WhenWindow(TITLE, [&, after](QWidget* w) {
      Poll([&, w, after]() {
        QTableWidget* list = Decisions(w);
        if (list && list->rowCount() == 0) return false;
        for (QWidget* child : w->findChildren<QWidget*>())
          if (!child->accessibleName().isEmpty()) texts[child->accessibleName()] = Text(child);
        for (int i = 0; list && i < list->rowCount(); ++i)
          spoken << Row(list, i);
        w->close();
        if (after) QTimer::singleShot(0, qApp, after);
        return true;
      });
    });
  }
  THolds Held(int p)
  {
    THolds held{};
    for (int i = 0; i < DICE; ++i)
      held[size_t(i)] = app_->DiceField[size_t(p)]->Active[size_t(i + 1)] != 0;
    return held;
  }
  // Holds what the player says, throws while it says to, and enters its cell.
  void PlayTurnAs(const TPlayer& player, int p = 0)
  {
    TDicefield& dice = *app_->DiceField[size_t(p)];
    for (int left = MAX_ROLLS - dice.Count; left > 0; left = MAX_ROLLS - dice.Count) {
      const THolds held = Held(p);
      const THolds keep = player.ChooseHolds(SheetOf(*app_, p), app_->SummDices(), held, left);
      if (std::find(keep.begin(), keep.end(), false) == keep.end()) break;
      for (int i = 0; i < DICE; ++i)
        if (keep[size_t(i)] != held[size_t(i)]) Click(dice.Panel[size_t(i + 1)]);
      ASSERT_EQ(Held(p), keep);
      Click(dice.Button);
    }
    const TCellChoice cell = player.ChooseCell(SheetOf(*app_, p), app_->SummDices());
    Click(SheetCell(*app_, p, cell.row, cell.column));
    Click(dice.Fill);
  }
};
} // namespace

TEST_F(AnalysisWindow, OpensForTheGameUnderWayFillsInAndShowsTheChosenDecisionsPosition)
{
  StartApp();
  // Two turns: hold the second die, throw once more, enter the first free cell.
  std::vector<TFaces> second;
  std::vector<THolds> heldThen;
  TSheetState afterFirst;
  for (int turn = 0; turn < 2; ++turn) {
    TDicefield& dice = *app_->DiceField[0];
    Click(dice.Panel[2]);
    Click(dice.Button);
    second.push_back(app_->SummDices());
    heldThen.push_back(Held(0));
    Click(FirstFree(0));
    Click(dice.Fill);
    if (turn == 0) afterFirst = SheetOf(*app_, 0);
  }
  QString balance, row, summary, written;
  QStringList position;
  int lines = -1, state = 0;
  bool closed = false;
  WhenWindow(TITLE, [&](QWidget* w) {
    Poll([&, w]() {
      QTableWidget* list = Decisions(w);
      if (!list) return true;
      if (state == 0) {
        if (list->rowCount() == 0) return false;
        lines = list->rowCount();
        balance = Text(Named(w, "Bilanz von Spieler1"));
        for (int i = 0; i < list->rowCount(); ++i)
          if (Row(list, i).startsWith("2 | vor dem 3. Wurf: ")) row = Row(list, i);
        for (QWidget* child : w->findChildren<QWidget*>())
          if (child->accessibleName() == "Erwarteter Endstand im Lauf des Spiels")
            summary = child->accessibleDescription();
        written = Text(Named(w, "Zusammenfassung"));
        // The first decision is shown; the arrow key goes to the fifth: before the third throw
        // of the second turn, or the decision not to throw it.
        QApplication::setActiveWindow(w);
        list->setFocus();
        for (int i = 0; i < 4; ++i)
          QTest::keyClick(list, Qt::Key_Down);
        state = 1;
        return false;
      }
      position = PositionNames(w);
      if (position.isEmpty() || !position[0].startsWith("Runde 2, vor dem 3. Wurf: ")) return false;
      QWidget* focus = QApplication::focusWidget();
      QTest::keyClick(focus && focus->window() == w ? focus : w, Qt::Key_Escape);
      closed = true;
      return true;
    });
  });
  ChooseMenu("Spielanalyse");
  ASSERT_TRUE(closed) << position.join("\n").toStdString();
  EXPECT_EQ(AnalysisThreads(), 0);
  // Per turn: the holds before the second throw, the decision before the third (not to throw
  // it), the cell. The third turn's dice are thrown, with nothing decided yet.
  EXPECT_EQ(lines, 6);
  EXPECT_TRUE(balance.startsWith("Spieler1\nErwartet zu Beginn: ")) << balance.toStdString();
  EXPECT_TRUE(balance.contains("\nGlück der Würfel: ")) << balance.toStdString();
  EXPECT_TRUE(balance.contains("\nJe Entscheidung: ")) << balance.toStdString();
  EXPECT_TRUE(balance.contains(" (6 Entscheidungen)\n")) << balance.toStdString();
  EXPECT_TRUE(balance.contains("Erwartet jetzt: ")) << balance.toStdString();
  // The round, the decision, the points lost (never below zero) or better than Stark, the class.
  const QStringList cells = row.split(" | ");
  ASSERT_EQ(cells.size(), 4) << row.toStdString();
  EXPECT_TRUE(!cells[2].startsWith("-") &&
              (cells[2].endsWith(" besser als Stark") || !cells[2].contains(' ')))
      << row.toStdString();
  EXPECT_TRUE(cells[3].startsWith("gut") || cells[3].startsWith("ungenau") ||
              cells[3].startsWith("Fehler"))
      << row.toStdString();
  EXPECT_TRUE(summary.startsWith("Erwarteter Endstand im Lauf des Spiels. Spieler1: erwartet zu "
                                 "Beginn "))
      << summary.toStdString();
  // The summary under the chart says the same, and what start, luck and losses leave over.
  EXPECT_TRUE(written.startsWith(summary)) << written.toStdString();
  // The dice of the second turn's second throw, the second die held, as the game named them.
  for (int i = 0; i < DICE; ++i)
    EXPECT_TRUE(position.contains(DieName(i, second[1][size_t(i)], heldThen[1][size_t(i)])))
        << i << position.join("\n").toStdString();
  EXPECT_TRUE(position.contains("Gewählt")) << position.join("\n").toStdString();
  EXPECT_TRUE(position.contains("Stark")) << position.join("\n").toStdString();
  // The sheet as it stood: the first turn's entry, the other cells free.
  for (int r = 0; r < SHEET_ROWS; ++r)
    for (int column = 0; column < SHEET_COLUMNS; ++column) {
      const int points = afterFirst.Cell(r, column);
      const QString state = afterFirst.IsFree(r, column) ? QString("frei")
                            : points == 0                ? "0, eingetragen (gestrichen)"
                                          : QString::number(points) + ", eingetragen";
      EXPECT_TRUE(position.contains(CellName(r, column) + ": " + state))
          << CellName(r, column).toStdString();
    }
}

// A game of two as a player would go through it: Anna follows every hint, Bört enters each
// throw at once in the first free cell of the third column. One player at a time, only the
// mistakes, the next and previous mistake by key, a point of the chart clicked, the position
// read as a screen reader reads it, and a larger window giving the table more room.
TEST_F(AnalysisWindow, ChoosesPlayerMistakesAndChartPointsAndGrowsWithItsWindow)
{
  ASSERT_TRUE(QDir().mkpath(DataPath()));
  ASSERT_TRUE(WriteAll(DataPath() + "/wurfwummel.cfg", "Anna\r\nB\xf6rt\r\n")); // Latin-1
  StartApp();
  const std::unique_ptr<TPlayer> stark = MakePlayer(TLevel::Stark);
  constexpr int ROUNDS = 6;
  std::vector<TFaces> bort; // Bört's dice, each entered as they fell
  for (int round = 0; round < ROUNDS; ++round) {
    PlayTurnAs(*stark, 0);
    if (HasFatalFailure()) return;
    ASSERT_EQ(app_->CurrentPlayer, 1);
    TFaces faces{};
    for (int i = 0; i < DICE; ++i)
      faces[size_t(i)] = app_->DiceField[1]->Dice[size_t(i + 1)];
    bort.push_back(faces);
    Click(SheetCell(*app_, 1, round, 2));
    Click(app_->DiceField[1]->Fill);
  }
  // Round 2's entry: "2er" in the third column, on the sheet with round 1's "1er" there.
  const int entered = RowPoints(0, bort[0]), chosen = RowPoints(1, bort[1]);

  // Refined verdicts come in while the window is open, and change a row's words: each key's
  // result is checked against the table as it stands when the key has been handled, and a
  // decision is known by its round and its words.
  QStringList anna, annaMistakes, bortAll, bortMistakes, position;
  QStringList afterNext, afterSecondNext, afterPrevious; // the row chosen, then the table
  QString chartRow, markRow;
  int tableHeight = 0, grownHeight = 0, markRound = -1;
  bool chartChoseBort = false, checkedAfterChart = true;
  int state = 0;
  auto rows = [](QTableWidget* t) {
    QStringList all;
    for (int i = 0; i < t->rowCount(); ++i)
      all << Row(t, i);
    return all;
  };
  // The chosen row, then every row.
  auto chosenAndRows = [&rows](QTableWidget* t) {
    return QStringList{t->currentRow() >= 0 ? Row(t, t->currentRow()) : QString()} + rows(t);
  };
  auto radio = [](QWidget* w, const QString& name) {
    for (QRadioButton* r : w->findChildren<QRadioButton*>())
      if (r->text() == name) return r;
    return static_cast<QRadioButton*>(nullptr);
  };
  WhenWindow(TITLE, [&](QWidget* w) {
    Poll([&, w]() {
      QTableWidget* list = Decisions(w);
      auto* only = w->findChild<QCheckBox*>();
      if (!list || !only) return true;
      QApplication::setActiveWindow(w);
      switch (state++) {
      case 0: // filled in: Anna's decisions first
        if (list->rowCount() == 0) {
          --state;
          return false;
        }
        anna = rows(list);
        QTest::mouseClick(only, Qt::LeftButton, {}, QPoint(8, only->height() / 2));
        return false;
      case 1:
        annaMistakes = rows(list);
        QTest::mouseClick(radio(w, "Bört"), Qt::LeftButton, {}, QPoint(8, 8));
        return false;
      case 2:
        bortMistakes = rows(list);
        QTest::mouseClick(only, Qt::LeftButton, {}, QPoint(8, only->height() / 2));
        return false;
      case 3: // all of Bört's, the first chosen: the next mistake by key, twice, and back
        bortAll = rows(list);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Home, Qt::ControlModifier); // the first row
        QTest::keyClick(list, Qt::Key_N, Qt::AltModifier);
        return false;
      case 4:
        afterNext = chosenAndRows(list);
        QTest::keyClick(list, Qt::Key_N, Qt::AltModifier);
        return false;
      case 5:
        afterSecondNext = chosenAndRows(list);
        QTest::keyClick(list, Qt::Key_V, Qt::AltModifier);
        return false;
      case 6: { // back to Anna's mistakes, then a click on Bört's line at round 2's entry
        afterPrevious = chosenAndRows(list);
        QTest::mouseClick(radio(w, "Anna"), Qt::LeftButton, {}, QPoint(8, 8));
        QTest::mouseClick(only, Qt::LeftButton, {}, QPoint(8, only->height() / 2));
        auto* view = w->findChild<QChartView*>();
        if (!view) return true;
        auto* line = qobject_cast<QLineSeries*>(view->chart()->series().value(2));
        if (!line || line->count() < 7) return true;
        // The start, then three steps a round: the throw, not throwing again, the entry.
        const QPointF at = view->chart()->mapToPosition(line->at(6), line);
        const QPoint pixel = view->mapFromScene(view->chart()->mapToScene(at));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, pixel);
        return false;
      }
      case 7:
        chartChoseBort = radio(w, "Bört")->isChecked();
        checkedAfterChart = only->isChecked();
        chartRow = list->currentRow() >= 0 ? Row(list, list->currentRow()) : "";
        position = PositionNames(w);
        { // Bört's first mark of his biggest losses
          auto* view = w->findChild<QChartView*>();
          auto* marks = qobject_cast<QScatterSeries*>(view->chart()->series().value(3));
          if (!marks || marks->count() == 0) return true;
          markRound = int(std::ceil(marks->at(0).x()));
          const QPointF at = view->chart()->mapToPosition(marks->at(0), marks);
          QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                            view->mapFromScene(view->chart()->mapToScene(at)));
        }
        return false;
      case 8:
        markRow = list->currentRow() >= 0 ? Row(list, list->currentRow()) : "";
        tableHeight = list->height();
        // As the window system resizes it when the player drags its edge.
        w->windowHandle()->resize(w->width() + 300, w->height() + 200);
        return false;
      default:
        grownHeight = list->height();
        w->close();
        return true;
      }
    });
  });
  ChooseMenu("Spielanalyse");
  // Anna followed Stark: nothing lost, no mistake to show.
  ASSERT_FALSE(anna.isEmpty());
  for (const QString& row : anna)
    EXPECT_TRUE(row.contains(" | 0,0 | gut")) << row.toStdString();
  EXPECT_TRUE(annaMistakes.isEmpty()) << annaMistakes.join("\n").toStdString();
  // Bört: not throwing again and the entry, in each round.
  ASSERT_EQ(bortAll.size(), 2 * ROUNDS) << bortAll.join("\n").toStdString();
  for (int i = 0; i < ROUNDS; ++i) {
    EXPECT_TRUE(bortAll[2 * i].startsWith(QString::number(i + 1) + " | vor dem 2. Wurf: "));
    EXPECT_TRUE(bortAll[2 * i + 1].startsWith(QString::number(i + 1) + " | Eintrag: "));
  }
  auto mistake = [](const QString& row) {
    return row.contains(" | Fehler") || row.contains(" | grober Fehler");
  };
  // A decision by its round and its words.
  auto which = [](const QString& row) { return row.section(" | ", 0, 1); };
  ASSERT_FALSE(bortMistakes.isEmpty());
  for (const QString& row : bortMistakes) {
    EXPECT_TRUE(mistake(row)) << row.toStdString();
    EXPECT_GE(std::count_if(bortAll.begin(), bortAll.end(),
                            [&](const QString& r) { return which(r) == which(row); }),
              1);
  }
  // From the first decision, Alt+N goes to the first mistake after it and again to the next;
  // Alt+V goes back. A key is handled on the table as it stood just before it was pressed or,
  // where a refined verdict came in meanwhile, as it stands when it is read.
  auto mistakeFrom = [&](const QStringList& rows, const QString& from, int step) {
    int i = 0;
    while (i < rows.size() && which(rows[i]) != which(from))
      ++i;
    for (i += step; i >= 0 && i < rows.size(); i += step)
      if (mistake(rows[i])) return which(rows[i]);
    return QString("none");
  };
  auto handled = [&](const QStringList& before, const QStringList& after, const QString& from,
                     int step) {
    const QString chosen = which(after[0]);
    return chosen == mistakeFrom(before, from, step) ||
           chosen == mistakeFrom(after.mid(1), from, step);
  };
  ASSERT_EQ(afterNext.size(), 2 * ROUNDS + 1);
  ASSERT_EQ(afterSecondNext.size(), 2 * ROUNDS + 1);
  ASSERT_EQ(afterPrevious.size(), 2 * ROUNDS + 1);
  EXPECT_TRUE(handled(bortAll, afterNext, bortAll[0], 1)) << afterNext.join("\n").toStdString();
  EXPECT_TRUE(handled(afterNext.mid(1), afterSecondNext, afterNext[0], 1))
      << afterSecondNext.join("\n").toStdString();
  EXPECT_TRUE(handled(afterSecondNext.mid(1), afterPrevious, afterSecondNext[0], -1))
      << afterPrevious.join("\n").toStdString();
  EXPECT_NE(which(afterSecondNext[0]), which(afterNext[0]));
  EXPECT_NE(which(afterNext[0]), "none");
  // The click chose Bört and his second entry; shown even though it may be no mistake.
  EXPECT_TRUE(chartChoseBort);
  EXPECT_TRUE(chartRow.startsWith("2 | Eintrag: 2er, Spalte 3")) << chartRow.toStdString();
  if (!mistake(chartRow)) {
    EXPECT_FALSE(checkedAfterChart); // "Nur Fehler" let go, so that the table shows it
  }
  // A mark of the biggest losses chooses its decision, in its round and no good one.
  EXPECT_TRUE(markRow.startsWith(QString::number(markRound) + " | ")) << markRow.toStdString();
  EXPECT_FALSE(markRow.endsWith(" | gut") || markRow.endsWith(" | gut, nachgespielt"))
      << markRow.toStdString();
  // The position as a screen reader reads it: the place, the dice as they fell, the cell
  // entered in round 1, the cell chosen now, and the sums.
  ASSERT_FALSE(position.isEmpty());
  EXPECT_TRUE(position[0].startsWith("Bört, Runde 2, Eintrag: ")) << position[0].toStdString();
  for (int i = 0; i < DICE; ++i)
    EXPECT_TRUE(position.contains(DieName(i, bort[1][size_t(i)], false))) << i;
  EXPECT_TRUE(position.contains(CellName(0, 2) + ": " +
                                (entered ? QString::number(entered) + ", eingetragen"
                                         : QString("0, eingetragen (gestrichen)"))))
      << position.join("\n").toStdString();
  const QString mine = CellName(1, 2) + ": " + QString::number(chosen) + ", gewählt";
  EXPECT_TRUE(position.contains(mine) || position.contains(mine + ", wie Stark"))
      << position.join("\n").toStdString();
  EXPECT_TRUE(position.contains("Summe Zahlen, Spalte 3 (dreifach): " + QString::number(entered)));
  EXPECT_TRUE(position.contains("Gesamt Spielzettel: " + QString::number(3 * entered)));
  // A larger window gives the table the height it gains.
  EXPECT_EQ(grownHeight, tableHeight + 200);
}

// Closed before the analysis is done: the window goes at once, and its thread stops by itself.
TEST_F(AnalysisWindow, ClosingWhileItWorksStopsTheWork)
{
  StartApp();
  for (int turn = 0; turn < 3; ++turn) {
    Click(FirstFree(0));
    Click(app_->DiceField[0]->Fill);
  }
  int linesAtClose = -1, threadsAtClose = -1;
  WhenWindow(TITLE, [&](QWidget* w) {
    linesAtClose = Decisions(w) ? Decisions(w)->rowCount() : -2;
    threadsAtClose = AnalysisThreads();
    w->close(); // the close box
  });
  ChooseMenu("Spielanalyse");
  EXPECT_EQ(linesAtClose, 0);
  EXPECT_EQ(threadsAtClose, 1);
  WaitForAnalyses();
  EXPECT_EQ(AnalysisThreads(), 0);
  // The game goes on as before.
  EXPECT_EQ(Entered(0), 3);
  Click(FirstFree(0));
  Click(app_->DiceField[0]->Fill);
  EXPECT_EQ(Entered(0), 4);
}

// Fault it guards against: an analysis that does not agree with the hint it stands beside.
TEST_F(AnalysisWindow, AWholeGameFollowingEveryHintLosesNothingAndItsLuckAndLossesMakeItsTotal)
{
  StartApp();
  SetScoreList(99999, "Niemand"); // no high-score dialog at the end
  const std::unique_ptr<TPlayer> stark = MakePlayer(TLevel::Stark);
  for (int turn = 0; turn < SHEET_ROWS * SHEET_COLUMNS; ++turn) {
    PlayTurnAs(*stark);
    if (HasFatalFailure()) return;
  }
  // The end-of-game question came, and a new game began.
  EXPECT_EQ(Entered(0), 0);
  app_->Record->Flush();
  const int64_t total = RecordNumber(
      Db(), "SELECT total FROM players WHERE game = (SELECT id FROM games WHERE state = 1)");
  ASSERT_GT(total, 0);

  // The record read back from the file.
  TRecordProblem problem;
  std::unique_ptr<TRecordDb> db = TRecordDb::Open(Db().toStdString(), 1000, problem);
  ASSERT_NE(db, nullptr);
  const int64_t id = RecordNumber(Db(), "SELECT id FROM games WHERE state = 1");
  std::vector<TAction> actions;
  ASSERT_TRUE(db->LoadActions(id, actions));
  TRecordedGame game;
  ASSERT_TRUE(RecordedGame(actions, game));
  EXPECT_TRUE(game.finished);
  ASSERT_EQ(game.played.players.size(), 1u);
  EXPECT_EQ(game.played.players[0].size(), size_t(SHEET_ROWS * SHEET_COLUMNS));
  const TGameReview review = TGameAnalyser().Analyse(game.played);
  ASSERT_EQ(review.status, TAnalysisStatus::Done) << review.problem;
  const TPlayerReview& player = review.players[0];
  for (const TDecisionReview& d : player.decisions)
    EXPECT_LT(d.lost, 1e-9) << d.turn << " " << d.doneWords << " / " << d.bestWords;
  EXPECT_EQ(player.verdicts[size_t(TVerdict::Good)], int(player.decisions.size()));
  EXPECT_EQ(player.total, total);
  EXPECT_NEAR(player.start + player.luck - player.lost + player.remainder, double(total), 1e-6);

  // After a restart, with nothing decided in the new game yet, the window shows the last game
  // finished, from the record.
  db.reset();
  Restart();
  QString balance;
  bool barSeen = false;
  int64_t took = 0;
  int sideways = -1;
  QStringList cut;
  QElapsedTimer clock;
  WhenWindow(TITLE, [&](QWidget* w) {
    clock.start();
    Poll([&, w]() {
      for (QProgressBar* bar : w->findChildren<QProgressBar*>())
        barSeen = barSeen || bar->isVisible();
      QTableWidget* list = Decisions(w);
      if (list && list->rowCount() == 0) return false;
      took = clock.elapsed();
      balance = Text(Named(w, "Bilanz von Spieler1"));
      // At the window's first size, every cell of all 63 rounds shows whole, without scrolling
      // sideways. Once the lines were cut off on the right, hiding Stark's choice.
      QApplication::processEvents();
      sideways = list ? list->horizontalScrollBar()->maximum() : -1;
      for (int r = 0; list && r < list->rowCount(); ++r)
        for (int c = 0; c < list->columnCount(); ++c)
          if (list->fontMetrics().horizontalAdvance(list->item(r, c)->text()) >
              list->columnWidth(c))
            cut << list->item(r, c)->text();
      w->close();
      return true;
    });
  });
  ChooseMenu("Spielanalyse");
  EXPECT_TRUE(balance.contains("\nVerlorene Punkte: 0,0\nJe Entscheidung: 0,00 (" +
                               QString::number(player.decisions.size()) + " Entscheidungen)"))
      << balance.toStdString();
  EXPECT_TRUE(balance.contains("\nEndstand: " + QString::number(total) + "\n"))
      << balance.toStdString();
  EXPECT_TRUE(balance.endsWith("gut " + QString::number(player.decisions.size()) +
                               ", ungenau 0, Fehler 0, grober Fehler 0"))
      << balance.toStdString();
  EXPECT_EQ(sideways, 0);
  EXPECT_TRUE(cut.isEmpty()) << cut.join("\n").toStdString();
  // Work that takes longer than half a second shows its progress.
  if (took > ANALYSIS_PROGRESS_MS + 200) {
    EXPECT_TRUE(barSeen) << took;
  }
}

// The statistics window opens any finished game: two people side by side, one who followed every
// hint and one who always entered the first free cell, which costs a great deal.
TEST_F(AnalysisWindow, TheStatisticsOpenAFinishedGameOfTwoSideBySide)
{
  ASSERT_TRUE(QDir().mkpath(DataPath()));
  ASSERT_TRUE(WriteAll(DataPath() + "/wurfwummel.cfg", "Anna\r\nB\xf6rt\r\n")); // Latin-1
  StartApp();
  SetScoreList(99999, "Niemand");
  const std::unique_ptr<TPlayer> stark = MakePlayer(TLevel::Stark);
  for (int turn = 0; turn < SHEET_ROWS * SHEET_COLUMNS; ++turn) {
    PlayTurnAs(*stark, 0);
    if (HasFatalFailure()) return;
    ASSERT_EQ(app_->CurrentPlayer, 1);
    Click(FirstFree(1));
    Click(app_->DiceField[1]->Fill);
  }
  EXPECT_EQ(Entered(1), 0); // a new game began

  std::map<QString, QString> texts;
  QStringList spoken, games;
  bool handedBack = false;
  WhenWindow("Wurfwummel - Statistik", [&](QWidget* w) {
    // The table of finished games: when each ended, and its seats' totals.
    auto* list = qobject_cast<QTableView*>(Named(w, "Beendete Spiele"));
    for (int i = 0; list && i < list->model()->rowCount(); ++i)
      games << list->model()->index(i, 1).data().toString() + ": " +
                   list->model()->index(i, 3).data().toString();
    // The statistics close after the analysis, with Escape: closed, the analysis hands the
    // keyboard back to them. Once it went to the main window, blocked behind them.
    ReadWhenFilled(texts, spoken, [w, &handedBack]() {
      auto looks = std::make_shared<int>(0);
      Poll([w, &handedBack, looks]() {
        for (QWidget* top : QApplication::topLevelWidgets())
          if (top->isVisible() && top->windowTitle() == TITLE) return false; // not gone yet
        QWidget* focus = QApplication::focusWidget();
        handedBack = QApplication::activeWindow() == w && focus && focus->window() == w;
        if (!handedBack && ++*looks < 50) return false; // the window system may take a moment
        if (handedBack)
          QTest::keyClick(focus, Qt::Key_Escape);
        else
          w->close();
        return true;
      });
    });
    for (QPushButton* button : w->findChildren<QPushButton*>())
      if (button->text() == "Spielanalyse") button->click();
  });
  ChooseMenu("Statistik");
  EXPECT_TRUE(handedBack);
  ASSERT_EQ(games.size(), 1);
  EXPECT_TRUE(games[0].contains(": Anna ")) << games[0].toStdString();
  const QString anna = texts["Bilanz von Anna"], bort = texts["Bilanz von Bört"];
  EXPECT_TRUE(anna.contains("\nVerlorene Punkte: 0,0\nJe Entscheidung: 0,00 ("))
      << anna.toStdString();
  // 63 entries, each of them a cell chosen without looking: hundreds of points.
  // Always a number of points lost, never below zero.
  const int at = bort.indexOf("Verlorene Punkte: ");
  ASSERT_GE(at, 0) << bort.toStdString();
  const double lost =
      bort.mid(at + 18, bort.indexOf('\n', at) - at - 18).replace(',', '.').toDouble();
  EXPECT_GT(lost, 500) << bort.toStdString();
  EXPECT_FALSE(bort.contains("grober Fehler 0")) << bort.toStdString();
  // The table shows the first player's decisions, round by round: all of Anna's 63 entries.
  ASSERT_FALSE(spoken.isEmpty());
  EXPECT_TRUE(spoken.front().startsWith("1 | ")) << spoken.front().toStdString();
  EXPECT_TRUE(spoken.back().startsWith("63 | Eintrag: ")) << spoken.back().toStdString();
  // A choice that the worths rate above Stark's own is said to be so, and is no fault.
  for (const QString& line : spoken)
    EXPECT_TRUE(line.endsWith(" | gut") || line.endsWith(" | gut, nachgespielt"))
        << line.toStdString();
}

// The record's actions as the analysis reads them: the last hold before a throw is the one that
// applied, a throw repeated with the same number corrects it, and the computer's seat is a
// player like any other.
TEST(RecordedGame, HoldsBeforeEachThrowCorrectionsAndTheComputersSeat)
{
  auto action = [](TActionKind kind, int seat) {
    TAction a;
    a.kind = kind;
    a.seat = seat;
    return a;
  };
  std::vector<TAction> actions;
  TAction players = action(TActionKind::Players, 0);
  players.players = {{"Anna", false, ""}, {"Computer", true, "leicht"}};
  actions.push_back(players);
  auto thrown = [&](int seat, int roll, TFaces faces) {
    TAction a = action(TActionKind::Throw, seat);
    a.roll = roll;
    a.faces = faces;
    actions.push_back(a);
  };
  auto held = [&](int seat, THoldMask holds) {
    TAction a = action(TActionKind::Hold, seat);
    a.holds = holds;
    actions.push_back(a);
  };
  auto entered = [&](int seat, int row, int column, const TFaces& faces) {
    TAction a = action(TActionKind::Entry, seat);
    a.row = row;
    a.column = column;
    a.points = RowPoints(row, faces);
    actions.push_back(a);
  };
  thrown(0, 0, {6, 6, 1, 2, 3, 4});
  thrown(1, 0, {5, 5, 5, 1, 2, 3});
  held(0, {true, false, false, false, false, false});
  held(0, {true, true, false, false, false, false});
  thrown(0, 1, {6, 6, 1, 1, 1, 1});
  thrown(0, 1, {6, 6, 6, 5, 2, 1}); // a correction: these faces count
  entered(0, 5, 2, {6, 6, 6, 5, 2, 1});
  thrown(0, 0, {1, 2, 3, 4, 5, 6});
  held(1, {true, true, true, false, false, false});
  thrown(1, 1, {5, 5, 5, 5, 2, 3});
  held(1, {true, true, true, true, false, false});
  thrown(1, 2, {5, 5, 5, 5, 5, 3});
  entered(1, 4, 0, {5, 5, 5, 5, 5, 3});
  thrown(1, 0, {2, 2, 2, 2, 2, 2}); // a seat's dice are thrown for its next turn at its entry
  TRecordedGame game;
  ASSERT_TRUE(RecordedGame(actions, game));
  EXPECT_FALSE(game.finished);
  ASSERT_EQ(game.players.size(), 2u);
  EXPECT_EQ(SeatName(game.players[1]), "Computer (Leicht)");
  ASSERT_EQ(game.played.players.size(), 2u);
  const std::vector<TPlayedTurn>& anna = game.played.players[0];
  ASSERT_EQ(anna.size(), 2u);
  ASSERT_EQ(anna[0].throws.size(), 2u);
  EXPECT_EQ(anna[0].throws[0].holds, THolds{});
  EXPECT_EQ(anna[0].throws[1].holds, (THolds{true, true, false, false, false, false}));
  EXPECT_EQ(anna[0].throws[1].faces, (TFaces{6, 6, 6, 5, 2, 1}));
  EXPECT_EQ(anna[0].row, 5);
  EXPECT_EQ(anna[0].column, 2);
  EXPECT_EQ(anna[0].points, 18);
  // The next turn's first throw, nothing decided in it yet.
  EXPECT_EQ(anna[1].row, -1);
  EXPECT_EQ(anna[1].throws.size(), 1u);
  const std::vector<TPlayedTurn>& computer = game.played.players[1];
  ASSERT_EQ(computer.size(), 2u);
  ASSERT_EQ(computer[0].throws.size(), 3u);
  EXPECT_EQ(computer[0].throws[2].holds, (THolds{true, true, true, true, false, false}));
  EXPECT_EQ(computer[0].points, 25);

  const TGameReview review = TGameAnalyser().Analyse(game.played);
  ASSERT_EQ(review.status, TAnalysisStatus::Done) << review.problem;
  ASSERT_EQ(review.players.size(), 2u);
  // Anna: holds before the second throw, not throwing a third time, the cell; the computer:
  // holds before the second and before the third throw, the cell.
  EXPECT_EQ(review.players[0].decisions.size(), 3u);
  EXPECT_EQ(review.players[1].decisions.size(), 3u);
  EXPECT_EQ(review.players[1].throws.size(), 4u); // and the next turn's first

  // A throw after the last one cannot be true: nothing of the record is analysed.
  TAction fourth = action(TActionKind::Throw, 0);
  fourth.roll = 3;
  actions.push_back(fourth);
  EXPECT_FALSE(RecordedGame(actions, game));
}
