#pragma once

// Two computers' ends of a network game in one process: each side keeps the steps it was told
// of, as the app records them, and may play its own seat by a fixed rule as fast as the link
// lets it.

#include "net/link.h"

#include <QString>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <vector>

struct TNetSide {
  std::unique_ptr<TNetLink> link = std::make_unique<TNetLink>();
  std::vector<QByteArray> steps;
  std::vector<std::array<int, 6>> faces; // of every throw, in order
  std::vector<uint8_t> holds;
  QString closed;
  QByteArray token, secret; // as the app records them when the game begins
  bool fault = false, connected = false, ended = false;
  int wrongCodes = 0;
  bool autoplay = true;
  int turn = 0, throwsInTurn = 0, entries = 0;
  std::array<std::array<bool, 63>, 2> taken{};
  std::array<int, 6> lastFaces{};
  // Called after each step is recorded; a test may stop here.
  std::function<void(TNetSide&)> afterStep;

  // Sets the callbacks on a fresh link; `resume` brings back what this side recorded.
  void Wire();
  TNetResume Resume() const;
  // The own seat's next step by a fixed rule: hold the sixes, throw up to three times, enter
  // into the first free cell.
  void Play();
};

// Runs the event loop until `done` or `ms` milliseconds have passed.
bool RunUntil(const std::function<bool()>& done, int ms = 20000);
