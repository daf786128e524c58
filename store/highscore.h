#pragma once

// The high-score list: twenty scrambled records "score,name", best first, kept in TApp and in
// the score file. The file reading and the ranking rule live here as plain functions.

#include <QByteArray>
#include <QString>
#include <vector>

constexpr int SCORE_ENTRIES = 20;

// The plain record of a score.
QString ScoreRecord(int total, const QString& name);
// The score of a scrambled record.
int RecordScore(const QString& scrambled);
// The name of a scrambled record: up to a further comma; empty without a comma.
QString RecordName(const QString& scrambled);

// Splits the bytes of a score file into its scrambled records. A record may itself contain
// the bytes 0, 10 and 13, which the plain line reading would cut or lose, so a reading into
// twenty well-formed records is preferred; other files are read line by line.
std::vector<QString> ParseScoreFile(const QByteArray& bytes);

// Inserts a record for total above every stored total that is not higher; returns the
// 0-based position, or -1 when it does not enter. The list keeps its length.
int InsertScore(std::vector<QString>& list, int total, const QString& name);
