#pragma once

// The property the network fuzz target checks, shared with the network tests, which run every
// seed and every input that ever found a fault through it.

#include <QByteArray>
#include <QString>

// The first byte chooses what the rest is:
//  0: one message for the reader. A message it takes is written back to the very same bytes.
//  1: a game for the referee, as actions (throw, entry, a raw step) that the check turns into
//     steps with honest reveals, or takes raw. The referee's answer to a step must agree with
//     its own rule check, and its state must stay within the game's bounds.
// Empty when the property holds, else what went wrong.
QString CheckNetBytes(const QByteArray& bytes);
