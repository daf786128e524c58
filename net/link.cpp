#include "net/link.h"

// First cut: the interface only, so that the game builds against it; the connection follows.
class TNetLinkPrivate
{
public:
  QString error;
};

TNetLink::TNetLink() : d(std::make_unique<TNetLinkPrivate>()) {}
TNetLink::~TNetLink() = default;
QString TNetLink::NewCode()
{
  return QStringLiteral("0000-0000-0000");
}
bool TNetLink::Offer(uint16_t, const QString&, const QString&, const TNetResume&)
{
  d->error = QStringLiteral("Netzwerkspiele sind noch nicht fertig.");
  return false;
}
uint16_t TNetLink::Port() const
{
  return 0;
}
QStringList TNetLink::Addresses() const
{
  return {};
}
void TNetLink::Join(const QString&, uint16_t, const QString&, const QString&, const TNetResume&)
{
  d->error = QStringLiteral("Netzwerkspiele sind noch nicht fertig.");
  if (OnClosed) OnClosed(d->error, false);
}
void TNetLink::Close() {}
QString TNetLink::Error() const
{
  return d->error;
}
int TNetLink::OwnSeat() const
{
  return 0;
}
QString TNetLink::PeerName() const
{
  return {};
}
QByteArray TNetLink::Token() const
{
  return {};
}
QByteArray TNetLink::Secret() const
{
  return {};
}
size_t TNetLink::CommonSteps() const
{
  return 0;
}
void TNetLink::Throw(uint8_t) {}
void TNetLink::Enter(int, int) {}
