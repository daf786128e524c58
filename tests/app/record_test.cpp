// The record of every game seen from the window: a game resumed exactly after a close, the
// computer going on in its own turn, every kind of database the game cannot use, records that
// cannot be true, a database of the previous version, and the statistics window.

#include "app/recorder.h"
#include "forms/statsform.h"
#include "gui/chart.h"
#include "sheet/winpointfield.h"
#include "store/recorddb.h"
#include "tests/app/opponent.h"

#include "tests/support/recordsql.h"
#include <QAccessible>
#include <QApplication>
#include <QChartView>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QTableView>
#include <QTest>
#include <QValueAxis>
#include <QWindow>
#include <sqlite3.h>
#include <sys/stat.h>

namespace
{
// Everything of a game that the screen shows and a resume must bring back.
struct TShown {
  std::vector<QString> names;
  std::vector<TSheetState> sheets;
  std::vector<std::array<int, 7>> dice;
  std::vector<std::array<unsigned char, 7>> holds;
  std::vector<int> counts;
  std::vector<QString> totals;
  std::vector<bool> canRoll;
  int current = -1;
  bool computer = false;
  bool operator==(const TShown&) const = default;
};

TShown Shown(TApp& app)
{
  TShown s;
  s.current = app.CurrentPlayer;
  s.computer = app.ComputerPlays();
  for (int p = 0; p < PlayerCount; ++p) {
    const TDicefield& d = *app.DiceField[size_t(p)];
    s.names.push_back(app.PlayerName[size_t(p)]);
    s.sheets.push_back(SheetOf(app, p));
    s.dice.push_back(d.Dice);
    s.holds.push_back(d.Active);
    s.counts.push_back(d.Count);
    s.totals.push_back(app.Winpointfield[size_t(p)]->Bonus[GRAND_TOTAL]->GetText());
    s.canRoll.push_back(!GadgetDisabled(d.Button));
  }
  return s;
}

// A table's rows as a screen reader reads them, cell by cell, the cells joined by " | ".
QStringList ReadCells(QWidget* table)
{
  QStringList rows;
  QAccessibleInterface* info = table ? QAccessible::queryAccessibleInterface(table) : nullptr;
  QAccessibleTableInterface* cells = info ? info->tableInterface() : nullptr;
  for (int r = 0; cells && r < cells->rowCount(); ++r) {
    QStringList row;
    for (int c = 0; c < cells->columnCount(); ++c)
      row << cells->cellAt(r, c)->text(QAccessible::Name);
    rows << row.join(" | ");
  }
  return rows;
}

// Runs SQL on a database file from outside the game, as another program would.
bool Sql(const QString& path, const char* sql)
{
  sqlite3* db = nullptr;
  const bool ok = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK &&
                  sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok;
}

QByteArray Hash(const QString& path)
{
  return QCryptographicHash::hash(ReadAll(path), QCryptographicHash::Sha256);
}

class Record : public Opponent
{
protected:
  QString Db() const { return DataPath() + "/wurfwummel.db"; }
  // A roll, a hold, and the first free cell entered that scores.
  void PlayTurn(int p)
  {
    ASSERT_EQ(app_->CurrentPlayer, p);
    TDicefield& dice = *app_->DiceField[size_t(p)];
    Click(dice.Panel[2]);
    Click(dice.Button);
    const TFaces faces = app_->SummDices();
    for (int row = 0; row < SHEET_ROWS; ++row)
      for (int column = 0; column < SHEET_COLUMNS; ++column) {
        TGadget* cell = SheetCell(*app_, p, row, column);
        if (GadgetDisabled(cell) || RowPoints(row, faces) == 0) continue;
        Click(cell);
        Click(dice.Fill);
        return;
      }
    FAIL() << "no scoring cell";
  }
  void Close()
  {
    app_->Record->Flush();
    app_->Destroy();
    app_.reset();
    PlayerCount = 0;
  }
};
} // namespace

