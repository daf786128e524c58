#include "tests/net/netplay.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <gtest/gtest.h>

bool RunUntil(const std::function<bool()>& done, int ms)
{
  QDeadlineTimer deadline(ms);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::usleep(200);
  }
  return true;
}

void TNetSide::Wire()
{
  link->OnConnected = [this] {
    connected = true;
    ended = false;
    EXPECT_EQ(link->CommonSteps(), steps.size());
    token = link->Token();
    secret = link->Secret();
    if (autoplay) Play();
  };
  link->OnThrown = [this](int seat, uint8_t h, std::array<int, 6> f, QByteArray step) {
    EXPECT_EQ(seat, turn);
    steps.push_back(step);
    faces.push_back(f);
    holds.push_back(h);
    for (int i = 0; i < 6; ++i) {
      if (h & (1 << i)) {
        EXPECT_EQ(f[size_t(i)], lastFaces[size_t(i)]) << "a held die changed";
      }
    }
    lastFaces = f;
    ++throwsInTurn;
    if (afterStep) afterStep(*this);
    if (autoplay) Play();
  };
  link->OnEntered = [this](int seat, int row, int column, QByteArray step) {
    EXPECT_EQ(seat, turn);
    steps.push_back(step);
    taken[size_t(seat)][size_t(row * 3 + column)] = true;
    ++entries;
    turn = 1 - turn;
    throwsInTurn = 0;
    if (afterStep) afterStep(*this);
    if (autoplay) Play();
  };
  link->OnClosed = [this](const QString& sentence, bool f) {
    closed = sentence;
    fault = f;
    ended = true;
  };
  link->OnWrongCode = [this](int n) { wrongCodes = n; };
}

TNetResume TNetSide::Resume() const
{
  TNetResume r;
  r.token = token;
  r.secret = secret;
  r.steps = steps;
  return r;
}

void TNetSide::Play()
{
  if (ended || turn != link->OwnSeat() || entries == 126) return;
  if (throwsInTurn == 0) return link->Throw(0);
  if (throwsInTurn < 3) {
    uint8_t h = 0;
    for (int i = 0; i < 6; ++i)
      if (lastFaces[size_t(i)] == 6) h = uint8_t(h | (1 << i));
    if (h != 63) return link->Throw(h);
  }
  for (int cell = 0; cell < 63; ++cell)
    if (!taken[size_t(turn)][size_t(cell)]) return link->Enter(cell / 3, cell % 3);
}
