#pragma once

// Asks the router for the offer's port (UPnP IGD through libminiupnpc), so that a game can be
// joined from the internet, and says plainly when it cannot. For the network window:
//   TNetUpnp upnp;
//   upnp.Open(link.Port(), [](const TNetPortResult& r) { show r.sentence; if r.reachable,
//                                                        give r.address and r.port });
//   upnp.Close();   // when the offer ends (also done by the destructor)
// Open works in a thread of its own (finding the router takes about two seconds); `done` comes
// on the Qt thread, unless the object is gone by then.

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

struct TNetPortResult {
  bool reachable = false;
  QString address; // the router's address on the internet, when reachable
  uint16_t port = 0;
  QString sentence; // German, for the player: the address to give, or why there is none
};

// What the router's answers mean for the player. `igd` is miniupnpc's verdict on the router
// (0 none, 1 connected, 2 not connected, 3 not a router), `mapped` whether the forwarding was
// accepted (with `why` when not), `external` the router's own address.
TNetPortResult JudgePortMapping(int igd, bool mapped, const QString& why, const QString& external,
                                uint16_t port);
// Whether an IPv4 address can be reached from the internet (not private, shared or reserved).
bool IsPublicAddress(const QString& address);

class TNetUpnp
{
public:
  TNetUpnp() = default;
  ~TNetUpnp();
  TNetUpnp(const TNetUpnp&) = delete;
  TNetUpnp& operator=(const TNetUpnp&) = delete;

  void Open(uint16_t port, std::function<void(const TNetPortResult&)> done);
  void Close();

private:
  QObject context; // queued results die with it
  std::thread worker;
  // What Close needs to take the forwarding back, filled in by the worker.
  std::shared_ptr<struct TUpnpMapping> mapping;
};
