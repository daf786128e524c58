#pragma once

// The high-score list: twenty scrambled records "score,name", best first, kept in TApp and in
// the score file. The ranking rule and the merging of two lists live here as plain functions.

#include "store/scorefile.h"

#include <QString>
#include <vector>

// The plain record of a score.
QString ScoreRecord(int total, const QString& name);
// The score of a scrambled record.
int RecordScore(const QString& scrambled);
// The name of a scrambled record: up to a further comma; empty without a comma.
QString RecordName(const QString& scrambled);

// Inserts a scrambled record above every stored record of the first SCORE_ENTRIES whose score is
// not higher; returns the 0-based position, or -1 when it does not enter. The list keeps its
// length.
int InsertRecord(std::vector<QString>& list, const QString& scrambled);
// The same for a new total and name.
int InsertScore(std::vector<QString>& list, int total, const QString& name);

// The list another copy of the game may have saved in the meantime, with this run's new
// records entered again in the order they were made.
std::vector<QString> MergeScores(std::vector<QString> onDisk, const std::vector<QString>& fresh);
