// The statistics that SQL computes over the record against the rules counted seat by seat over
// every row (CollectStatistics), on records of random games: short and long histories, ties,
// missing totals, every kind of game, and seats that only another program would write.

#include "store/recorddb.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <sqlite3.h>

namespace
{
// Adds random games: finished, abandoned and open, of one, two and (with odd) three seats.
void AddGames(sqlite3* db, std::mt19937_64& random, int games, bool odd)
{
  auto pick = [&random](int n) { return int(random() % unsigned(n)); };
  const char* const names[] = {"Anna", "Bört", "anna", "Computer", "Zoë"};
  const char* const levels[] = {"leicht", "mittel", "stark", ""};
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  for (int g = 0; g < games; ++g) {
    const int64_t id = int64_t(random() >> 12) + 1;
    const int64_t ended = 1700000000000 + int64_t(pick(400)) * 86400000 + pick(3) * 1000;
    const int state = pick(10) == 0 ? 2 : pick(20) == 0 ? 0 : 1;
    char sql[200];
    std::snprintf(sql, sizeof sql,
                  "INSERT INTO games(id, started, ended, state) VALUES(%lld, %lld, %s, %d)",
                  (long long)id, (long long)(ended - 600000),
                  state ? std::to_string(ended).c_str() : "NULL", state);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    const int seats = odd && pick(50) == 0 ? 3 : 1 + pick(2);
    for (int seat = 0; seat < seats; ++seat) {
      const bool computer = seat > 0 && pick(2) == 0;
      // Totals from a narrow range now and then, so that games end in a draw; none now and then.
      const int total = pick(3) == 0 ? 3000 + pick(3) : 1500 + pick(4000);
      std::snprintf(sql, sizeof sql,
                    "INSERT INTO players VALUES(%lld, %d, '%s', %d, '%s', %s, %d, %d, %d, %d)",
                    (long long)id, seat, computer ? "Computer" : names[pick(5)], computer ? 1 : 0,
                    computer                   ? levels[pick(4)]
                    : seat > 0 && pick(3) == 0 ? NETWORK_SEAT // played at another computer
                                               : "",
                    pick(30) == 0 ? "NULL" : std::to_string(total).c_str(), pick(4), pick(4),
                    pick(4), pick(4));
      ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    }
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
}

void ExpectSame(TRecordDb& record)
{
  std::vector<TStatsRow> rows;
  ASSERT_TRUE(record.StatsRows(rows));
  const TStatistics want = CollectStatistics(rows);
  TStatistics got;
  ASSERT_TRUE(record.ReadStatistics(got));
  ASSERT_EQ(got.lines.size(), want.lines.size());
  for (size_t i = 0; i < want.lines.size(); ++i) {
    const TStatsLine &g = got.lines[i], &w = want.lines[i];
    SCOPED_TRACE(w.name + " " + std::to_string(int(w.kind)));
    EXPECT_EQ(g.name, w.name);
    EXPECT_EQ(g.kind, w.kind);
    EXPECT_EQ(g.games, w.games);
    EXPECT_EQ(g.sum, w.sum);
    EXPECT_EQ(g.best, w.best);
    EXPECT_EQ(g.wins, w.wins);
    EXPECT_EQ(g.losses, w.losses);
    EXPECT_EQ(g.bonus, w.bonus);
  }
  EXPECT_EQ(got.games, want.games);
  EXPECT_EQ(got.sum, want.sum);
  EXPECT_EQ(got.best, want.best);
  EXPECT_EQ(got.first, want.first);
  EXPECT_EQ(got.last, want.last);
  EXPECT_EQ(got.recent, want.recent);
  EXPECT_EQ(got.numbered, want.numbered);
  EXPECT_EQ(got.stretch, want.stretch);
  EXPECT_EQ(got.spread, want.spread);
  EXPECT_EQ(got.points, want.points);
  EXPECT_EQ(MovingMean(got), MovingMean(want));
}
} // namespace

TEST(RecordStatistics, SqlFiguresAreThoseCountedSeatBySeat)
{
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  std::mt19937_64 random(2024);
  for (const int games : {40, 3000}) {
    SCOPED_TRACE(games);
    const std::string path = (dir.path() + "/" + QString::number(games) + ".db").toStdString();
    TRecordProblem problem;
    auto record = TRecordDb::Open(path, 1000, problem);
    ASSERT_TRUE(record);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    AddGames(db, random, games, false);
    {
      SCOPED_TRACE("two seats at most");
      ExpectSame(*record);
    }
    TStatistics stats;
    ASSERT_TRUE(record->ReadStatistics(stats));
    // A short history shows every total, a long one a point for each run of games.
    ASSERT_GT(stats.games, 0);
    EXPECT_EQ(stats.stretch == 0, stats.numbered <= STATS_COLUMNS);
    EXPECT_LE(stats.points.size(), size_t(std::max(STATS_COLUMNS, stats.games)));
    if (stats.stretch) {
      EXPECT_LE(stats.points.size(), size_t(STATS_COLUMNS));
    }
    // Every person's total is in the spread of its kind, and in the chart's points.
    int spread = 0, inPoints = 0;
    for (const TStatsSpread& kind : stats.spread)
      for (const auto& [step, count] : kind)
        spread += count;
    for (const TStatsPoint& point : stats.points)
      inPoints += point.games;
    EXPECT_EQ(spread, stats.games);
    EXPECT_EQ(inPoints, stats.games);
    EXPECT_EQ(stats.points.back().lastNumber, stats.numbered);
    // Over the long run every kind of game, and names that differ only in case apart.
    if (games > 1000) {
      std::set<TGameKind> kinds;
      for (const TStatsLine& line : stats.lines)
        kinds.insert(line.kind);
      EXPECT_EQ(kinds.size(), size_t(GAME_KINDS));
      EXPECT_GE(stats.lines.size(), size_t(3 * GAME_KINDS));
    }
    // Three seats at one game, as only another program writes them, are counted all the same.
    AddGames(db, random, games / 10, true);
    ExpectSame(*record);
    sqlite3_close(db);
  }
}
