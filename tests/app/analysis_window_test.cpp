// The analysis window through the real widgets: a game played in the window opens in it, fills
// in off the event loop, shows the position of the decision chosen with the arrow keys, and
// stops its work when closed early; a whole game that followed every hint, read back from the
// record on disk, loses nothing at any decision, and its luck and losses add up to its total.

#include "ai/analysis.h"
#include "ai/player.h"
#include "ai/wording.h"
#include "app/recorder.h"
#include "forms/analysisform.h"
#include "forms/analysistext.h"
#include "store/recorddb.h"
#include "store/recordgame.h"
#include "tests/app/opponent.h"

#include "tests/support/recordsql.h"
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <map>
#include <sqlite3.h>

namespace
{
constexpr const char* TITLE = "Wurfwummel - Spielanalyse";

QListWidget* Decisions(QWidget* window)
{
  return qobject_cast<QListWidget*>(Named(window, "Entscheidungen"));
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
        QListWidget* list = Decisions(w);
        if (list && list->count() == 0) return false;
        for (QWidget* child : w->findChildren<QWidget*>())
          if (!child->accessibleName().isEmpty()) texts[child->accessibleName()] = Text(child);
        QAccessibleInterface* ia = list ? QAccessible::queryAccessibleInterface(list) : nullptr;
        for (int i = 0; ia && i < ia->childCount(); ++i)
          spoken << ia->child(i)->text(QAccessible::Name);
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
  QString balance, spoken, position, summary;
  int lines = -1, state = 0;
  bool closed = false;
  WhenWindow(TITLE, [&](QWidget* w) {
    Poll([&, w]() {
      QListWidget* list = Decisions(w);
      if (!list) return true;
      if (state == 0) {
        if (list->count() == 0) return false;
        lines = list->count();
        balance = Text(Named(w, "Bilanz von Spieler1"));
        QAccessibleInterface* ia = QAccessible::queryAccessibleInterface(list);
        for (int i = 0; ia && i < ia->childCount(); ++i)
          if (ia->child(i) &&
              ia->child(i)->text(QAccessible::Name).startsWith("Runde 2, vor dem 3"))
            spoken = ia->child(i)->text(QAccessible::Name);
        for (QWidget* child : w->findChildren<QWidget*>())
          if (child->accessibleName() == "Erwarteter Endstand im Lauf des Spiels")
            summary = child->accessibleDescription();
        // The first decision is shown; the arrow key goes to the fifth: before the third throw
        // of the second turn, or the decision not to throw it.
        QApplication::setActiveWindow(w);
        list->setFocus();
        for (int i = 0; i < 4; ++i)
          QTest::keyClick(list, Qt::Key_Down);
        state = 1;
        return false;
      }
      position = Text(Named(w, "Stellung der gewählten Entscheidung"));
      if (!position.startsWith("Runde 2, vor dem 3. Wurf")) return false;
      QWidget* focus = QApplication::focusWidget();
      QTest::keyClick(focus && focus->window() == w ? focus : w, Qt::Key_Escape);
      closed = true;
      return true;
    });
  });
  ChooseMenu("Spielanalyse");
  ASSERT_TRUE(closed) << position.toStdString();
  EXPECT_EQ(AnalysisThreads(), 0);
  // Per turn: the holds before the second throw, the decision before the third (not to throw
  // it), the cell. The third turn's dice are thrown, with nothing decided yet.
  EXPECT_EQ(lines, 6);
  EXPECT_TRUE(balance.startsWith("Spieler1\nErwartet zu Beginn: ")) << balance.toStdString();
  EXPECT_TRUE(balance.contains("\nGlück der Würfel: ")) << balance.toStdString();
  EXPECT_TRUE(balance.contains("\nJe Entscheidung: ")) << balance.toStdString();
  EXPECT_TRUE(balance.contains(" (6 Entscheidungen)\n")) << balance.toStdString();
  EXPECT_TRUE(balance.contains("Erwartet jetzt: ")) << balance.toStdString();
  EXPECT_TRUE(spoken.contains(" Punkte verloren, ")) << spoken.toStdString();
  EXPECT_TRUE(spoken.endsWith("gut") || spoken.endsWith("ungenau") || spoken.endsWith("Fehler"))
      << spoken.toStdString();
  EXPECT_TRUE(summary.startsWith("Erwarteter Endstand im Lauf des Spiels. Spieler1: erwartet zu "
                                 "Beginn "))
      << summary.toStdString();
  // The dice of the second turn's second throw, the second die held, as the game showed them.
  QString dice = "Würfel:";
  for (int i = 0; i < DICE; ++i) {
    const QString face = QString::number(second[1][size_t(i)]);
    dice += heldThen[1][size_t(i)] ? " [" + face + "]" : "  " + face + " ";
  }
  EXPECT_TRUE(position.contains("\n" + dice + "\n")) << position.toStdString();
  EXPECT_TRUE(position.contains("\nGewählt: ")) << position.toStdString();
  EXPECT_TRUE(position.contains("\nStark:   ")) << position.toStdString();
  // The sheet as it stood: the first turn's entry, the other cells free.
  for (int row = 0; row < SHEET_ROWS; ++row)
    for (int column = 0; column < SHEET_COLUMNS; ++column) {
      if (afterFirst.IsFree(row, column)) continue;
      QString line = QString::fromStdString(RowLabel(row)).leftJustified(18);
      for (int c = 0; c < SHEET_COLUMNS; ++c)
        line += (c == column ? QString::number(afterFirst.Cell(row, c)) : QString("·"))
                    .rightJustified(6);
      EXPECT_TRUE(position.contains("\n" + line + "\n")) << position.toStdString();
    }
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
    linesAtClose = Decisions(w) ? Decisions(w)->count() : -2;
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
  QElapsedTimer clock;
  WhenWindow(TITLE, [&](QWidget* w) {
    clock.start();
    Poll([&, w]() {
      for (QProgressBar* bar : w->findChildren<QProgressBar*>())
        barSeen = barSeen || bar->isVisible();
      QListWidget* list = Decisions(w);
      if (list && list->count() == 0) return false;
      took = clock.elapsed();
      balance = Text(Named(w, "Bilanz von Spieler1"));
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
  const int at = bort.indexOf("Verlorene Punkte: -");
  ASSERT_GE(at, 0) << bort.toStdString();
  const double lost =
      -bort.mid(at + 18, bort.indexOf('\n', at) - at - 18).replace(',', '.').toDouble();
  EXPECT_GT(lost, 500) << bort.toStdString();
  EXPECT_FALSE(bort.contains("grober Fehler 0")) << bort.toStdString();
  // The list goes round by round, Anna before Bört, each line naming its player.
  ASSERT_FALSE(spoken.isEmpty());
  EXPECT_TRUE(spoken.front().startsWith("Anna, Runde 1, ")) << spoken.front().toStdString();
  EXPECT_TRUE(spoken.back().startsWith("Bört, Runde 63, Eintrag: ")) << spoken.back().toStdString();
  // A choice that the worths rate above Stark's own is said to be so, and is no fault.
  for (const QString& line : spoken)
    EXPECT_TRUE(line.contains(" Punkte verloren, ") ||
                line.endsWith(" Punkte besser als Stark, gut"))
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
