#include "ai/wording.h"

#include "sheet/labels.h"

#include <algorithm>
#include <cstddef>

using std::size_t;

std::string RowLabel(int row)
{
  if (row < 0 || row >= SHEET_ROWS) return {};
  const TSection& section = SectionOf(row);
  const size_t r = size_t(row - section.firstRow);
  switch (section.kind) {
  case TColumnKind::Point:
    return NUMBER_LABELS[r];
  case TColumnKind::Pasch:
    return PASCH_LABELS[r];
  case TColumnKind::Num:
    return HOUSE_LABELS[r];
  case TColumnKind::Street:
    return STREET_LABELS[r];
  case TColumnKind::Wummel:
    return std::string(WUMMEL_LABEL) + ", Zeile " + std::to_string(r + 1);
  case TColumnKind::Chance:
    break;
  }
  return CHANCE_LABEL;
}

std::string CellWords(int row, int column)
{
  return RowLabel(row) + ", Spalte " + std::to_string(column + 1);
}

std::string EntryWords(int row, int column, int points)
{
  if (points == 0) return CellWords(row, column) + " streichen (0 Punkte)";
  return CellWords(row, column) + " (" + std::to_string(points) +
         (points == 1 ? " Punkt)" : " Punkte)");
}

std::string KeptFaces(const TFaces& dice, const THolds& keep)
{
  std::string words;
  for (size_t i = 0; i < DICE; ++i) {
    if (!keep[i]) continue;
    if (!words.empty()) words += ", ";
    words += std::to_string(dice[i]);
  }
  return words;
}

std::string HoldWords(const TFaces& dice, const THolds& keep, const THolds& held)
{
  if (std::all_of(keep.begin(), keep.end(), [](bool k) { return k; })) return "nicht mehr würfeln";
  THolds release{};
  for (size_t i = 0; i < DICE; ++i)
    release[i] = held[i] && !keep[i];
  // Held dice to be thrown again come first: they are what the hand must undo.
  const std::string released = KeptFaces(dice, release);
  const std::string faces = KeptFaces(dice, keep);
  if (faces.empty())
    return (released.empty() ? "" : released + " freigeben und ") + "alle Würfel neu würfeln";
  if (keep == held) return faces + " gehalten lassen";
  return (released.empty() ? "" : released + " freigeben, ") + faces + " halten";
}