TEST_F(Record, TwoPeoplesGameResumesExactlyAfterAClose)
{
  ASSERT_TRUE(QDir().mkpath(DataPath()));
  ASSERT_TRUE(WriteAll(DataPath() + "/wurfwummel.cfg", "Anna\r\nBört\r\n"));
  StartApp();
  for (int turn = 0; turn < 5; ++turn)
    PlayTurn(turn % 2);
  // Bert's turn, in the middle: one roll, two dice held.
  TDicefield& dice = *app_->DiceField[1];
  Click(dice.Button);
  Click(dice.Panel[1]);
  Click(dice.Panel[5]);
  const TShown before = Shown(*app_);
  ASSERT_EQ(before.current, 1);
  ASSERT_EQ(before.counts[1], 1);
  // Written ahead of the database (once the writing thread, which a loaded machine may hold
  // back, got to it).
  app_->Record->Flush();
  EXPECT_TRUE(QFile::exists(Db() + "-wal"));
  // A hint keeps the game out of the high-score list, after a restart too.
  driver_->answers = {1};
  app_->ShowHint();
  ASSERT_TRUE(app_->HintUsed);
  driver_->questions.clear();
  Close();

  StartApp();
  EXPECT_TRUE(driver_->questions.isEmpty());
  EXPECT_EQ(Shown(*app_), before);
  EXPECT_TRUE(app_->HintUsed);
  // Play goes on from there: the last roll, then the entry passes the turn to Anna.
  Click(app_->DiceField[1]->Button);
  EXPECT_TRUE(GadgetDisabled(app_->DiceField[1]->Button));
  EXPECT_EQ(app_->DiceField[1]->Dice[1], before.dice[1][1]); // held
  EXPECT_EQ(app_->DiceField[1]->Dice[5], before.dice[1][5]);
  Click(FirstFree(1));
  Click(app_->DiceField[1]->Fill);
  EXPECT_EQ(app_->CurrentPlayer, 0);
  const TShown later = Shown(*app_);
  Close();
  StartApp();
  EXPECT_EQ(Shown(*app_), later);

  // "Neues Spiel": a fresh sheet; the replaced game stays in the history as not finished.
  ChooseMenu("Neues Spiel");
  EXPECT_EQ(Entered(0), 0);
  Close();
  EXPECT_EQ(RecordNumber(Db(), "SELECT count(*) FROM games WHERE state = 2"), 1);
  EXPECT_EQ(RecordNumber(Db(), "SELECT count(*) FROM games WHERE state = 0"), 1);
  EXPECT_EQ(RecordNumber(Db(), "SELECT count(*) FROM actions WHERE kind = 'E'"), 6);
  EXPECT_EQ(RecordNumber(Db(), "SELECT count(*) FROM games WHERE hint_used = 1 AND state = 2"), 1);
  StartApp();
  EXPECT_FALSE(app_->HintUsed);
  EXPECT_EQ(Entered(0), 0);
  EXPECT_EQ(Entered(1), 0);
}

TEST_F(Record, AGameStoppedInTheComputersTurnGoesOnWithTheComputer)
{
  ASSERT_TRUE(QDir().mkpath(DataPath()));
  ASSERT_TRUE(WriteAll(DataPath() + "/wurfwummel.cfg", "Anna\r\nComputer\r\n"));
  ASSERT_TRUE(WriteAll(DataPath() + "/wurfwummel.cpu", "1\r\nleicht\r\n"));
  StartApp();
  ASSERT_TRUE(app_->ComputerPlays());
  SetComputerDelay(ONE_HOUR_MS);
  PersonPlays();
  ASSERT_TRUE(app_->ComputerAtTurn());
  const TShown before = Shown(*app_);
  Close();

  StartApp();
  EXPECT_EQ(Shown(*app_), before);
  EXPECT_TRUE(app_->ComputerAtTurn());
  SetComputerDelay(1);
  RunComputerTurn();
  EXPECT_EQ(app_->CurrentPlayer, 0);
  EXPECT_EQ(Entered(1), 1);

  // The players changed meanwhile (another copy took the computer out): a new game starts and
  // the stored one stays in the history.
  Close();
  ASSERT_TRUE(WriteAll(DataPath() + "/wurfwummel.cfg", "Anna\r\n"));
  ASSERT_TRUE(WriteAll(DataPath() + "/wurfwummel.cpu", "0\r\nleicht\r\n"));
  StartApp();
  EXPECT_EQ(PlayerCount, 1);
  EXPECT_EQ(Entered(0), 0);
  Close();
  EXPECT_EQ(RecordNumber(Db(), "SELECT count(*) FROM games"), 2);
  EXPECT_EQ(RecordNumber(Db(), "SELECT state FROM games ORDER BY started LIMIT 1"), 2);
}

