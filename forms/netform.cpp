#include "forms/netform.h"

#include "app/app.h"
#include "app/netgame.h"
#include "forms/dialog.h"
#include "gui/driver.h"
#include "gui/listbox.h"
#include "gui/timer.h"
#include "net/discovery.h"
#include "net/link.h"
#include "net/upnp.h"

const char* const NET_RUNNING = "Das Netzwerkspiel läuft schon.";

namespace
{
constexpr int FORM_W = 620, FORM_H = 420;
constexpr int GROUP_W = 295, GROUP_H = 315;
// How often the offers found on the local network are read again while the dialog is open.
constexpr int FOUND_REFRESH_MS = 1000;

const char* const WAITING = "Warte auf den anderen Spieler ...";
const char* const JOINING = "Verbinde ...";
const char* const BAD_PORT = "Der Port ist eine Zahl von 1 bis 65535; leer wählt ihn das System.";
const char* const BAD_ADDRESS =
    "Bitte die Adresse mit ihrem Port angeben, etwa 192.168.1.20:40000.";
const char* const NO_CODE = "Bitte den Code eingeben, den der andere Spieler sieht.";
} // namespace

bool ParseHostPort(const QString& text, QString& host, uint16_t& port)
{
  const QString t = text.trimmed();
  int colon = -1;
  if (t.startsWith('[')) {
    const int close = t.indexOf(']');
    if (close < 0 || t.mid(close + 1, 1) != ":") return false;
    host = t.mid(1, close - 1);
    colon = close + 1;
  } else {
    colon = t.lastIndexOf(':');
    // A bare IPv6 address has more than one colon and needs its brackets.
    if (colon <= 0 || t.indexOf(':') != colon) return false;
    host = t.left(colon);
  }
  bool ok = false;
  const uint value = t.mid(colon + 1).toUInt(&ok);
  if (!ok || value < 1 || value > 65535 || host.isEmpty()) return false;
  port = uint16_t(value);
  return true;
}

void TNetForm::Say(const QString& text)
{
  Status->SetText(text);
  SetAccessibleName(Status, text);
  AnnounceLive(Status);
}

void TNetForm::Create(TApp* app, const QString& resumeText)
{
  Window = CreateWindow(AppTitle() + " - Netzwerkspiel", 0, 0, FORM_W, FORM_H, app->Window,
                        DIALOG_STYLE);
  OfferGroup = CreatePanel(10, 10, GROUP_W, GROUP_H, Window, PANEL_GROUP, "Spiel anbieten");
  PortLabel = CreateLabel("Port (leer: vom System gewählt)", 0, 0, 270, 20, OfferGroup, 0);
  Port = CreateTextField(0, 22, 120, 22, OfferGroup, 0);
  SetAccessibleName(Port, "Port");
  Offer = CreateButton("Spiel anbieten", 130, 21, 140, 24, OfferGroup, BUTTON_PUSH);
  Info = CreateLabel(QString(), 0, 55, 270, 235, OfferGroup, 0);
  SetAccessibleName(Info, "Angebot");

  JoinGroup = CreatePanel(315, 10, GROUP_W, GROUP_H, Window, PANEL_GROUP, "Beitreten");
  AddressLabel = CreateLabel("Adresse mit Port (Name oder IP)", 0, 0, 270, 20, JoinGroup, 0);
  Address = CreateTextField(0, 22, 270, 22, JoinGroup, 0);
  SetAccessibleName(Address, "Adresse mit Port");
  CodeLabel = CreateLabel("Code", 0, 50, 270, 20, JoinGroup, 0);
  Code = CreateTextField(0, 72, 160, 22, JoinGroup, 0);
  SetAccessibleName(Code, "Code");
  Join = CreateButton("Beitreten", 170, 71, 100, 24, JoinGroup, BUTTON_PUSH);
  FoundLabel = CreateLabel("Angebote im lokalen Netz", 0, 102, 270, 20, JoinGroup, 0);
  Found = CreateListBox(0, 124, 270, 165, JoinGroup);
  SetAccessibleName(Found, "Angebote im lokalen Netz");

  if (!resumeText.isEmpty()) {
    Resume = CreateButton(resumeText, 10, GROUP_H + 16, FORM_W - 20, 20, Window, BUTTON_CHECKBOX);
    Resume->SetSelected(1);
  }
  Status = CreateLabel(QString(), 10, GROUP_H + 40, FORM_W - 140, 50, Window, 0);
  SetAccessibleLive(Status);
  Cancel = CreateButton("Abbrechen", FORM_W - 110, FORM_H - 34, 100, 24, Window, BUTTON_CANCEL);
  Port->Activate(0);
}

