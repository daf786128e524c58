#pragma once

// Games played on by "Stark" from the two choices of a decision, with the same dice for both:
// what the analysis's verdicts are checked against, and what refines every verdict
// that is not exact. Each turn's eighteen dice are drawn before its first throw
// (a die thrown for the second time takes the second row's face), so that two play-outs that
// hold differently still meet the same dice; each play-out ends, once Stark plays the rest
// exactly, in the exact worth of that play.

#include "ai/analysis.h"
#include "ai/endgame.h"

#include <atomic>
#include <random>

// The expected final total when Stark plays on from this sheet, before a turn's first throw,
// with the dice of rng until it plays exactly, and exactly from there. Where `luck` is given, the
// luck of every throw is added to it: how far the throw moved the expectation of the turn's plan.
// Each throw's luck is zero on average over its faces, so the total less its luck has the same
// expectation with a far smaller spread: the dice that Stark's own model would have seen coming
// no longer blur the comparison of two choices.
double PlayOn(const TStarkPlayer& stark, TEndgame& endgame, TSheetState sheet, std::mt19937& rng,
              double* luck = nullptr);
// The same from one choice of a decision: Stark's (best) or the one made.
double PlayOut(const TStarkPlayer& stark, TEndgame& endgame, const TDecisionReview& d, bool best,
               std::mt19937& rng, double* luck = nullptr);

struct TPlayOuts {
  double lost = 0; // the mean of Stark's choice less the one made, each total less its luck
  double se = 0;   // its standard error
  int rolls = 0;
};

// Play-out r of both choices with the dice of std::mt19937 seeded with {seed, r}. Plays at least
// `least` pairs and then stops as soon as the class of the loss is sure (more than two standard
// errors from every threshold), at `most` pairs at the latest; rolls 0 when cancelled.
TPlayOuts PlayOutLoss(const TStarkPlayer& stark, TEndgame& endgame, const TDecisionReview& d,
                      unsigned seed, int least, int most,
                      const std::atomic<bool>* cancel = nullptr);
// Whether a loss with this standard error lies more than two of them from every threshold.
bool VerdictSure(double lost, double se);