// Each kind of database the game cannot use: it starts and plays without resume and history,
// says so once, and leaves the file exactly as it was.
TEST_F(Record, ADatabaseItCannotUseIsLeftAloneAndSaidOnce)
{
  struct TCase {
    const char* what;
    std::function<void(const QString&)> make;
    const char* words; // in the sentence
  };
  const std::vector<TCase> cases = {
      {"not SQLite", [](const QString& db) { WriteAll(db, QByteArray(5000, 'x')); }, "beschädigt"},
      {"truncated",
       [](const QString& db) {
         ASSERT_TRUE(Sql(db, "CREATE TABLE t(x); INSERT INTO t VALUES(randomblob(50000));"));
         QByteArray bytes = ReadAll(db);
         WriteAll(db, bytes.left(bytes.size() / 2));
       },
       "beschädigt"},
      {"another program's tables",
       [](const QString& db) { ASSERT_TRUE(Sql(db, "CREATE TABLE songs(title TEXT);")); },
       "keine Wurfwummel-Datei"},
      {"a newer version",
       [](const QString& db) {
         ASSERT_TRUE(Sql(db, "CREATE TABLE games(id); PRAGMA application_id = 1465336898; "
                             "PRAGMA user_version = 5;"));
       },
       "neueren"},
      // Once taken as the game's: every write failed and no game was ever recorded.
      {"the game's table names and version, other columns, no mark",
       [](const QString& db) {
         ASSERT_TRUE(Sql(db, "CREATE TABLE games(id); CREATE TABLE players(x); CREATE TABLE "
                             "lineup(x); CREATE TABLE actions(x); PRAGMA user_version = 2;"));
       },
       "keine Wurfwummel-Datei"},
      {"another program's mark",
       [](const QString& db) {
         ASSERT_TRUE(Sql(db, "PRAGMA application_id = 42; CREATE TABLE t(x);"));
       },
       "keine Wurfwummel-Datei"},
      {"a folder", [](const QString& db) { ASSERT_TRUE(QDir().mkpath(db)); }, "beschädigt"},
      {"a link", [](const QString& db) { ASSERT_TRUE(QFile::link("/dev/zero", db)); },
       "beschädigt"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    QDir(DataPath()).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(DataPath()));
    c.make(Db());
    const QByteArray hash = QFileInfo(Db()).isFile() ? Hash(Db()) : QByteArray();
    driver_->questions.clear();
    StartApp();
    ASSERT_EQ(driver_->questions.size(), 1);
    EXPECT_TRUE(driver_->questions[0].contains(c.words)) << driver_->questions[0].toStdString();
    // One sentence.
    EXPECT_TRUE(driver_->questions[0].endsWith('.'));
    EXPECT_FALSE(driver_->questions[0].contains(". "));
    PlayTurn(0);
    EXPECT_EQ(Entered(0), 1);
    // The statistics window says the same.
    WhenWindow("Wurfwummel - Statistik", [](QWidget* w) { w->close(); });
    ChooseMenu("Statistik");
    Close();
    EXPECT_EQ(driver_->questions.size(), 1);
    if (!hash.isEmpty()) {
      EXPECT_EQ(Hash(Db()), hash);
    }
    EXPECT_FALSE(QFile::exists(Db() + "-wal"));
  }
  // Locked by another program for longer than a start waits.
  QDir(DataPath()).removeRecursively();
  StartApp();
  Close();
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(QFile::encodeName(Db()).constData(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  driver_->questions.clear();
  StartApp();
  ASSERT_EQ(driver_->questions.size(), 1);
  EXPECT_TRUE(driver_->questions[0].contains("gesperrt"));
  PlayTurn(0);
  Close();
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
}

// Records that cannot be true are refused at resume: a new game starts, the stored one stays.
TEST_F(Record, ImpossibleRecordsAreRefusedAndANewGameStarts)
{
  const std::vector<const char*> damage = {
      "UPDATE actions SET dice = '123457' WHERE kind = 'T' AND seq = (SELECT min(seq) FROM "
      "actions WHERE kind = 'T')",
      "INSERT INTO actions(game, seq, at, kind, seat, turn, row, col, points) SELECT game, "
      "seq + 1000, at, kind, seat, turn, row, col, points FROM actions WHERE kind = 'E'",
      "INSERT INTO actions(game, seq, at, kind, seat, turn, dice) SELECT game, seq + 1000, at, "
      "'H', seat, turn, '1x0000' FROM actions WHERE kind = 'T' LIMIT 1",
      "UPDATE actions SET kind = 'Q' WHERE seq = 3",
  };
  for (const char* sql : damage) {
    SCOPED_TRACE(sql);
    QDir(DataPath()).removeRecursively();
    StartApp();
    PlayTurn(0);
    PlayTurn(0);
    Close();
    ASSERT_TRUE(Sql(Db(), sql));
    StartApp();
    EXPECT_EQ(Entered(0), 0);
    EXPECT_TRUE(driver_->questions.isEmpty());
    PlayTurn(0);
    Close();
    EXPECT_EQ(RecordNumber(Db(), "SELECT count(*) FROM games"), 2);
    EXPECT_EQ(RecordNumber(Db(), "SELECT count(*) FROM games WHERE state = 2"), 1);
  }
}

namespace
{
// Version 1 of the record as the game first wrote it: no hint mark, no bonus counts.
const char* const SCHEMA_V1 = R"(
CREATE TABLE games(id INTEGER PRIMARY KEY, started INTEGER NOT NULL, ended INTEGER,
  state INTEGER NOT NULL DEFAULT 0);
CREATE TABLE players(game INTEGER NOT NULL REFERENCES games(id), seat INTEGER NOT NULL,
  name TEXT NOT NULL, computer INTEGER NOT NULL, level TEXT NOT NULL, total INTEGER,
  PRIMARY KEY(game, seat)) WITHOUT ROWID;
CREATE TABLE lineup(game INTEGER NOT NULL REFERENCES games(id), seq INTEGER NOT NULL,
  seat INTEGER NOT NULL, name TEXT NOT NULL, computer INTEGER NOT NULL, level TEXT NOT NULL,
  PRIMARY KEY(game, seq, seat)) WITHOUT ROWID;
CREATE TABLE actions(game INTEGER NOT NULL REFERENCES games(id), seq INTEGER NOT NULL,
  at INTEGER NOT NULL, kind TEXT NOT NULL, seat INTEGER NOT NULL, turn INTEGER NOT NULL,
  dice TEXT NOT NULL DEFAULT '', roll INTEGER NOT NULL DEFAULT 0, row INTEGER NOT NULL DEFAULT 0,
  col INTEGER NOT NULL DEFAULT 0, points INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY(game, seq)) WITHOUT ROWID;
PRAGMA user_version = 1;
)";

// A whole game of one player in version 1's tables: number rows with five dice of their face,
// the "Pasch" and "Wummel" rows with six sixes, every other row struck.
QString VersionOneGame(int64_t id, const char* name, bool finished, int cells)
{
  QStringList sql;
  sql << QString("INSERT INTO games VALUES(%1, 1700000000000, %2, %3);")
             .arg(id)
             .arg(finished ? "1700000900000" : "NULL")
             .arg(finished ? 1 : 0);
  sql << QString("INSERT INTO players VALUES(%1, 0, '%2', 0, '', NULL);").arg(id).arg(name);
  sql << QString("INSERT INTO lineup VALUES(%1, 0, 0, '%2', 0, '');").arg(id).arg(name);
  sql << QString("INSERT INTO actions(game, seq, at, kind, seat, turn) VALUES(%1, 0, "
                 "1700000000000, 'P', 0, 0);")
             .arg(id);
  int seq = 1;
  for (int n = 0; n < cells; ++n) {
    const int row = n / 3, column = n % 3;
    QString dice = "112356"; // scores only in "1er", "2er", "3er", "5er", "6er" and "Chance"
    int points = 0;
    if (row < 6) {
      dice = QString(5, QChar('1' + row)) + (row == 0 ? "2" : "1");
      points = 5 * (row + 1);
    } else if (row < 9 || row == 18 || row == 19) {
      dice = "666666";
      points = row < 9 ? 36 : 50;
    } else if (row == 20) {
      points = 18;
    }
    sql << QString("INSERT INTO actions(game, seq, at, kind, seat, turn, dice) VALUES(%1, %2, "
                   "1700000000000, 'T', 0, 0, '%3');")
               .arg(id)
               .arg(seq++)
               .arg(dice);
    sql << QString("INSERT INTO actions(game, seq, at, kind, seat, turn, row, col, points) "
                   "VALUES(%1, %2, 1700000000000, 'E', 0, 0, %3, %4, %5);")
               .arg(id)
               .arg(seq++)
               .arg(row)
               .arg(column)
               .arg(points);
  }
  sql << QString("INSERT INTO actions(game, seq, at, kind, seat, turn, dice) VALUES(%1, %2, "
                 "1700000000000, 'T', 0, 0, '654321');")
             .arg(id)
             .arg(seq++);
  return sql.join("\n");
}
} // namespace

TEST_F(Record, ADatabaseOfThePreviousVersionIsMigratedAndItsGameResumed)
{
  ASSERT_TRUE(QDir().mkpath(DataPath()));
  ASSERT_TRUE(Sql(Db(), SCHEMA_V1));
  ASSERT_TRUE(Sql(Db(), VersionOneGame(7, "Spieler1", true, 63).toUtf8().constData()));
  ASSERT_TRUE(Sql(Db(), VersionOneGame(8, "Spieler1", false, 4).toUtf8().constData()));
  StartApp();
  EXPECT_TRUE(driver_->questions.isEmpty());
  // The unfinished game goes on: four cells entered, the dice of its last throw.
  EXPECT_EQ(Entered(0), 4);
  EXPECT_EQ(app_->DiceField[0]->Dice, (std::array<int, 7>{0, 6, 5, 4, 3, 2, 1}));
  EXPECT_EQ(app_->Winpointfield[0]->Bonus[GRAND_TOTAL]->GetText(),
            "40"); // (5 + 10) * 1 + 5 * 2 + 5 * 3
  Close();
  EXPECT_EQ(RecordNumber(Db(), "PRAGMA user_version"), RECORD_SCHEMA);
  EXPECT_EQ(RecordNumber(Db(), "PRAGMA application_id"), RECORD_APPLICATION_ID);
  // The finished game's bonuses, counted by playing it back: the number bonus (raw 105 in
  // each column) and the "Pasch" bonus in all three columns, no "Haus", no "Straße".
  EXPECT_EQ(RecordNumber(Db(), "SELECT number_bonus FROM players WHERE game = 7"), 3);
  EXPECT_EQ(RecordNumber(Db(), "SELECT pasch_bonus FROM players WHERE game = 7"), 3);
  EXPECT_EQ(RecordNumber(Db(), "SELECT house_bonus + street_bonus FROM players WHERE game = 7"), 0);
  EXPECT_EQ(RecordNumber(Db(), "SELECT hint_used FROM games WHERE id = 7"), 0);

  // The statistics window shows it.
  StartApp();
  QStringList table;
  QString summary;
  int points = -1;
  WhenWindow("Wurfwummel - Statistik", [&](QWidget* w) {
    table = ReadCells(Named(w, "Ergebnisse je Spieler und Spielart"));
    if (QWidget* chart = Named(w, "Gesamtpunkte jedes beendeten Spiels")) {
      summary = chart->accessibleDescription();
      points = 1;
    }
    // Escape where the keyboard is: the focused control of the window in front.
    QApplication::setActiveWindow(w);
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus && focus->window() == w ? focus : w, Qt::Key_Escape);
  });
  ChooseMenu("Statistik");
  EXPECT_EQ(points, 1);
  ASSERT_EQ(table.size(), 1);
  EXPECT_TRUE(table[0].startsWith("Spieler1 | allein | 1 | ")) << table[0].toStdString();
  EXPECT_TRUE(table[0].endsWith(" | – | – | – | 3 | 3 | 0 | 0")) << table[0].toStdString();
  EXPECT_TRUE(summary.startsWith("1 beendetes Spiel vom 14.11.2023")) << summary.toStdString();
}

