#pragma once

// What a throw of six dice scores in each row of the sheet, and the bonuses: small pure
// functions over the faces (1 to 6) or their counts, written once and used by the columns.

#include <array>

// Dice in a throw; the game's dice area and the computer player both count them.
constexpr int DICE = 6;

using TFaces = std::array<int, 6>;  // die 1 first
using TCounts = std::array<int, 6>; // element k: dice showing face k + 1

TCounts CountFaces(const TFaces& faces);
int FaceSum(const TFaces& faces);

// Number rows: row r collects the dice showing r + 1.
int NumberPoints(const TFaces& faces, int row);
// "3er/4er/5er Pasch": rows 0 to 2 need 3, 4 or 5 equal dice and score the sum of all.
int PaschPoints(const TCounts& counts, int sum, int row);
// "2-2-2 Haus", "2-4 Haus", "3-3 Haus": 30 each.
int HousePoints(const TCounts& counts, int row);
// The six straights, from "1-2-3-4" to "1-2-3-4-5-6".
int StreetPoints(const TFaces& faces, int row);
// "Wummel": six equal dice.
int WummelPoints(const TCounts& counts);
int ChancePoints(int sum);

constexpr int NUMBER_ROWS = 6, PASCH_ROWS = 3, HOUSE_ROWS = 3, STREET_ROWS = 6, WUMMEL_ROWS = 2,
              CHANCE_ROWS = 1;
constexpr int PATTERN_BONUS = 50;

// The bonus that a number column's raw sum earns: 0, 30, 60 or 90.
int NumberBonus(int rawSum);
// A pattern column earns its bonus when every one of its cells holds points.
int PatternBonus(int cellsWithPoints, int cells);
