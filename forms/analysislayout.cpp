// The analysis window's gadgets and where they stand: built once at the default size, laid out
// again whenever the player changes the window's size. The list and the position take what the
// window gains; the chart and the summary keep their height.

#include "app/app.h"
#include "dice/dicefield.h"
#include "forms/analysisform.h"
#include "gui/chart.h"
#include "gui/progress.h"
#include "gui/table.h"
#include "gui/windowsize.h"

#include <algorithm>

namespace
{
// At this size the table shows its four columns whole and the position needs no scaling.
constexpr int WIDTH = 1160, HEIGHT = 712, MARGIN = 10;
constexpr int STATUS_H = 22, PROGRESS_W = 200, BALANCE_H = 128, ROW_H = 26;
constexpr int BUTTON_W = 130, CHECK_W = 110, CHART_H = 180, SUMMARY_H = 66, OK_W = 100, OK_H = 24;
constexpr int PLAYER_LABEL_W = 60;
} // namespace

void TAnalysisForm::Build(TApp* app, TGadget* owner, bool readable)
{
  Window = CreateWindow(AppTitle() + " - Spielanalyse", 0, 0, WIDTH, HEIGHT,
                        owner ? owner : app->Window, DIALOG_STYLE | WINDOW_RESIZABLE);
  SetMinimumClientSize(Window, WIDTH, HEIGHT);
  Status = CreateLabel(QString(), 0, 0, 10, 10, Window, LABEL_LEFT);
  Progress = CreateProgressBar(0, 0, 10, 10, Window);
  SetAccessibleName(Progress, "Fortschritt der Analyse");
  Progress->SetShow(0);
  const int seats = readable ? std::max(1, int(game_.players.size())) : 1;
  for (int p = 0; p < seats; ++p) {
    TGadget* balance = CreateTextArea(0, 0, 10, 10, Window, TEXTAREA_WORDWRAP | TEXTAREA_READONLY);
    SetAccessibleName(balance, p < int(names_.size()) ? "Bilanz von " + names_[size_t(p)]
                                                      : QString("Bilanz"));
    Balance.push_back(balance);
  }
  // One player's decisions at a time: radio buttons in a panel of their own, so that they are
  // one group, and only where there is a choice.
  Players = CreatePanel(0, 0, 10, 10, Window, PANEL_PLAIN);
  SetAccessibleName(Players, "Spieler");
  CreateLabel("Spieler:", 0, 0, PLAYER_LABEL_W, ROW_H, Players, LABEL_LEFT);
  for (size_t p = 0; p < names_.size() && names_.size() > 1; ++p) {
    Player.push_back(CreateButton(names_[p], 0, 0, 10, 10, Players, BUTTON_RADIO));
    Player.back()->SetSelected(p == 0 ? 1 : 0);
  }
  Players->SetShow(Player.size() > 1 ? 1 : 0);
  MistakesOnly = CreateButton("Nur Fehler", 0, 0, 10, 10, Window, BUTTON_CHECKBOX);
  SetAccessibleDescription(MistakesOnly, "nur Fehler und grobe Fehler zeigen");
  Previous = CreateButton("Voriger Fehler", 0, 0, 10, 10, Window, BUTTON_PUSH);
  Next = CreateButton("Nächster Fehler", 0, 0, 10, 10, Window, BUTTON_PUSH);
  SetAccessibleDescription(Previous, "Alt+V");
  SetAccessibleDescription(Next, "Alt+N");
  Previous->SetEnabled(0);
  Next->SetEnabled(0);
  SetHotKeyEvent(ANALYSIS_PREVIOUS_KEY, MODIFIER_ALT, Window);
  SetHotKeyEvent(ANALYSIS_NEXT_KEY, MODIFIER_ALT, Window);
  Keys =
      CreateLabel("Tasten: Alt+V voriger, Alt+N nächster Fehler", 0, 0, 10, 10, Window, LABEL_LEFT);
  List = CreateTable(0, 0, 10, 10, Window);
  SetAccessibleName(List, "Entscheidungen");
  SetTableColumns(List, {"Runde", "Entscheidung", "verloren", "Klasse"}, false);
  // The game's own dice pictures, decoded once at its start.
  std::array<TPixmapPtr, 7> faces{}, held{};
  const TDicefield* dice = app && !app->DiceField.empty() ? app->DiceField[0].get() : nullptr;
  for (size_t f = 1; f <= 6; ++f) {
    faces[f] = dice && dice->Pixmap[f] ? dice->Pixmap[f]
                                       : LoadPixmap("incbin::" + QString::number(f) + ".png");
    held[f] = dice && dice->PixmapHigh[f] ? dice->PixmapHigh[f]
                                          : LoadPixmap("incbin::" + QString::number(f) + "h.png");
  }
  Position.Create(Window, faces, held);
  Chart = CreateChart(0, 0, 10, 10, Window);
  // A text area, not a label: with long names the summary may need a line more than its place,
  // and then it scrolls instead of being cut off.
  Summary = CreateTextArea(0, 0, 10, 10, Window, TEXTAREA_WORDWRAP | TEXTAREA_READONLY);
  SetAccessibleName(Summary, "Zusammenfassung");
  Okay = CreateButton("OK", 0, 0, 10, 10, Window, BUTTON_OK);
  Layout(Window->ClientWidth(), Window->ClientHeight());
}