void TNetForm::Free()
{
  for (TGadget** g :
       {&Found, &FoundLabel, &Join, &Code, &CodeLabel, &Address, &AddressLabel, &JoinGroup, &Info,
        &Offer, &Port, &PortLabel, &OfferGroup, &Resume, &Status, &Cancel, &Window}) {
    FreeGadget(*g);
    *g = nullptr;
  }
}

bool TNetForm::Open(TApp* app)
{
  TNetGame* net = app->Net.get();
  if (!net) return false;
  if (net->Connected()) {
    Notify(NET_RUNNING);
    return false;
  }
  TNetSaved saved;
  const bool resumable = net->Resumable(saved);
  QString resumeText;
  if (resumable)
    resumeText = saved.peer.isEmpty()
                     ? QString("Das unterbrochene Spiel fortsetzen")
                     : "Das unterbrochene Spiel gegen " + saved.peer + " fortsetzen";
  Create(app, resumeText);
  const QString ownName = net->Playing() && !net->LocalNames.empty() ? net->LocalNames[0]
                          : app->PlayerName.empty()                  ? QString(DEFAULT_PLAYER)
                                                                     : app->PlayerName[0];
  // The offers on the local network, where an Avahi daemon runs; the window reads the list
  // at its own pace.
  TNetDiscovery discovery;
  // Asking the router takes seconds; a question still open when the offer ends is left to the
  // network game to finish, so that nothing waits for it.
  auto upnp = std::make_unique<TNetUpnp>();
  auto upnpDone = std::make_shared<bool>(true);
  discovery.Browse([this](const std::vector<TNetOffer>& offers) {
    offers_.clear();
    for (const TNetOffer& offer : offers) {
      const QString host = offer.host.contains(':') ? "[" + offer.host + "]" : offer.host;
      offers_.push_back({offer.name, host + ":" + QString::number(offer.port)});
    }
  });
  int refresh = StartTimer(FOUND_REFRESH_MS);
  ShowFound();
  bool connected = false, trying = false, resuming = false;
  int wrongShown = 0;
  for (;;) {
    const int id = WaitEvent();
    const TEvent event = CurrentEvent(); // a copy: a question below may wait for events
    if (ClosesDialog(id)) break;
    if (id == EVENT_TIMERTICK) {
      if (event.data == refresh) {
        ShowFound();
        if (trying && !offer_.isEmpty()) ShowOffer();
        refresh = StartTimer(FOUND_REFRESH_MS);
      }
      if (trying && net->TakeConnected()) {
        connected = true;
        break;
      }
      QString sentence;
      if (trying && net->TakeClosed(sentence)) {
        trying = false;
        discovery.Withdraw();
        net->Park(std::move(upnp), upnpDone);
        upnp = std::make_unique<TNetUpnp>();
        upnpDone = std::make_shared<bool>(true);
        offer_.clear();
        Offer->SetEnabled(1);
        Join->SetEnabled(1);
        Info->SetText(QString());
        Say(sentence);
      }
      if (trying && net->WrongCodes() != wrongShown) {
        wrongShown = net->WrongCodes();
        Say(QString(WAITING) + "\nEin falscher Code wurde versucht (" +
            QString::number(wrongShown) + (wrongShown == 1 ? " Mal)." : " Male)."));
      }
      continue;
    }
    if (id == EVENT_GADGETSELECT && event.source == Found) {
      const int line = ListSelection(Found);
      if (line >= 0 && line < found_.size()) Address->SetText(found_[line]);
      Code->Activate(0);
      continue;
    }
    if (id != EVENT_GADGETACTION) continue;
    if (event.source == Cancel) break;
    if (event.source != Offer && event.source != Join) continue;
    uint16_t port = 0;
    QString host;
    if (event.source == Offer && !Port->GetText().trimmed().isEmpty()) {
      bool ok = false;
      const uint value = Port->GetText().trimmed().toUInt(&ok);
      if (!ok || value < 1 || value > 65535) {
        Say(BAD_PORT);
        continue;
      }
      port = uint16_t(value);
    }
    if (event.source == Join && !ParseHostPort(Address->GetText(), host, port)) {
      Say(BAD_ADDRESS);
      continue;
    }
    if (event.source == Join && Code->GetText().trimmed().isEmpty()) {
      Say(NO_CODE);
      continue;
    }
    // A game at this computer with entries ends, as with "Neues Spiel".
    if (!net->Playing() && !app->NewGameWanted()) continue;
    resuming = resumable && Resume && ButtonState(Resume) == 1;
    const TNetResume resume = resuming ? TNetGame::ResumeOf(saved) : TNetResume();
    TNetLink& link = net->NewLink();
    wrongShown = 0;
    if (event.source == Offer) {
      const QString code = TNetLink::NewCode();
      if (!link.Offer(port, code, ownName, resume)) {
        Say(link.Error());
        net->CloseLink();
        continue;
      }
      const QStringList addresses = link.Addresses();
      offer_ = "Adressen: " + addresses.join(", ") + "\nPort: " + QString::number(link.Port()) +
               "\nCode: " + code +
               "\n\nDer andere Spieler wählt „Beitreten“ und gibt eine der Adressen mit dem Port "
               "und den Code ein.";
      *internet_ =
          "Ob das Spiel auch aus dem Internet erreichbar ist, wird beim Router erfragt ...";
      ShowOffer();
      Say(WAITING);
      // The router is asked for the port in the background; its answer shows with a tick.
      *upnpDone = false;
      upnp->Open(link.Port(), [internet = internet_, upnpDone](const TNetPortResult& result) {
        *internet = result.sentence;
        *upnpDone = true;
      });
      discovery.Announce(ownName, link.Port());
    } else {
      link.Join(host, port, Code->GetText().trimmed(), ownName, resume);
      Say(JOINING);
    }
    trying = true;
    Offer->SetEnabled(0);
    Join->SetEnabled(0);
    if (Resume) Resume->SetEnabled(0);
  }
  StopTimer(refresh);
  discovery.Withdraw();
  discovery.StopBrowsing();
  // The router forgets the port: nothing is reachable once the offer is over.
  net->Park(std::move(upnp), upnpDone);
  // "Abbrechen" ends the offer: nothing listens once the dialog is gone.
  if (!connected) net->CloseLink();
  Free();
  return connected && net->Begin(resuming ? &saved : nullptr);
}

void TNetForm::ShowOffer()
{
  const QString text = offer_ + "\n\n" + *internet_;
  if (Info->GetText() == text) return;
  Info->SetText(text);
  SetAccessibleName(Info, text);
}

void TNetForm::ShowFound()
{
  QStringList addresses;
  for (const auto& [name, address] : offers_)
    addresses << address;
  if (addresses == found_) return;
  const QString chosen = ListSelection(Found) >= 0 ? found_.value(ListSelection(Found)) : QString();
  ClearList(Found);
  for (const auto& [name, address] : offers_)
    AddListLine(Found, name + " – " + address, "Angebot von " + name + ", " + address);
  found_ = addresses;
  if (!chosen.isEmpty() && found_.contains(chosen))
    SelectListLine(Found, int(found_.indexOf(chosen)));
}
