// A copy of the game for the tests that run several of them at once: the real application
// object, files and main loop, with the end of a game already played. Its arguments, in order:
//   score N     the first player's grand total is N, entered into the list as at the end of a game
//   computer    the menu item "Gegen den Computer" (which saves)
//   save        a save during play, as closing the player dialog makes
// Then it prints "ready <pid> <names, joined by |> <1 when the computer plays, else 0>" and
// runs the main loop until it is ended like the game (SIGTERM ends and saves). A message the
// game shows is printed as "notify <text>" instead of waiting for someone to close it.

#include "app/app.h"
#include "app/images.h"
#include "gui/driver.h"
#include "gui/toolkit.h"
#include "sheet/winpointfield.h"

#include <QStringList>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace
{
class TPrintingDriver : public TSystemDriver
{
public:
  void Notify(const QString& text, int) override
  {
    std::printf("notify %s\n", text.toUtf8().constData());
    std::fflush(stdout);
  }
};
} // namespace

int main(int argc, char** argv)
{
  RegisterImages();
  InitToolkit();
  SetSystemDriver(std::make_unique<TPrintingDriver>());
  static TApp app;
  app.Create();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "score") == 0 && i + 1 < argc) {
      app.Winpointfield[0]->Bonus[GRAND_TOTAL]->SetText(argv[++i]);
      app.CheckScore();
    } else if (std::strcmp(argv[i], "computer") == 0) {
      app.ChooseComputer();
    } else if (std::strcmp(argv[i], "save") == 0) {
      app.SaveGame();
      std::printf("saved\n");
    }
  }
  QStringList names;
  for (const QString& name : app.PlayerName)
    names << name;
  std::printf("ready %d %s %d\n", int(::getpid()), names.join('|').toLocal8Bit().constData(),
              app.ComputerPlays() ? 1 : 0);
  std::fflush(stdout);
  app.Start();
}