void TAnalysisForm::Layout(int width, int height)
{
  width = std::max(width, WIDTH);
  height = std::max(height, HEIGHT);
  const int positionW = POSITION_WIDTH + (width - WIDTH) / 2;
  const int summaryY = height - MARGIN - OK_H - MARGIN - SUMMARY_H;
  Okay->SetShape(width - MARGIN - OK_W, height - MARGIN - OK_H, OK_W, OK_H);
  Summary->SetShape(MARGIN, summaryY, width - 2 * MARGIN, SUMMARY_H);
  Position.Place(width - MARGIN - positionW, MARGIN, positionW, summaryY - 2 * MARGIN);

  const int x = MARGIN, w = width - positionW - 3 * MARGIN;
  int y = MARGIN;
  Status->SetShape(x, y, w - PROGRESS_W - MARGIN, STATUS_H);
  Progress->SetShape(x + w - PROGRESS_W, y, PROGRESS_W, STATUS_H);
  y += STATUS_H + 6;
  const int seats = int(Balance.size());
  const int bw = (w - (seats - 1) * MARGIN) / std::max(1, seats);
  for (int p = 0; p < seats; ++p)
    Balance[size_t(p)]->SetShape(x + p * (bw + MARGIN), y, bw, BALANCE_H);
  y += BALANCE_H + 6;
  Players->SetShape(x, y, w - CHECK_W - MARGIN, ROW_H);
  const int rw = (w - CHECK_W - MARGIN - PLAYER_LABEL_W) / std::max<int>(1, int(Player.size()));
  for (size_t p = 0; p < Player.size(); ++p)
    Player[p]->SetShape(PLAYER_LABEL_W + int(p) * rw, 0, rw, ROW_H);
  MistakesOnly->SetShape(x + w - CHECK_W, y, CHECK_W, ROW_H);
  y += ROW_H + 4;
  Previous->SetShape(x, y, BUTTON_W, ROW_H);
  Next->SetShape(x + BUTTON_W + 6, y, BUTTON_W, ROW_H);
  Keys->SetShape(x + 2 * BUTTON_W + 18, y, w - 2 * BUTTON_W - 18, ROW_H);
  y += ROW_H + 6;
  const int chartY = summaryY - 6 - CHART_H;
  List->SetShape(x, y, w, chartY - 6 - y);
  Chart->SetShape(x, chartY, w, CHART_H);
}
