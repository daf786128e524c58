#pragma once

// The table of files carried inside the program, reached through "incbin::name" addresses.

#include <QString>
#include <QStringList>

// Returns 1, or 0 when the name is taken already (the first registration wins).
int RegisterEmbeddedFile(const QString& name, const unsigned char* data, int length);
const unsigned char* EmbeddedData(const QString& name);
int EmbeddedLength(const QString& name);
// Every registered name, newest first.
QStringList EmbeddedNames();

// Makes "incbin::" addresses known to the stream layer; done by the toolkit's start.
void InitEmbeddedStreams();
