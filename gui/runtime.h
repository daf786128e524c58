#pragma once

// Runtime services of the toolkit: the dice generator, the clock, the user's data folder,
// files and folders, and the string rules that the game's files and cells depend on.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// The generator state, 1 .. 2^31 - 2; 4660 until seeded.
void SeedRnd(int seed);
int RndState();
double Rnd();
int Rand(int min, int max);

// Milliseconds since the system started, wrapping as a signed 32-bit count.
int MilliSecs();

// The per-user application-data folder, without a trailing separator: $XDG_DATA_HOME when it is
// an absolute path, else ~/.local/share, as the XDG base directory rules say.
QString GetUserAppDir();
// The same folder as the bytes the system gives, which need not be valid UTF-8.
QByteArray GetUserAppDirNative();

// 0 nothing, 1 regular file, 2 folder.
int FileType(const QString& path);
int CreateDir(const QString& path, bool recursive);
bool DeleteFile(const QString& path);
bool RenameFile(const QString& from, const QString& to);
QString NormalisePath(const QString& path, bool folder);

QString IntToStr(int value);
int StrToInt(const QString& text);
int RealToInt(double value);
double Ceil(double value);
int Compare(const QString& a, const QString& b);
int Find(const QString& haystack, const QString& needle, int start);
QStringList Split(const QString& text, const QString& separator);
void SortInts(std::vector<int>& values, bool ascending);
