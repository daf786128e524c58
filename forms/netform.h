#pragma once

// The dialog "Netzwerkspiel": offer a game at this computer (its addresses, the port and the
// join code to give the other player) or join one offered elsewhere (an address with its port
// and the code, or an offer found on the local network). A game that lost its connection can be
// continued from here. Made afresh for each opening from the menu; Open runs until the two
// computers are connected or the person gives up, then the game begins on the sheets.

#include "gui/gadget.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class TApp;

// Said when the dialog is chosen while a game over the network is connected.
extern const char* const NET_RUNNING;

// "host:port", "[v6 address]:port": false when the text is no address with a port.
bool ParseHostPort(const QString& text, QString& host, uint16_t& port);

class TNetForm
{
public:
  TGadget* Window = nullptr;
  TGadget* OfferGroup = nullptr;
  TGadget* PortLabel = nullptr;
  TGadget* Port = nullptr;
  TGadget* Offer = nullptr;
  TGadget* Info = nullptr;
  TGadget* JoinGroup = nullptr;
  TGadget* AddressLabel = nullptr;
  TGadget* Address = nullptr;
  TGadget* CodeLabel = nullptr;
  TGadget* Code = nullptr;
  TGadget* FoundLabel = nullptr;
  TGadget* Found = nullptr;
  TGadget* Join = nullptr;
  TGadget* Resume = nullptr;
  TGadget* Status = nullptr;
  TGadget* Cancel = nullptr;

  // True when a game over the network began.
  bool Open(TApp* app);

private:
  void Create(TApp* app, const QString& resumeText);
  void Free();
  void Say(const QString& text);
  // Lists the offers found on the local network.
  void ShowFound();
  // The offer: where and with which code to join it, and whether it can be reached from the
  // internet.
  void ShowOffer();
  QString offer_;
  std::shared_ptr<QString> internet_ = std::make_shared<QString>();
  // The offers found, each a name and the address to join it at; the lines the list shows.
  std::vector<std::pair<QString, QString>> offers_;
  QStringList found_;
};
