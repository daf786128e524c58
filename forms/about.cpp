#include "forms/about.h"

#include "app/app.h"
#include "forms/dialog.h"

const char* const VERSION = "1.02";
const char* const ABOUT_URL = "https://www.qt.io/";

namespace
{
constexpr int BACKGROUND = 232; // light grey, also the corners of the picture
constexpr int GAP = 10;

struct TCredit {
  const char* text;
  int height;
  bool heading;
};

// Headings are bold and stand 10 pixels below what is above them; texts follow directly.
constexpr TCredit CREDITS[6] = {
    {"Programmierung und Grafik", 20, true},
    {"Das Wurfwummel-Team", 20, false},
    {"Danksagung", 20, true},
    {"Den Entwicklern von Qt, libpng\nund zlib, auf deren Arbeit das Spiel steht", 40, false},
    {"Grüße", 20, true},
    {"An alle, die gern würfeln, und an jeden,\nder schon einmal sechs gleiche Würfel\n"
     "auf einen Streich geworfen hat",
     60, false},
};
} // namespace

void TAbout::Build(TApp* app)
{
  Window = CreateWindow(AppTitle() + " - About", 0, 0, 300, 460, app->Window, DIALOG_STYLE);
  Group = CreatePanel(0, 0, Window->ClientWidth(), Window->ClientHeight(), Window, PANEL_PLAIN);
  Group->SetColor(BACKGROUND, BACKGROUND, BACKGROUND);
  const int w = Group->ClientWidth();
  Panel = CreatePanel(Window->ClientWidth() / 2 - 64, 10, 128, 128, Group, PANEL_PLAIN);
  Panel->SetPixmap(LoadPixmapPNG("incbin::about.png"), PANELPIXMAP_TILE);
  Version = CreateLabel(AppTitle() + " " + VERSION, 0, Panel->ypos + Panel->height, w, 32, Group,
                        LABEL_CENTER);
  Version->SetFont(FontBold16);
  Okay = CreateButton("OK", w / 2 - 50, Group->ClientHeight() - 34, 100, 24, Group, BUTTON_OK);

  int y = Version->ypos + Version->height;
  for (int i = 0; i < 6; ++i) {
    if (CREDITS[i].heading) y += GAP;
    Label[size_t(i)] = CreateLabel(QString::fromUtf8(CREDITS[i].text), 0, y, w, CREDITS[i].height,
                                   Group, LABEL_CENTER);
    if (CREDITS[i].heading) Label[size_t(i)]->SetFont(FontBold);
    y += CREDITS[i].height;
  }
  Label[6] = CreateHyperlink(ABOUT_URL, 0, y + GAP, w, 20, Group, LABEL_CENTER,
                             "Gebaut mit Qt: www.qt.io");
  Label[6]->SetTextColor(0, 0, 0);
  Label[6]->SetColor(0, 0, 255);
  Okay->Activate(0);
}

void TAbout::Release()
{
  for (TGadget* g : Label)
    FreeGadget(g);
  Label.clear();
  FreeGadget(Panel);
  FreeGadget(Version);
  FreeGadget(Okay);
  FreeGadget(Group);
  FreeGadget(Window);
  Panel = Version = Okay = Group = Window = nullptr;
}

int TAbout::Open(TApp* app)
{
  Build(app);
  for (;;) {
    const int id = WaitEvent();
    if (ClosesDialog(id)) break;
    if (id == EVENT_GADGETACTION && EventSource() == Okay) break;
  }
  Release();
  return 0;
}