// Per person and kind of game, with wins and losses against whoever sat opposite, in a table read
// cell by cell and sorted by a click on a column's header; the chart every person's total by the
// game's number, a clicked point naming its game and date and choosing it in the table of games;
// Enter there opens the game's analysis. Before any game ends, one sentence and nothing else.
TEST_F(Record, StatisticsShowEachPersonAndKindAndTheChartEveryFinishedTotal)
{
  StartApp();
  bool emptyShown = false, emptyAlone = true;
  WhenWindow("Wurfwummel - Statistik", [&](QWidget* w) {
    QWidget* sentence = Named(w, "Noch kein Spiel beendet.");
    emptyShown = sentence && sentence->isVisible();
    for (QWidget* child : w->findChildren<QWidget*>())
      if (child->isVisible() && (child->inherits("QAbstractItemView") ||
                                 child->inherits("QChartView") || child->inherits("QLabel")))
        emptyAlone = emptyAlone && child == sentence;
    w->close();
  });
  ChooseMenu("Statistik");
  EXPECT_TRUE(emptyShown);
  EXPECT_TRUE(emptyAlone); // no empty axes, no empty tables
  Close();
  ASSERT_TRUE(Sql(Db(), R"(
    INSERT INTO games(id, started, ended, state) VALUES
      (1, 1, 1700000000000, 1), (2, 1, 1700100000000, 1), (3, 1, 1700200000000, 1),
      (4, 1, 1700300000000, 1), (5, 1, 1700400000000, 2);
    INSERT INTO players VALUES
      (1, 0, 'Anna', 0, '', 3000, 1, 0, 0, 0), (1, 1, 'Computer', 1, 'leicht', 2500, 0, 0, 0, 0),
      (2, 0, 'Anna', 0, '', 2000, 0, 1, 0, 0), (2, 1, 'Computer', 1, 'leicht', 2600, 0, 0, 0, 0),
      (3, 0, 'Anna', 0, '', 4000, 2, 0, 1, 0),
      (4, 0, 'Anna', 0, '', 3500, 0, 0, 0, 1), (4, 1, 'Bernd', 0, '', 3600, 0, 0, 0, 0),
      (5, 0, 'Anna', 0, '', 9999, 3, 3, 3, 3);)"));
  StartApp();
  QStringList table, byMean, byMeanDown, games, xs;
  QString summary, axis, pointed, chosenGame, spread;
  bool analysed = false, closed = false;
  int chartBefore = 0, chartAfter = 0, gamesBefore = 0, gamesAfter = 0;
  WhenWindow("Wurfwummel - Statistik", [&](QWidget* w) {
    QWidget* figures = Named(w, "Ergebnisse je Spieler und Spielart");
    table = ReadCells(figures);
    // A click on "Schnitt" sorts by it, the lowest first; a second click turns it round.
    auto* view = qobject_cast<QTableView*>(figures);
    ASSERT_TRUE(view);
    QHeaderView* header = view->horizontalHeader();
    auto clickHeader = [header](int column) {
      QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                        QPoint(header->sectionViewportPosition(column) + 4, header->height() / 2));
    };
    clickHeader(3);
    byMean = ReadCells(figures);
    clickHeader(3);
    byMeanDown = ReadCells(figures);
    spread = Named(w, "Verteilung der Gesamtpunkte je Spielart")->accessibleDescription();
    auto* chartView = qobject_cast<QChartView*>(Named(w, "Gesamtpunkte jedes beendeten Spiels"));
    ASSERT_TRUE(chartView);
    summary = chartView->accessibleDescription();
    auto* values = qobject_cast<QXYSeries*>(chartView->chart()->series().value(0));
    ASSERT_TRUE(values);
    for (const QPointF& p : values->points())
      xs << QString::number(p.x()) + ":" + QString::number(p.y());
    if (auto* across = qobject_cast<QValueAxis*>(chartView->chart()->axes(Qt::Horizontal).value(0)))
      axis = across->titleText();
    QWidget* list = Named(w, "Beendete Spiele");
    RunSteps({[&, chartView, values] {
                // A click on the third game's point, once the chart is laid out.
                const QPointF at = chartView->chart()->mapToPosition(QPointF(3, 4000), values);
                QTest::mouseClick(chartView->viewport(), Qt::LeftButton, Qt::NoModifier,
                                  chartView->mapFromScene(chartView->chart()->mapToScene(at)));
              },
              [&, w, list, chartView] {
                if (auto* label = qobject_cast<QLabel*>(Named(w, "Gewählter Punkt")))
                  pointed = label->text();
                games = ReadCells(list);
                auto* gamesView = qobject_cast<QTableView*>(list);
                ASSERT_TRUE(gamesView);
                chosenGame = gamesView->currentIndex().siblingAtColumn(0).data().toString();
                // As the window system resizes it when the player drags its edge.
                chartBefore = chartView->width();
                gamesBefore = list->width();
                w->windowHandle()->resize(w->width() + 300, w->height() + 200);
              },
              [&, w, list, chartView] {
                chartAfter = chartView->width();
                gamesAfter = list->width();
                // Enter on the chosen game opens its analysis, over the statistics.
                WhenWindow("Wurfwummel - Spielanalyse", [&](QWidget* a) {
                  analysed = true;
                  a->close();
                  Poll([&, w]() {
                    for (QWidget* top : QApplication::topLevelWidgets())
                      if (top->isVisible() && top->windowTitle() == "Wurfwummel - Spielanalyse")
                        return false;
                    w->close(); // the close box
                    closed = true;
                    return true;
                  });
                });
                QApplication::setActiveWindow(w);
                list->setFocus();
                QTest::keyClick(list, Qt::Key_Return);
              }});
  });
  ChooseMenu("Statistik");
  EXPECT_TRUE(analysed);
  EXPECT_TRUE(closed);
  // A larger window gives the charts and the games' table the room it gains.
  EXPECT_GT(chartAfter, chartBefore);
  EXPECT_GT(gamesAfter, gamesBefore);
  EXPECT_EQ(table, QStringList({
                       "Anna | allein | 1 | 4000,0 | 4000 | – | – | – | 2 | 0 | 1 | 0",
                       "Anna | zwei Personen | 1 | 3500,0 | 3500 | 0 | 1 | 0 % | 0 | 0 | 0 | 1",
                       "Anna | gegen Leicht | 2 | 2500,0 | 3000 | 1 | 1 | 50 % | 1 | 1 | 0 | 0",
                       "Bernd | zwei Personen | 1 | 3600,0 | 3600 | 1 | 0 | 100 % | 0 | 0 | 0 | 0",
                   }));
  ASSERT_EQ(byMean.size(), 4);
  EXPECT_TRUE(byMean[0].startsWith("Anna | gegen Leicht | 2 | 2500,0")) << byMean[0].toStdString();
  EXPECT_TRUE(byMean[3].startsWith("Anna | allein")) << byMean[3].toStdString();
  ASSERT_EQ(byMeanDown.size(), 4) << byMeanDown.join("\n").toStdString();
  EXPECT_TRUE(byMeanDown[0].startsWith("Anna | allein")) << byMeanDown[0].toStdString();
  EXPECT_TRUE(byMeanDown[1].startsWith("Bernd | zwei Personen"))
      << byMeanDown.join("\n").toStdString();
  // Five totals of persons in four finished games, by the game's number; the game replaced by
  // "Neues Spiel" is not one.
  EXPECT_EQ(axis, "Spiel Nr.");
  EXPECT_EQ(xs, QStringList({"1:3000", "2:2000", "3:4000", "4:3500", "4:3600"}));
  EXPECT_TRUE(
      summary.startsWith("4 beendete Spiele vom 14.11.2023 bis zum 18.11.2023: im Schnitt "
                         "3220,0 Punkte, zuletzt (5 Ergebnisse) 3220,0, bestes Spiel 4000."))
      << summary.toStdString();
  const QString third = QDateTime::fromMSecsSinceEpoch(1700200000000).toString("dd.MM.yyyy HH:mm");
  EXPECT_EQ(pointed, "Spiel 3 am " + third + ": 4000 Punkte");
  EXPECT_EQ(chosenGame, "3");
  ASSERT_EQ(games.size(), 4);
  EXPECT_EQ(games[1], "3 | " + third + " | allein | Anna 4000");
  EXPECT_TRUE(games[0].startsWith("4 | ")) << games[0].toStdString();
  EXPECT_TRUE(games[0].endsWith(" | zwei Personen | Anna 3500, Bernd 3600"))
      << games[0].toStdString();
  EXPECT_TRUE(games[3].endsWith(" | gegen Leicht | Anna 3000, Computer (Leicht) 2500"))
      << games[3].toStdString();
  // Totals from 2000 to 4000: bars of 500 points, the fewest round ones that take them all.
  EXPECT_TRUE(spread.startsWith("In Stufen zu je 500 Punkten. allein: 1 Ergebnis, die meisten (1) "
                                "von 4000 bis 4499 Punkte; zwei Personen: 2 Ergebnisse, die "
                                "meisten (2) von 3500 bis 3999 Punkte; gegen Leicht: 2 Ergebnisse"))
      << spread.toStdString();
}

