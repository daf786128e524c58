#pragma once

// What the tests of the computer opponent share: its menu items as the menu bar holds them, the
// sheets' cells, a person's plain turn, and a restart of the program.

#include "app/computer.h"
#include "app/sections.h"
#include "dice/dicefield.h"
#include "tests/support/support.h"

#include <QAction>
#include <QFile>

class Opponent : public TWithApp
{
protected:
  QAction* Action(const QString& text)
  {
    for (QAction* a : app_->Window->Native()->findChildren<QAction*>())
      if (a->text() == text) return a;
    return nullptr;
  }
  // Chooses a menu item as the menu bar does; the main loop then handles it.
  void ChooseMenu(const QString& text)
  {
    QAction* a = Action(text);
    ASSERT_NE(a, nullptr) << text.toStdString();
    a->trigger();
    Pump();
  }
  bool Checked() { return Action("Gegen den Computer")->isChecked(); }

  std::vector<TGadget*> Cells(int p)
  {
    std::vector<TGadget*> cells;
    ForScoringSections(*app_, size_t(p), [&cells](auto& section) {
      for (const auto& column : section.Points)
        for (TGadget* cell : column->Array)
          cells.push_back(cell);
    });
    return cells;
  }
  int Entered(int p)
  {
    int n = 0;
    for (TGadget* cell : Cells(p))
      n += GadgetDisabled(cell);
    return n;
  }
  TGadget* FirstFree(int p)
  {
    for (TGadget* cell : Cells(p))
      if (!GadgetDisabled(cell)) return cell;
    return nullptr;
  }
  QByteArray File(const char* name) { return ReadAll(DataPath() + name); }

  // The person's turn: the first free cell with the dice as they fell, "Eintragen".
  void PersonPlays()
  {
    ASSERT_EQ(app_->CurrentPlayer, 0);
    TGadget* cell = FirstFree(0);
    ASSERT_NE(cell, nullptr);
    // However slow the machine, the computer's first step waits for the caller: its timer
    // starts with the caller's delay only once the person's entry has been handled.
    const int delay = app_->Computer->StepDelay;
    app_->Computer->StepDelay = ONE_HOUR_MS;
    Click(cell);
    Click(app_->DiceField[0]->Fill);
    SetComputerDelay(delay);
  }

  // Handles the events already waiting, without letting the system deliver more (a timer).
  void DispatchQueued()
  {
    while (QueuedEvents() > 0 && PollEvent())
      app_->Dispatch(CurrentEvent());
  }

  void Restart()
  {
    app_->Destroy();
    app_.reset();
    PlayerCount = 0;
    StartApp();
  }
};
