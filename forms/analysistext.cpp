#include "forms/analysistext.h"

#include "ai/wording.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace
{
// A decimal comma and no dot between thousands, as the sheet writes its totals.
QLocale German()
{
  QLocale locale(QLocale::German, QLocale::Germany);
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale;
}

QString Utf8(const std::string& text)
{
  return QString::fromStdString(text);
}

QString Verdict(TVerdict verdict)
{
  return Utf8(VerdictWords(verdict));
}

QString Prefix(const QString& name)
{
  return name.isEmpty() ? QString() : name + ", ";
}

// What a decision lost, or gained where the worths rate it above Stark's own choice.
QString Lost(const TDecisionReview& decision)
{
  // A verdict refined by games played on from both choices says so.
  const QString played = decision.refined ? " (nachgespielt)" : QString();
  if (decision.lost <= -0.05) return Points(-decision.lost) + " Punkte besser als Stark" + played;
  return Points(decision.lost) + " Punkte verloren" + played;
}
} // namespace

QString SeatName(const TRecordPlayer& player)
{
  QString name = Utf8(player.name);
  if (player.computer && !player.level.empty()) {
    QString level = Utf8(player.level);
    level[0] = level[0].toUpper();
    name += " (" + level + ")";
  }
  return name;
}

QString Points(double value, bool sign)
{
  // -0,0 reads as a fault; a loss that rounds to nothing is none.
  if (std::fabs(value) < 0.05) value = 0;
  const QString text = German().toString(value, 'f', 1);
  return sign && value > 0 ? "+" + text : text;
}

QString DecisionPlace(const TDecisionReview& decision)
{
  const QString round = "Runde " + QString::number(decision.turn + 1);
  if (decision.kind == TDecisionKind::Cell) return round + ", Eintrag";
  return round + ", vor dem " + QString::number(4 - decision.throwsLeft) + ". Wurf";
}

QString BalanceText(const QString& name, const TPlayerReview& review)
{
  QStringList lines;
  lines << name;
  lines << "Erwartet zu Beginn: " + Points(review.start);
  lines << "Glück der Würfel: " + Points(review.luck, true);
  // What the decisions cost, as a number of points lost; a player whose choices the worths rate
  // above Stark's own on the whole has lost nothing and gained that much.
  if (review.lost <= -0.05)
    lines << "Punkte besser als Stark: " + Points(-review.lost);
  else
    lines << "Verlorene Punkte: " + Points(review.lost);
  // Two decimals: a good player's loss per decision is a few tenths.
  const double each = review.LostPerDecision();
  lines << "Je Entscheidung: " + German().toString(std::fabs(each), 'f', 2) +
               (each <= -0.005 ? " besser" : "") + " (" + QString::number(review.decisions.size()) +
               (review.decisions.size() == 1 ? " Entscheidung)" : " Entscheidungen)");
  if (review.finished)
    lines << "Endstand: " + QString::number(review.total);
  else
    lines << "Erwartet jetzt: " + Points(review.now) + " (auf dem Blatt " +
                 QString::number(review.total) + ")";
  QStringList counts;
  for (int v = 0; v < VERDICTS; ++v)
    counts << Verdict(TVerdict(v)) + " " + QString::number(review.verdicts[size_t(v)]);
  lines << counts.join(", ");
  return lines.join("\n");
}

std::vector<TDecisionRef> GameOrder(const TGameReview& review)
{
  std::vector<TDecisionRef> order;
  std::vector<size_t> next(review.players.size(), 0);
  for (int turn = 0;; ++turn) {
    bool left = false;
    for (size_t p = 0; p < review.players.size(); ++p) {
      const std::vector<TDecisionReview>& decisions = review.players[p].decisions;
      size_t& i = next[p];
      for (; i < decisions.size() && decisions[i].turn == turn; ++i)
        order.push_back({int(p), int(i)});
      left = left || i < decisions.size();
    }
    if (!left) break;
  }
  return order;
}