// A long history: the chart a point for each run of games, the table of finished games a page
// at a time, the newest first, its last line bringing the next page with its first game chosen.
TEST_F(Record, ALongHistoryIsReadAsTheWindowCanShowIt)
{
  StartApp();
  Close();
  // 1,000 games of Anna alone, one an hour, scoring 3000 to 3009 in turn.
  ASSERT_TRUE(Sql(Db(), R"(
    WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000)
    INSERT INTO games(id, started, ended, state)
      SELECT i * 7919, 1700000000000 + i * 3600000 - 600000, 1700000000000 + i * 3600000, 1 FROM n;
    WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000)
    INSERT INTO players(game, seat, name, computer, level, total)
      SELECT i * 7919, 0, 'Anna', 0, '', 3000 + i % 10 FROM n;)"));
  StartApp();
  QStringList table;
  QString summary, newest, chosen;
  int lines = 0, more = 0, row = -1;
  WhenWindow("Wurfwummel - Statistik", [&](QWidget* w) {
    table = ReadCells(Named(w, "Ergebnisse je Spieler und Spielart"));
    summary = Named(w, "Gesamtpunkte jedes beendeten Spiels")->accessibleDescription();
    auto* list = qobject_cast<QTableView*>(Named(w, "Beendete Spiele"));
    ASSERT_TRUE(list);
    lines = list->model()->rowCount();
    newest = ReadCells(list).value(0);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier);
    RunSteps({[&, w, list] {
      more = list->model()->rowCount();
      row = list->currentIndex().row();
      chosen = ReadCells(list).value(row);
      w->close();
    }});
  });
  ChooseMenu("Statistik");
  ASSERT_EQ(table.size(), 1);
  EXPECT_TRUE(table[0].startsWith("Anna | allein | 1000 | 3004,5 | 3009 | "))
      << table[0].toStdString();
  EXPECT_TRUE(summary.startsWith("1000 beendete Spiele vom 14.11.2023 bis zum 26.12.2023: im "
                                 "Schnitt 3004,5 Punkte, zuletzt (10 Ergebnisse) 3004,5, bestes "
                                 "Spiel 3009. Im Diagramm steht jeder Punkt für den Schnitt aus je "
                                 "2 Spielen."))
      << summary.toStdString();
  // A page of games and the row for older ones; choosing it adds the next page.
  EXPECT_EQ(lines, 101);
  EXPECT_EQ(more, 201);
  EXPECT_EQ(row, 100);
  const QString at =
      QDateTime::fromMSecsSinceEpoch(1700000000000 + 1000 * 3600000LL).toString("dd.MM.yyyy HH:mm");
  EXPECT_EQ(newest, "1000 | " + at + " | allein | Anna 3000");
  const QString page =
      QDateTime::fromMSecsSinceEpoch(1700000000000 + 900 * 3600000LL).toString("dd.MM.yyyy HH:mm");
  EXPECT_EQ(chosen, "900 | " + page + " | allein | Anna 3000");
}
