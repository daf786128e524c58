#include "bench/recordfill.h"

#include "store/recorddb.h"

#include <random>
#include <sqlite3.h>

bool FillRecord(const std::string& path, int games)
{
  {
    TRecordProblem problem;
    if (!TRecordDb::Open(path, 1000, problem)) return false;
  }
  sqlite3* db = nullptr;
  sqlite3_stmt* game = nullptr;
  sqlite3_stmt* seat = nullptr;
  bool ok =
      sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
      sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, "INSERT INTO games(id, started, ended, state) VALUES(?, ?, ?, ?)", -1,
                         &game, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db,
                         "INSERT INTO players(game, seat, name, computer, level, total, "
                         "number_bonus, pasch_bonus, house_bonus, street_bonus) "
                         "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                         -1, &seat, nullptr) == SQLITE_OK;
  std::mt19937 random(7);
  std::normal_distribution<double> total(3800, 600);
  std::uniform_int_distribution<int> bonus(0, 3);
  // Drawn at random, as the game draws them: the tables' order is not the order of play.
  std::uniform_int_distribution<int64_t> ids(1, int64_t(1) << 53);
  const char* const levels[] = {"leicht", "mittel", "stark"};
  const int64_t hour = 3600000;
  const int64_t start = int64_t(1700000000000) - int64_t(games) * hour;
  auto addSeat = [&](int64_t id, int number, const char* name, bool computer, const char* level) {
    sqlite3_reset(seat);
    sqlite3_bind_int64(seat, 1, id);
    sqlite3_bind_int(seat, 2, number);
    sqlite3_bind_text(seat, 3, name, -1, SQLITE_STATIC);
    sqlite3_bind_int(seat, 4, computer ? 1 : 0);
    sqlite3_bind_text(seat, 5, level, -1, SQLITE_STATIC);
    sqlite3_bind_int(seat, 6, int(total(random)));
    for (int b = 0; b < 4; ++b)
      sqlite3_bind_int(seat, 7 + b, bonus(random));
    return sqlite3_step(seat) == SQLITE_DONE;
  };
  for (int g = 0; ok && g < games; ++g) {
    const int64_t id = ids(random);
    const int64_t at = start + int64_t(g) * hour;
    sqlite3_reset(game);
    sqlite3_bind_int64(game, 1, id);
    sqlite3_bind_int64(game, 2, at - hour / 2);
    sqlite3_bind_int64(game, 3, at);
    sqlite3_bind_int(game, 4, g % 20 == 19 ? 2 : 1);
    ok = sqlite3_step(game) == SQLITE_DONE;
    // Anna alone, Anna and Bernd, Anna against each strength in turn, and Clara now and then.
    const int kind = g % 5;
    ok = ok && addSeat(id, 0, g % 50 == 0 ? "Clara" : "Anna", false, "");
    if (kind == 1) ok = ok && addSeat(id, 1, "Bernd", false, "");
    if (kind >= 2) ok = ok && addSeat(id, 1, "Computer", true, levels[kind - 2]);
  }
  ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_finalize(game);
  sqlite3_finalize(seat);
  sqlite3_close(db);
  return ok;
}
