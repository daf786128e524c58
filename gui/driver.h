#pragma once

// The system driver: message boxes, opening an address and ending the program. Tests put a
// driver of their own in its place to answer questions and to watch the program end.

#include <QString>
#include <memory>

class TSystemDriver
{
public:
  virtual ~TSystemDriver() = default;
  virtual void Notify(const QString& text, int serious);
  // 1 for OK; 0 for Cancel or a closed box. A serious question (one that ends a game under
  // way) shows the warning icon and has Cancel as its default button.
  virtual int Confirm(const QString& text, int serious);
  // 1 Yes, 0 No, -1 Cancel or closed.
  virtual int Proceed(const QString& text, int serious);
  virtual int OpenURL(const QString& url);
  // Ends the process at once; windows are not closed and no event is sent.
  virtual void EndProgram(int code);
  // The terminate request: the open box, and every later one, is answered as closed.
  void CancelBoxes();

protected:
  bool BoxesCancelled() const { return boxesCancelled_; }

private:
  bool boxesCancelled_ = false;
};

TSystemDriver& SystemDriver();
// Installs a driver; returns the one it replaces.
std::unique_ptr<TSystemDriver> SetSystemDriver(std::unique_ptr<TSystemDriver> driver);

inline void Notify(const QString& text, int serious = 0)
{
  SystemDriver().Notify(text, serious);
}
inline int Confirm(const QString& text, int serious = 0)
{
  return SystemDriver().Confirm(text, serious);
}
inline int Proceed(const QString& text, int serious = 0)
{
  return SystemDriver().Proceed(text, serious);
}
inline int OpenURL(const QString& url)
{
  return SystemDriver().OpenURL(url);
}
inline void EndProgram(int code = 0)
{
  SystemDriver().EndProgram(code);
}
