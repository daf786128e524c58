#pragma once

// Real copies of the game (wwcopy) run by the tests, with the faults of a real machine put in by
// strace, and the data folder they share.

#include "store/highscore.h"
#include "store/rc4.h"
#include "store/scorefile.h"
#include "tests/support/recordsql.h"
#include "tests/support/support.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

constexpr uid_t NOBODY = 65534;

inline QString Data(const QString& home)
{
  return home + "/Tollmark/Wurfwummel";
}

inline QByteArray Native(const QString& path)
{
  return QFile::encodeName(path);
}

inline QByteArray DefaultScores()
{
  return WriteScoreFile(
      std::vector<QString>(SCORE_ENTRIES, RC4(ScoreRecord(0, "Spieler1"), ScoreKey)));
}

// The files a copy finds after earlier games: nothing for it to write at its start.
inline void Prepare(const QString& home, const QByteArray& names = "Spieler1\r\n",
                    const QByteArray& choice = QByteArray())
{
  ASSERT_TRUE(QDir().mkpath(Data(home)));
  ASSERT_TRUE(WriteAll(Data(home) + "/wurfwummel.cfg", names));
  ASSERT_TRUE(WriteAll(Data(home) + "/wurfwummel.scr", DefaultScores()));
  if (!choice.isNull()) {
    ASSERT_TRUE(WriteAll(Data(home) + "/wurfwummel.cpu", choice));
  }
}

// One copy of the game (wwcopy), under strace when asked.
class TCopy
{
public:
  TCopy(const QString& home, const QStringList& args, const QStringList& strace = {},
        bool asNobody = false)
  {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", home);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process_.setProcessEnvironment(env);
    QStringList command;
    if (asNobody)
      command << "setpriv"
              << "--reuid=65534"
              << "--regid=65534"
              << "--clear-groups";
    if (!strace.isEmpty())
      command << "strace"
              << "-f"
              << "-qq"
              << "-o"
              << "/dev/null" << strace;
    command << WWCOPY_BIN << args;
    process_.start(command.takeFirst(), command);
  }
  ~TCopy()
  {
    if (process_.state() == QProcess::NotRunning) return;
    if (pid_ > 0) ::kill(pid_, SIGKILL);
    process_.kill();
    process_.waitForFinished(5000);
  }
  // Waits for the line the copy prints once it is in its main loop, or for its end.
  bool Ready()
  {
    while (!ready_) {
      while (process_.canReadLine()) {
        const QList<QByteArray> words = process_.readLine().trimmed().split(' ');
        said_[words.value(0)] = QString::fromUtf8(words.mid(1).join(' '));
        if (words.value(0) == "saved") saved_ = true;
        if (words.value(0) == "state") states_ << QString::fromUtf8(words.value(1));
        if (words.value(0) == "notify") {
          notes_ << QString::fromUtf8(words.mid(1).join(' '));
          notices_ += 1;
        }
        if (words.value(0) == "record") game_ = words.value(1).toLongLong();
        if (words.value(0) == "slowest") slowest_ = words.value(1).toInt();
        if (words.value(0) != "ready" || words.size() < 4) continue;
        pid_ = pid_t(words[1].toInt());
        names_ = QString::fromLocal8Bit(words[2]);
        computer_ = words[3] == "1";
        ready_ = true;
      }
      if (ready_) break;
      if (process_.state() == QProcess::NotRunning || !process_.waitForReadyRead(20000))
        return false;
    }
    return true;
  }
  // Reads what the copy prints up to a line that begins with word; false when it ends first.
  bool WaitFor(const QByteArray& word)
  {
    for (;;) {
      while (process_.canReadLine()) {
        const QList<QByteArray> words = process_.readLine().trimmed().split(' ');
        said_[words.value(0)] = QString::fromUtf8(words.mid(1).join(' '));
        if (words.value(0) == "state") states_ << QString::fromUtf8(words.value(1));
        if (words.value(0) == "notify") {
          notes_ << QString::fromUtf8(words.mid(1).join(' '));
          notices_ += 1;
        }
        if (words.value(0) == "ready" && words.size() >= 4) {
          pid_ = pid_t(words[1].toInt());
          ready_ = true;
        }
        if (words.value(0) == word) return true;
      }
      if (process_.state() == QProcess::NotRunning || !process_.waitForReadyRead(30000))
        return false;
    }
  }
  // Lets a waiting copy go on.
  void GoOn()
  {
    process_.write("\n");
    process_.waitForBytesWritten(5000);
  }
  bool Saved() const { return saved_; }
  // What the copy printed of its game: the state after each action ("play"), the game it
  // records, how many messages it showed, its slowest action in milliseconds ("timed").
  const QStringList& States() const { return states_; }
  qint64 Game() const { return game_; }
  int Notices() const { return notices_; }
  // The messages the copy showed while it started.
  QStringList Notes() const { return notes_; }
  int Slowest() const { return slowest_; }
  // Reads what the copy prints until it ends.
  void Drain()
  {
    process_.waitForFinished(30000);
    while (process_.canReadLine()) {
      const QList<QByteArray> words = process_.readLine().trimmed().split(' ');
      said_[words.value(0)] = QString::fromUtf8(words.mid(1).join(' '));
      if (words.value(0) == "state") states_ << QString::fromUtf8(words.value(1));
      if (words.value(0) == "slowest") slowest_ = words.value(1).toInt();
    }
  }
  QString Names() const { return names_; }
  // The rest of the last line read that began with word ("offering", "connected", "notify").
  QString Said(const QByteArray& word) const { return said_.value(word); }
  bool Computer() const { return computer_; }
  void Signal(int sig) { ::kill(pid_, sig); }
  // Before it is ready too.
  void Kill() { process_.kill(); }
  bool Running() { return process_.state() != QProcess::NotRunning; }
  // True when the copy ended by itself with exit code 0.
  bool EndedCleanly()
  {
    return process_.waitForFinished(30000) && process_.exitStatus() == QProcess::NormalExit &&
           process_.exitCode() == 0;
  }
  bool Ended() { return process_.waitForFinished(30000); }
  // Stopped by a signal (the tracer shows it as a tracing stop).
  bool Stopped()
  {
    QFile status(QString("/proc/%1/status").arg(pid_));
    if (!status.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& line : status.readAll().split('\n'))
      if (line.startsWith("State:")) return line.contains("T (") || line.contains("t (");
    return false;
  }

private:
  QProcess process_;
  pid_t pid_ = -1;
  bool ready_ = false, saved_ = false, computer_ = false;
  QString names_;
  QStringList states_, notes_;
  QMap<QByteArray, QString> said_;
  qint64 game_ = 0;
  int notices_ = 0, slowest_ = -1;
};
