#include "gui/driver.h"

#include "gui/gadget.h"
#include "gui/toolkit_p.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QUrl>
#include <unistd.h>

namespace
{
std::unique_ptr<TSystemDriver>& Current()
{
  static std::unique_ptr<TSystemDriver> driver = std::make_unique<TSystemDriver>();
  return driver;
}

QPointer<QMessageBox> openBox;

struct TButtonSpec {
  const char* text;
  QMessageBox::ButtonRole role;
  int result;
};

// Shows a box owned by the active window, with German buttons, and gives the focus back after.
int ShowBox(bool cancelled, const QString& text, int serious,
            std::initializer_list<TButtonSpec> buttons, int closed)
{
  if (cancelled) return closed;
  QPointer<QWidget> focus = QApplication::focusWidget();
  // The window that asks: the one in front, or, while the window system has not yet handed
  // the keyboard back after a box answered a moment ago, the one that asked then.
  static QPointer<QWidget> lastOwner;
  QPointer<QWidget> owner = QApplication::activeWindow();
  if (!owner && lastOwner && lastOwner->isVisible()) owner = lastOwner;
  lastOwner = owner;
  QMessageBox box(serious ? QMessageBox::Warning : QMessageBox::Information, AppTitle(), text,
                  QMessageBox::NoButton, owner);
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  std::vector<std::pair<QAbstractButton*, int>> results;
  for (const TButtonSpec& b : buttons) {
    QPushButton* button = box.addButton(QString::fromUtf8(b.text), b.role);
    results.emplace_back(button, b.result);
    // A serious question is one that loses something: Enter keeps what there is.
    if (results.size() == 1 || (serious && b.role == QMessageBox::RejectRole))
      box.setDefaultButton(button);
  }
  if (buttons.size() > 1) box.setEscapeButton(results.back().first);
  openBox = &box;
  box.exec();
  openBox = nullptr;
  int result = closed;
  for (const auto& [button, value] : results)
    if (box.clickedButton() == button) result = value;
  if (buttons.size() > 1 && box.clickedButton() == results.back().first) result = closed;
  // The window that asked gets the keyboard back at once, also where no window manager hands
  // it back when the box goes.
  if (owner && owner->isVisible()) owner->activateWindow();
  if (!focus && owner) focus = owner->focusWidget();
  if (focus) focus->setFocus(Qt::OtherFocusReason);
  return result;
}
} // namespace

void CancelMessageBoxes()
{
  SystemDriver().CancelBoxes();
}

void TSystemDriver::CancelBoxes()
{
  boxesCancelled_ = true;
  if (openBox) openBox->reject();
}

void TSystemDriver::Notify(const QString& text, int serious)
{
  ShowBox(BoxesCancelled(), text, serious, {{"OK", QMessageBox::AcceptRole, 0}}, 0);
}

int TSystemDriver::Confirm(const QString& text, int serious)
{
  return ShowBox(BoxesCancelled(), text, serious,
                 {{"OK", QMessageBox::AcceptRole, 1}, {"Abbrechen", QMessageBox::RejectRole, 0}},
                 0);
}

int TSystemDriver::Proceed(const QString& text, int serious)
{
  return ShowBox(BoxesCancelled(), text, serious,
                 {{"Ja", QMessageBox::YesRole, 1},
                  {"Nein", QMessageBox::NoRole, 0},
                  {"Abbrechen", QMessageBox::RejectRole, -1}},
                 -1);
}

int TSystemDriver::OpenURL(const QString& url)
{
  return QDesktopServices::openUrl(QUrl(url)) ? 1 : 0;
}

void TSystemDriver::EndProgram(int code)
{
  ::_exit(code); // at once: no window is closed and no event sent
}

TSystemDriver& SystemDriver()
{
  return *Current();
}

std::unique_ptr<TSystemDriver> SetSystemDriver(std::unique_ptr<TSystemDriver> driver)
{
  std::unique_ptr<TSystemDriver> old = std::move(Current());
  Current() = driver ? std::move(driver) : std::make_unique<TSystemDriver>();
  return old;
}
