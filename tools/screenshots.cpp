// Makes the README's screenshots from the real game on Qt's offscreen platform, so that they
// can be made again whenever the look changes. Not part of the game and never installed.
// Usage: screenshots standard|compact|highscore|hint|analysis FILE.png
// (cmake --build build --target make_screenshots writes the README's into dist/screenshots/.)

#include "ai/player.h"
#include "app/app.h"
#include "app/computer.h"
#include "app/images.h"
#include "app/recorder.h"
#include "dice/dicefield.h"
#include "forms/analysisform.h"
#include "forms/highscoreform.h"
#include "gui/event.h"
#include "gui/gadget.h"
#include "gui/toolkit.h"
#include "sheet/pointfield.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <unistd.h>

namespace
{
// Handles the waiting events as the game's own loop would.
void Pump(TApp& app)
{
  QCoreApplication::processEvents();
  while (PollEvent())
    app.Dispatch(CurrentEvent());
}

void Click(TApp& app, TGadget* gadget)
{
  QWidget* w = gadget->Native();
  QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
  Pump(app);
}

// A turn in progress: four fives held after a throw, the fives row chosen, before entering.
void PlayATurn(TApp& app)
{
  TDicefield& dice = *app.DiceField[0];
  const int faces[] = {5, 2, 5, 5, 6, 5};
  for (int i = 1; i <= 6; ++i) {
    dice.Dice[size_t(i)] = faces[i - 1];
    dice.ShowDie(i);
  }
  for (int i : {1, 3, 4, 6})
    Click(app, dice.Panel[size_t(i)]);
  Click(app, app.Pointfield[0]->Points[0]->Array[4]);
}

// A hint with held dice to let go: a 6, 4, 1, 1, 4, 2 all held after the first throw.
void ShowAHint(TApp& app)
{
  TDicefield& dice = *app.DiceField[0];
  const int faces[] = {6, 4, 1, 1, 4, 2};
  for (int i = 1; i <= 6; ++i) {
    dice.Dice[size_t(i)] = faces[i - 1];
    dice.ShowDie(i);
  }
  for (int i = 1; i <= 6; ++i)
    Click(app, dice.Panel[size_t(i)]);
  app.HintUsed = true; // the question before the first hint is answered
  app.ShowHint();
  Pump(app);
}

// Twelve rounds of two players for the analysis window: Anna plays as "Leicht" would, Bernd as
// "Mittel", each throwing twice and then entering.
void PlayTurns(TApp& app)
{
  const auto casual = MakePlayer(TLevel::Leicht);
  const auto decent = MakePlayer(TLevel::Mittel);
  for (int turn = 0; turn < 24; ++turn) {
    const int p = app.CurrentPlayer;
    TDicefield& dice = *app.DiceField[size_t(p)];
    app.Act(dice.Button);
    TFaces faces{};
    for (size_t i = 0; i < faces.size(); ++i)
      faces[i] = dice.Dice[i + 1];
    const TCellChoice cell = (p == 0 ? casual : decent)->ChooseCell(SheetOf(app, p), faces);
    app.Act(SheetCell(app, p, cell.row, cell.column));
    app.Act(dice.Fill);
    app.Record->Observe();
  }
}

bool Save(QWidget* widget, const char* file)
{
  if (!widget->grab().save(QString::fromLocal8Bit(file), "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", file);
    return false;
  }
  return true;
}
} // namespace

int main(int argc, char** argv)
{
  const char* modes[] = {"standard", "compact", "highscore", "hint", "analysis"};
  if (argc != 3 || std::none_of(std::begin(modes), std::end(modes),
                                [&](const char* m) { return std::strcmp(argv[1], m) == 0; })) {
    std::fprintf(stderr, "usage: %s standard|compact|highscore|hint|analysis FILE.png\n", argv[0]);
    return 2;
  }
  const char* file = argv[2];
  // A fresh data folder: the shots show a first start, not the user's own names and scores.
  QTemporaryDir data;
  qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
  qputenv("QT_QPA_PLATFORM", "offscreen");
  RegisterImages();
  InitToolkit();
  SetDesktopSize(1280, std::strcmp(argv[1], "compact") == 0 ? 768 : 1024);
  if (std::strcmp(argv[1], "analysis") == 0) {
    // Two players, so that the window shows its choice of player.
    const QString folder = data.path() + "/Tollmark/Wurfwummel";
    QDir().mkpath(folder);
    QFile settings(folder + "/wurfwummel.cfg");
    if (settings.open(QIODevice::WriteOnly)) settings.write("Anna\r\nBernd\r\n");
  }
  static TApp app;
  app.Create();
  Pump(app);

  bool ok = true;
  if (std::strcmp(argv[1], "highscore") == 0) {
    QWidget* main = app.Window->Native();
    // The dialog runs its own loop: the shot is taken from inside it, then the dialog closes.
    QTimer::singleShot(100, [&ok, main, file] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w != main) {
          ok = Save(w, file);
          w->close();
          return;
        }
      ok = false;
    });
    THighscoreForm().Open(&app);
  } else if (std::strcmp(argv[1], "analysis") == 0) {
    PlayTurns(app);
    QWidget* main = app.Window->Native();
    // Shot once the table has filled in, with the first mistake chosen by its key.
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [&ok, main, file, poll] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w == main) continue;
        QTableWidget* table = w->findChild<QTableWidget*>();
        if (!table || table->rowCount() == 0) return;
        poll->stop();
        QApplication::setActiveWindow(w);
        table->setFocus();
        QTest::keyClick(table, Qt::Key_N, Qt::AltModifier);
        QTimer::singleShot(300, [&ok, w, file] {
          ok = Save(w, file);
          w->close();
        });
        return;
      }
    });
    poll->start(50);
    TAnalysisForm().Open(&app, app.Record->ActionsToAnalyse());
  } else if (std::strcmp(argv[1], "hint") == 0) {
    ShowAHint(app);
    ok = Save(app.Window->Native(), file);
  } else {
    PlayATurn(app);
    ok = Save(app.Window->Native(), file);
  }
  // Like the game itself, end without tearing the object tree down.
  std::fflush(nullptr);
  ::_exit(ok ? 0 : 1);
}
