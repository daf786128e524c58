// The analysis's refinement: every decision unlike Stark's that the quick analysis could not value
// exactly, those whose quick verdict lies closest to a class's threshold first, each played on by
// Stark from both choices on the same dice, with the player's sums kept.

#include "ai/analysis.h"

#include "ai/playout.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

using std::size_t;

std::vector<TGameAnalyser::TRefinement> TGameAnalyser::ToRefine(const TGameReview& review)
{
  std::vector<std::pair<double, TRefinement>> found;
  for (size_t p = 0; p < review.players.size(); ++p) {
    const auto& decisions = review.players[p].decisions;
    for (size_t i = 0; i < decisions.size(); ++i) {
      const TDecisionReview& d = decisions[i];
      if (d.exact || d.refined || d.doneWords == d.bestWords) continue;
      double closest = INFINITY;
      for (double edge : THRESHOLDS)
        closest = std::min(closest, std::abs(d.lost - edge));
      found.push_back({closest, {int(p), int(i)}});
    }
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<TRefinement> order;
  for (const auto& f : found)
    order.push_back(f.second);
  return order;
}

TGameAnalyser::TPlayOutsOf TGameAnalyser::PlayOn(const TGameReview& review,
                                                 const TRefinement& which,
                                                 const std::atomic<bool>* cancel) const
{
  if (which.player < 0 || size_t(which.player) >= review.players.size()) return {};
  const TPlayerReview& player = review.players[size_t(which.player)];
  if (which.decision < 0 || size_t(which.decision) >= player.decisions.size()) return {};
  const TDecisionReview& d = player.decisions[size_t(which.decision)];
  if (d.refined) return {};
  // The same decision gets the same dice in every analysis of the game.
  const unsigned seed = unsigned(which.player) * 1000003u + unsigned(d.turn) * 8u +
                        unsigned(d.throwsLeft) * 2u + unsigned(d.kind == TDecisionKind::Cell);
  const TPlayOuts played =
      PlayOutLoss(Stark, PlayedOut, d, seed, REFINE_LEAST, REFINE_MOST, cancel);
  return {played.lost, played.se, played.rolls};
}

void TGameAnalyser::TakeRefined(TGameReview& review, const TRefinement& which,
                                const TPlayOutsOf& played)
{
  if (played.rolls == 0) return;
  if (which.player < 0 || size_t(which.player) >= review.players.size()) return;
  TPlayerReview& player = review.players[size_t(which.player)];
  if (which.decision < 0 || size_t(which.decision) >= player.decisions.size()) return;
  TDecisionReview& d = player.decisions[size_t(which.decision)];
  if (d.refined) return;
  d.quickLost = d.lost;
  d.lost = played.lost;
  d.playedSe = played.se;
  d.playOuts = played.rolls;
  d.refined = true;
  --player.verdicts[size_t(d.verdict)];
  d.verdict = VerdictFor(d.lost);
  ++player.verdicts[size_t(d.verdict)];
  player.lost += d.lost - d.quickLost;
  player.remainder += d.lost - d.quickLost;
}

bool TGameAnalyser::Refine(TGameReview& review, const TRefinement& which,
                           const std::atomic<bool>* cancel) const
{
  const TPlayOutsOf played = PlayOn(review, which, cancel);
  if (played.rolls == 0 && cancel && cancel->load()) return false;
  TakeRefined(review, which, played);
  return true;
}