QString PositionText(const QString& name, const TDecisionReview& decision)
{
  QStringList lines;
  lines << Prefix(name) + DecisionPlace(decision);
  QString dice = "Würfel:";
  for (size_t i = 0; i < decision.dice.size(); ++i) {
    const QString face = QString::number(decision.dice[i]);
    dice += decision.held[i] ? " [" + face + "]" : "  " + face + " ";
  }
  lines << dice;
  lines << "Gewählt: " + Utf8(decision.doneWords) + ", danach " + Points(decision.valueDone);
  lines << "Stark:   " + Utf8(decision.bestWords) + ", danach " + Points(decision.valueBest);
  lines << "Ergebnis: " + Lost(decision) + ", " + Verdict(decision.verdict) +
               (decision.exact ? " (genau berechnet)" : "");
  return lines.join("\n");
}

std::vector<int> WorstDecisions(const TPlayerReview& review, size_t most)
{
  std::vector<int> worst;
  for (size_t i = 0; i < review.decisions.size(); ++i)
    if (review.decisions[i].lost >= INACCURATE_LOSS) worst.push_back(int(i));
  std::stable_sort(worst.begin(), worst.end(), [&](int a, int b) {
    return review.decisions[size_t(a)].lost > review.decisions[size_t(b)].lost;
  });
  if (worst.size() > most) worst.resize(most);
  std::sort(worst.begin(), worst.end());
  return worst;
}

QString CourseSummary(const std::vector<QString>& names, const TGameReview& review)
{
  QStringList parts;
  for (size_t p = 0; p < review.players.size(); ++p) {
    const TPlayerReview& player = review.players[p];
    QString part = (p < names.size() ? names[p] : QString()) + ": erwartet zu Beginn " +
                   Points(player.start) + (player.finished ? ", am Ende " : ", jetzt ") +
                   Points(player.now);
    std::vector<int> worst = WorstDecisions(player, 3);
    std::stable_sort(worst.begin(), worst.end(), [&](int a, int b) {
      return player.decisions[size_t(a)].lost > player.decisions[size_t(b)].lost;
    });
    if (worst.empty()) {
      part += "; kein Verlust von " + Points(INACCURATE_LOSS) + " Punkten oder mehr";
    } else {
      QStringList most;
      for (int i : worst) {
        const TDecisionReview& d = player.decisions[size_t(i)];
        most << DecisionPlace(d) + " (" + Points(d.lost) + " Punkte)";
      }
      part += "; die größten Verluste: " + most.join(", ");
    }
    parts << part;
  }
  return "Erwarteter Endstand im Lauf des Spiels. " + parts.join(". ") + ".";
}

QString VerdictText(const TDecisionReview& decision)
{
  return Verdict(decision.verdict) + ": " + Lost(decision) +
         (decision.exact ? " (genau berechnet)" : "");
}

QStringList DecisionCells(const TDecisionReview& decision)
{
  const QString what = decision.kind == TDecisionKind::Cell
                           ? "Eintrag: "
                           : "vor dem " + QString::number(4 - decision.throwsLeft) + ". Wurf: ";
  const QString lost =
      decision.lost <= -0.05 ? Points(-decision.lost) + " besser als Stark" : Points(decision.lost);
  return {QString::number(decision.turn + 1), what + Utf8(decision.doneWords), lost,
          Verdict(decision.verdict) + (decision.refined ? ", nachgespielt" : "")};
}

QString RemainderText(const std::vector<QString>& names, const TGameReview& review)
{
  QStringList parts;
  bool finished = true;
  for (size_t p = 0; p < review.players.size(); ++p) {
    const TPlayerReview& player = review.players[p];
    finished = finished && player.finished;
    if (std::fabs(player.remainder) < 0.05) continue;
    const QString who = review.players.size() > 1 && p < names.size() ? " bei " + names[p] : "";
    parts << Points(std::fabs(player.remainder)) + " Punkte" + who;
  }
  if (parts.isEmpty()) return QString();
  // What the remainder is, in a player's words: the estimate of a sheet's worth that every
  // figure rests on is not exact away from the end of a game.
  return "Erwartung zu Beginn, Glück und verlorene Punkte ergeben " +
         QString(finished ? "den Endstand" : "die Erwartung von jetzt") + " bis auf " +
         parts.join(" und ") +
         ": so weit liegt Starks Schätzung, was ein Blatt noch wert ist, daneben; zum Ende eines "
         "Spiels hin rechnet Stark genau.";
}
