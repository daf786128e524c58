#include "forms/highscoreform.h"

#include "app/app.h"
#include "forms/dialog.h"
#include "gui/runtime.h"
#include "store/rc4.h"

namespace
{
constexpr int RANK_X = 10, RANK_W = 50, SCORE_X = 61, SCORE_W = 59, NAME_X = 121, NAME_W = 189;
constexpr int ROW_H = 20;

void Colour(TGadget* g, const TRowColor& c)
{
  g->SetColor(c.r, c.g, c.b);
}
} // namespace

int THighscoreForm::Open(TApp* app)
{
  Window = CreateWindow(AppTitle() + " - HighScore", 0, 0, 350, 555, app->Window, DIALOG_STYLE);
  const int cw = Window->ClientWidth();
  const int ch = Window->ClientHeight();
  Header = CreateLabel("Highscore", 10, 10, cw - 20, 50, Window, LABEL_CENTER);
  Header->SetFont(Font24);
  const int t = 10 + Header->height;
  Group = CreatePanel(10, t, cw - 20, ch - t - 44, Window, PANEL_GROUP, QString());
  Rank[0] = CreateLabel("Rang", RANK_X, 0, RANK_W, ROW_H, Group, LABEL_CENTER);
  Score[0] = CreateLabel("Punkte", SCORE_X, 0, SCORE_W, ROW_H, Group, LABEL_CENTER);
  Name[0] = CreateLabel("Name", NAME_X, 0, NAME_W, ROW_H, Group, LABEL_CENTER);
  for (TGadget* title : {Rank[0], Score[0], Name[0]})
    title->SetFont(FontBold);

  int r = 1;
  if (app->Score) {
    for (const QString& record : *app->Score) {
      // The dialog has twenty rows; a longer list from a foreign file shows its top.
      if (r > SCORE_ROWS) break;
      const QStringList fields = Split(RC4(record, ScoreKey), ",");
      const int y = ROW_H * r;
      Rank[size_t(r)] =
          CreateLabel(QString::number(r) + ".", RANK_X, y, RANK_W, ROW_H, Group, LABEL_CENTER);
      Score[size_t(r)] =
          CreateLabel(fields.value(0), SCORE_X, y, SCORE_W, ROW_H, Group, LABEL_CENTER);
      Name[size_t(r)] = CreateLabel(fields.value(1), NAME_X, y, NAME_W, ROW_H, Group, LABEL_CENTER);
      const bool isNew = app->ScoreIndex[0] == r || app->ScoreIndex[1] == r;
      for (TGadget* g : {Rank[size_t(r)], Score[size_t(r)], Name[size_t(r)]}) {
        Colour(g, isNew ? ROW_NEW : (r % 2 ? ROW_ODD : ROW_EVEN));
        if (isNew) g->SetFont(FontBold);
      }
      ++r;
    }
  }
  Okay = CreateButton("OK", cw / 2 - 50, ch - 34, 100, 24, Window, BUTTON_OK);
  Okay->Activate(0);

  for (;;) {
    const int id = WaitEvent();
    if (ClosesDialog(id)) break;
    if (id == EVENT_GADGETACTION && EventSource() == Okay) break;
  }

  for (auto* labels : {&Rank, &Score, &Name}) {
    for (TGadget* g : *labels)
      FreeGadget(g);
    labels->clear();
  }
  FreeGadget(Okay);
  FreeGadget(Group);
  FreeGadget(Header);
  FreeGadget(Window);
  Okay = Group = Header = Window = nullptr;
  return 0;
}
