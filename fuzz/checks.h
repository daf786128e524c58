#pragma once

// The properties the fuzz targets check, shared with the test suite, which runs every seed and
// every input that ever found a fault through them.

#include <QByteArray>
#include <QString>

// Reading a score file, writing the list and reading it again gives the same list, and the
// written file is a fixed point. Empty when it holds, else what went wrong.
QString CheckScoreFile(const QByteArray& bytes);
// The same for the settings file.
QString CheckSettingsFile(const QByteArray& bytes);
// Loads the bytes as a PNG picture; a picture that comes back must be of a sane size.
QString CheckPng(const QByteArray& bytes);
// Writes the bytes as the game's record into a folder of its own, opens it as a start does and
// reads what a start and the statistics read: the open games played back, the games waiting for
// the high-score list, the statistics. A file the record refuses is left byte for byte as it
// was; one it takes has the game's mark, version and tables afterwards, and every game it plays
// back is one that can be.
QString CheckRecordFile(const QByteArray& bytes);
