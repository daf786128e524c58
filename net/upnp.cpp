#include "net/upnp.h"

#include <QHostAddress>
#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <miniupnpc/upnperrors.h>
#include <mutex>

struct TUpnpMapping {
  std::mutex lock;
  std::string controlUrl, serviceType, port;
  bool made = false;
};

bool IsPublicAddress(const QString& text)
{
  const QHostAddress a(text);
  if (a.protocol() != QAbstractSocket::IPv4Protocol) return false;
  const quint32 v = a.toIPv4Address();
  auto in = [v](quint32 net, int bits) { return (v >> (32 - bits)) == (net >> (32 - bits)); };
  return !(in(0x00000000, 8) || in(0x0a000000, 8) || in(0x64400000, 10) || in(0x7f000000, 8) ||
           in(0xa9fe0000, 16) || in(0xac100000, 12) || in(0xc0000000, 24) || in(0xc0000200, 24) ||
           in(0xc0a80000, 16) || in(0xc6120000, 15) || in(0xc6336400, 24) || in(0xcb007100, 24) ||
           in(0xe0000000, 3));
}

TNetPortResult JudgePortMapping(int igd, bool mapped, const QString& why, const QString& external,
                                uint16_t port)
{
  TNetPortResult r;
  const QString local = QString::fromUtf8(": das Spiel ist nur im lokalen Netz erreichbar.");
  if (igd != 1 && igd != 2)
    r.sentence = QString::fromUtf8("Kein Router mit UPnP gefunden") + local;
  else if (igd == 2)
    r.sentence = QString::fromUtf8("Der Router ist nicht mit dem Internet verbunden") + local;
  else if (!mapped)
    r.sentence =
        QString::fromUtf8("Der Router hat die Weiterleitung des Ports abgelehnt (%1)").arg(why) +
        local;
  else if (!IsPublicAddress(external))
    r.sentence = QString::fromUtf8("Der Router hat selbst keine Adresse im Internet (%1), er "
                                   "hängt hinter einem weiteren Router")
                     .arg(external.isEmpty() ? QStringLiteral("?") : external) +
                 local;
  else {
    r.reachable = true;
    r.address = external;
    r.port = port;
    r.sentence =
        QString::fromUtf8("Aus dem Internet erreichbar unter %1, Port %2.").arg(external).arg(port);
  }
  return r;
}

TNetUpnp::~TNetUpnp()
{
  Close();
}

void TNetUpnp::Open(uint16_t port, std::function<void(const TNetPortResult&)> done)
{
  Close();
  mapping = std::make_shared<TUpnpMapping>();
  auto shared = mapping;
  QObject* target = &context;
  worker = std::thread([shared, target, port, done] {
    int error = 0;
    UPNPDev* devices = upnpDiscover(2000, nullptr, nullptr, 0, 0, 2, &error);
    UPNPUrls urls{};
    IGDdatas data{};
    char lan[64] = {0};
    const int igd = devices ? UPNP_GetValidIGD(devices, &urls, &data, lan, sizeof lan) : 0;
    bool mapped = false;
    QString why;
    char external[40] = {0};
    if (igd == 1) {
      const std::string text = std::to_string(port);
      const int result = UPNP_AddPortMapping(urls.controlURL, data.first.servicetype, text.c_str(),
                                             text.c_str(), lan, "Wurfwummel", "TCP", nullptr, "0");
      mapped = result == UPNPCOMMAND_SUCCESS;
      why = QString::fromUtf8(strupnperror(result));
      if (mapped) {
        std::lock_guard<std::mutex> hold(shared->lock);
        shared->controlUrl = urls.controlURL;
        shared->serviceType = data.first.servicetype;
        shared->port = text;
        shared->made = true;
      }
      UPNP_GetExternalIPAddress(urls.controlURL, data.first.servicetype, external);
    }
    if (igd) FreeUPNPUrls(&urls);
    if (devices) freeUPNPDevlist(devices);
    const TNetPortResult result =
        JudgePortMapping(igd, mapped, why, QString::fromUtf8(external), port);
    QMetaObject::invokeMethod(
        target,
        [done, result] {
          if (done) done(result);
        },
        Qt::QueuedConnection);
  });
}

void TNetUpnp::Close()
{
  if (worker.joinable()) worker.join();
  if (!mapping) return;
  std::lock_guard<std::mutex> hold(mapping->lock);
  if (mapping->made)
    UPNP_DeletePortMapping(mapping->controlUrl.c_str(), mapping->serviceType.c_str(),
                           mapping->port.c_str(), "TCP", nullptr);
  mapping.reset();
}
