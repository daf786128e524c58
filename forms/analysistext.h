#pragma once

// The words of the analysis window: a player's balance of luck and skill, each decision's row
// of the table, the position of a decision in a few lines, the chart's summary and the
// remainder in a sentence.
// QtCore values only; the window puts them into its gadgets.

#include "ai/analysis.h"
#include "store/recordlog.h"

#include <QString>
#include <QStringList>
#include <vector>

// A decision of one player, as the list shows it in the order of the game.
struct TDecisionRef {
  int player = 0;
  int index = 0; // in TPlayerReview::decisions
};

// "Anna", "Computer (Mittel)".
QString SeatName(const TRecordPlayer& player);
// A number as the window writes it: one decimal, a decimal comma; sign: "+" before positives.
QString Points(double value, bool sign = false);
// "Runde 5, vor dem 2. Wurf", "Runde 5, Eintrag".
QString DecisionPlace(const TDecisionReview& decision);
// The player's lines: start, luck, lost (in all and per decision, as points lost or, where the
// worths rate the choices above Stark's, as points better), the total, the count in each class.
QString BalanceText(const QString& name, const TPlayerReview& review);
// The class and what was lost or gained: "Fehler: 12,5 Punkte verloren (nachgespielt)".
QString VerdictText(const TDecisionReview& decision);
// The table's row of a decision: the round, the decision, the points lost (always a number of
// points lost; a gain as points better than Stark), the class.
QStringList DecisionCells(const TDecisionReview& decision);
// A sentence a player understands for what start, luck and losses leave unexplained; empty
// where nothing is left.
QString RemainderText(const std::vector<QString>& names, const TGameReview& review);
// The decisions of every player in the order of the game: round by round, seat by seat.
std::vector<TDecisionRef> GameOrder(const TGameReview& review);
// The position in a few lines, for a screen reader's description of the drawn one: the dice
// (held ones in brackets), both choices and the result.
QString PositionText(const QString& name, const TDecisionReview& decision);
// The decisions of a player that lost most, for the chart's marks: at most `most` of them, each
// losing at least INACCURATE_LOSS, in the order of the game.
std::vector<int> WorstDecisions(const TPlayerReview& review, size_t most);
// What a screen reader says of the chart.
QString CourseSummary(const std::vector<QString>& names, const TGameReview& review);
