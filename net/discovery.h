#pragma once

// Offers on the local network through Avahi (DNS-SD service "_wurfwummel._tcp"), for the network
// window: the offering side announces its game under the player's name, the joining side lists
// what it finds. Without a running Avahi daemon everything here quietly does nothing and the
// list stays empty; the address typed by hand always works.
//
// Use (all calls and callbacks on the Qt thread):
//   TNetDiscovery discovery;
//   discovery.Announce(name, link.Port());   // while the offer waits; Withdraw() when it ends
//   discovery.Browse([](const std::vector<TNetOffer>& offers) { ... });  // the whole list,
//                                            // again after every change; StopBrowsing() ends it
// The list's host is an address to hand to TNetLink::Join with the port.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct TNetOffer {
  QString name; // the offering player's name
  QString host; // an address of the offering computer
  uint16_t port = 0;
};

class TNetDiscoveryPrivate;

class TNetDiscovery
{
public:
  TNetDiscovery();
  ~TNetDiscovery();
  TNetDiscovery(const TNetDiscovery&) = delete;
  TNetDiscovery& operator=(const TNetDiscovery&) = delete;

  // Whether an Avahi daemon answered.
  bool Available() const;
  void Announce(const QString& name, uint16_t port);
  void Withdraw();
  void Browse(std::function<void(const std::vector<TNetOffer>&)> onChange);
  void StopBrowsing();

private:
  std::unique_ptr<TNetDiscoveryPrivate> d;
};
