#include "store/highscore.h"

#include "gui/runtime.h"
#include "store/rc4.h"

QString ScoreRecord(int total, const QString& name)
{
  return IntToStr(total) + "," + name;
}

int RecordScore(const QString& scrambled)
{
  return StrToInt(Split(RC4(scrambled, ScoreKey), ",").value(0));
}

QString RecordName(const QString& scrambled)
{
  return Split(RC4(scrambled, ScoreKey), ",").value(1);
}

int InsertRecord(std::vector<QString>& list, const QString& scrambled)
{
  const int total = RecordScore(scrambled);
  // Only the twenty places count; records below them move down and the last one drops off.
  for (size_t j = 0; j < list.size() && j < size_t(SCORE_ENTRIES); ++j) {
    if (RecordScore(list[j]) > total) continue;
    list.insert(list.begin() + qsizetype(j), scrambled);
    list.pop_back();
    return int(j);
  }
  return -1;
}

int InsertScore(std::vector<QString>& list, int total, const QString& name)
{
  return InsertRecord(list, RC4(ScoreRecord(total, name), ScoreKey));
}

std::vector<QString> MergeScores(std::vector<QString> onDisk, const std::vector<QString>& fresh)
{
  for (const QString& record : fresh)
    InsertRecord(onDisk, record);
  return onDisk;
}
