#pragma once

// A long life in the record for the benchmarks: finished games of one person alone, of two
// people and of a person against each strength, one an hour, with ids drawn at random as the
// game draws them, written straight into the tables.

#include <string>

// Makes the record at path (its schema as the game makes it) with that many finished games and
// one abandoned game in every twenty. False when the file cannot be written.
bool FillRecord(const std::string& path, int games);
