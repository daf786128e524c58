#include "net/discovery.h"

#include <QObject>
#include <QPointer>
#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/thread-watch.h>
#include <map>

namespace
{
const char SERVICE[] = "_wurfwummel._tcp";
}

// Avahi runs its own thread (the threaded poll); its callbacks come there with the poll's lock
// held, and every call from the Qt thread takes that lock. Results go to the Qt thread through
// queued calls on `context`, which dies with this object, so that none arrives afterwards.
class TNetDiscoveryPrivate
{
public:
  AvahiThreadedPoll* poll = nullptr;
  AvahiClient* client = nullptr;
  AvahiEntryGroup* group = nullptr;
  AvahiServiceBrowser* browser = nullptr;
  QObject context;
  QString name;
  uint16_t port = 0;
  std::function<void(const std::vector<TNetOffer>&)> onChange;
  std::map<QString, TNetOffer> offers; // poll thread only

  struct TLock {
    AvahiThreadedPoll* poll;
    explicit TLock(AvahiThreadedPoll* p) : poll(p)
    {
      if (poll) avahi_threaded_poll_lock(poll);
    }
    ~TLock()
    {
      if (poll) avahi_threaded_poll_unlock(poll);
    }
  };

  void Publish() // with the lock
  {
    if (!client || name.isEmpty()) return;
    if (!group) group = avahi_entry_group_new(client, &TNetDiscoveryPrivate::GroupEvent, this);
    if (!group) return;
    avahi_entry_group_reset(group);
    for (int attempt = 0; attempt < 10; ++attempt) {
      const int result = avahi_entry_group_add_service(
          group, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, AvahiPublishFlags(0),
          name.toUtf8().constData(), SERVICE, nullptr, nullptr, port, nullptr);
      if (result == AVAHI_ERR_COLLISION) {
        Rename();
        continue;
      }
      if (result >= 0) avahi_entry_group_commit(group);
      return;
    }
  }

  void Rename()
  {
    char* other = avahi_alternative_service_name(name.toUtf8().constData());
    name = QString::fromUtf8(other);
    avahi_free(other);
  }

  static void GroupEvent(AvahiEntryGroup*, AvahiEntryGroupState state, void* self)
  {
    auto* d = static_cast<TNetDiscoveryPrivate*>(self);
    if (state == AVAHI_ENTRY_GROUP_COLLISION) {
      d->Rename();
      d->Publish();
    }
  }

  static void Resolved(AvahiServiceResolver* resolver, AvahiIfIndex, AvahiProtocol,
                       AvahiResolverEvent event, const char* name, const char*, const char* domain,
                       const char*, const AvahiAddress* address, uint16_t port, AvahiStringList*,
                       AvahiLookupResultFlags, void* self)
  {
    auto* d = static_cast<TNetDiscoveryPrivate*>(self);
    if (event == AVAHI_RESOLVER_FOUND && address) {
      char text[AVAHI_ADDRESS_STR_MAX];
      avahi_address_snprint(text, sizeof text, address);
      d->offers[QString::fromUtf8(name) + '|' + QString::fromUtf8(domain)] =
          TNetOffer{QString::fromUtf8(name), QString::fromUtf8(text), port};
      d->Post();
    }
    avahi_service_resolver_free(resolver);
  }

  static void Browsed(AvahiServiceBrowser*, AvahiIfIndex interface, AvahiProtocol protocol,
                      AvahiBrowserEvent event, const char* name, const char* type,
                      const char* domain, AvahiLookupResultFlags, void* self)
  {
    auto* d = static_cast<TNetDiscoveryPrivate*>(self);
    if (event == AVAHI_BROWSER_NEW && d->client) {
      // IPv4 first: a bare IPv6 link-local address could not be joined without its interface.
      avahi_service_resolver_new(d->client, interface, protocol, name, type, domain,
                                 AVAHI_PROTO_INET, AvahiLookupFlags(0),
                                 &TNetDiscoveryPrivate::Resolved, d);
    } else if (event == AVAHI_BROWSER_REMOVE) {
      d->offers.erase(QString::fromUtf8(name) + '|' + QString::fromUtf8(domain));
      d->Post();
    }
  }

  void Post() // with the lock, from the poll thread
  {
    std::vector<TNetOffer> list;
    for (const auto& entry : offers)
      list.push_back(entry.second);
    QMetaObject::invokeMethod(
        &context,
        [this, list] {
          if (onChange) onChange(list);
        },
        Qt::QueuedConnection);
  }

  static void ClientEvent(AvahiClient* c, AvahiClientState state, void* self)
  {
    auto* d = static_cast<TNetDiscoveryPrivate*>(self);
    if (state == AVAHI_CLIENT_S_RUNNING) {
      d->client = c;
      d->Publish();
    }
  }
};

TNetDiscovery::TNetDiscovery() : d(std::make_unique<TNetDiscoveryPrivate>())
{
  d->poll = avahi_threaded_poll_new();
  if (!d->poll) return;
  int error = 0;
  // Without a daemon this fails at once, and the object stays quiet.
  d->client = avahi_client_new(avahi_threaded_poll_get(d->poll), AvahiClientFlags(0),
                               &TNetDiscoveryPrivate::ClientEvent, d.get(), &error);
  if (!d->client) {
    avahi_threaded_poll_free(d->poll);
    d->poll = nullptr;
    return;
  }
  avahi_threaded_poll_start(d->poll);
}

TNetDiscovery::~TNetDiscovery()
{
  if (!d->poll) return;
  avahi_threaded_poll_stop(d->poll);
  if (d->browser) avahi_service_browser_free(d->browser);
  if (d->group) avahi_entry_group_free(d->group);
  if (d->client) avahi_client_free(d->client);
  avahi_threaded_poll_free(d->poll);
}

bool TNetDiscovery::Available() const
{
  return d->client != nullptr;
}

void TNetDiscovery::Announce(const QString& name, uint16_t port)
{
  if (!d->client) return;
  TNetDiscoveryPrivate::TLock lock(d->poll);
  d->name = name.left(60).isEmpty() ? QStringLiteral("Wurfwummel") : name.left(60);
  d->port = port;
  d->Publish();
}

void TNetDiscovery::Withdraw()
{
  if (!d->client) return;
  TNetDiscoveryPrivate::TLock lock(d->poll);
  d->name.clear();
  if (d->group) avahi_entry_group_reset(d->group);
}

void TNetDiscovery::Browse(std::function<void(const std::vector<TNetOffer>&)> onChange)
{
  d->onChange = std::move(onChange);
  if (!d->client) return;
  TNetDiscoveryPrivate::TLock lock(d->poll);
  if (!d->browser)
    d->browser =
        avahi_service_browser_new(d->client, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, SERVICE, nullptr,
                                  AvahiLookupFlags(0), &TNetDiscoveryPrivate::Browsed, d.get());
}

void TNetDiscovery::StopBrowsing()
{
  d->onChange = nullptr;
  if (!d->client) return;
  TNetDiscoveryPrivate::TLock lock(d->poll);
  if (d->browser) avahi_service_browser_free(d->browser);
  d->browser = nullptr;
  d->offers.clear();
}
