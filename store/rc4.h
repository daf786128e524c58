#pragma once

// The RC4 stream cipher over one byte per character: the low 8 bits of each code unit are
// scrambled, the high bits pass through. The same call unscrambles. The keystream starts
// afresh on every call.

#include <QString>

QString RC4(const QString& text, const QString& key);

// The fixed key of the high-score file: files written under it can only be read under it.
extern const QString ScoreKey;
