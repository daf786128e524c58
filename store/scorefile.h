#pragma once

// The bytes of the score file: its scrambled records, one per line, each ended by CR LF.
// Reading and writing are plain functions over bytes, shared by the game, the tests and the
// fuzz targets.

#include <QByteArray>
#include <QString>
#include <vector>

// The list has twenty places; a longer file keeps its further records below them.
constexpr int SCORE_ENTRIES = 20;
// The largest score file the game reads. The game keeps its own at twenty records of a few
// dozen bytes; an edited or merged one of up to some 50,000 records (1 MiB) is read, kept
// whole and written back whole. A larger one is not read at all and never replaced, so that
// no record of it is dropped, and a huge or endless file costs no more than this.
constexpr qsizetype SCORE_READ_LIMIT = 1024 * 1024;
// A record longer than this is cut when read, so that a save never writes more than it read.
constexpr qsizetype SCORE_RECORD_LIMIT = 1024;

// Splits a score file (its first SCORE_READ_LIMIT bytes) into its scrambled records, all of
// them: what is read is written back. A caller keeps a file only when the records, written
// back, fit into that limit again.
//
// A scrambled record may itself hold the bytes 0, 10 and 13, even CR LF, so a line end is only
// a possible end of a record. Of all ways to cut the lines into records, the reading keeps the
// one with the most records that unscramble to "digits,name" and, among those, the fewest that
// do not; a record of several lines must unscramble that way. The search runs once forward over
// the lines and looks back at most a record's length, so its time grows linearly with the size.
// LF and CR LF both end lines, so files converted by an editor read as well. An empty line is
// no record and no part of one, except inside a record or as the game writes a record that
// ends in a line feed (LF, then an empty line ended by CR LF).
//
// Reading what WriteScoreFile writes for the result gives the same records again.
std::vector<QString> ParseScoreFile(const QByteArray& bytes);

// The file's bytes: each record as the low 8 bits of its characters, then CR LF.
QByteArray WriteScoreFile(const std::vector<QString>& records);
