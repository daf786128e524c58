#include "bench/baseline.h"

#include "app/images.h"

#include <QAction>
#include <QActionGroup>
#include <QFont>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstring>
#include <vector>

namespace
{
// A panel that paints one picture, the plain-Qt counterpart of a die.
class TPicturePanel : public QWidget
{
public:
  TPicturePanel(const QImage& image, QWidget* parent) : QWidget(parent), image_(image) {}

protected:
  void paintEvent(QPaintEvent*) override
  {
    QPainter p(this);
    p.drawImage(0, 0, image_);
  }

private:
  QImage image_;
};

QImage DecodeEmbedded(const char* name)
{
  int count = 0;
  const TEmbeddedImage* images = EmbeddedImages(count);
  for (int i = 0; i < count; ++i)
    if (std::strcmp(images[i].name, name) == 0)
      return QImage::fromData(images[i].data, images[i].length, "PNG");
  return QImage();
}

// Places controls in a group box one after another, in rows, as the game places its own at
// fixed positions; no layouts, so that both windows do the same kind of work.
struct TFlow {
  QGroupBox* box;
  int x = 8, y = 20, rowHeight = 0;
  QRect Next(QSize size)
  {
    if (x > 8 && x + size.width() > box->width()) {
      x = 8;
      y += rowHeight + 5;
      rowHeight = 0;
    }
    const QRect r(QPoint(x, y), size);
    x += size.width() + 5;
    rowHeight = std::max(rowHeight, size.height());
    return r;
  }
};

// Player p's share of a window's controls of one kind.
std::vector<TControl> Share(const std::vector<TControl>& all, int p, int players)
{
  const size_t from = all.size() * size_t(p) / size_t(players);
  const size_t to = all.size() * size_t(p + 1) / size_t(players);
  return std::vector<TControl>(all.begin() + qsizetype(from), all.begin() + qsizetype(to));
}

// The control's own font where it differs from the window's.
void SetFontOf(QWidget* widget, const TControl& control)
{
  QFont font = widget->font();
  if (control.pointSize > 0) font.setPointSizeF(control.pointSize);
  font.setBold(control.bold);
  if (font != widget->font()) widget->setFont(font);
}

const char* const KINDS[] = {"group", "button", "label", "picture"};

std::vector<TControl> TControls::*const LISTS[] = {&TControls::groups, &TControls::buttons,
                                                   &TControls::labels, &TControls::pictures};
} // namespace

QString ControlsToText(const TControls& controls)
{
  QString text = QString("players %1\n").arg(controls.players);
  for (int k = 0; k < 4; ++k)
    for (const TControl& c : controls.*LISTS[k])
      text += QString("%1 %2 %3 %4 %5 %6\n")
                  .arg(KINDS[k])
                  .arg(c.size.width())
                  .arg(c.size.height())
                  .arg(c.pointSize)
                  .arg(c.bold ? 1 : 0)
                  .arg(QString::fromLatin1(c.text.toUtf8().toPercentEncoding()));
  return text;
}

TControls ControlsFromText(const QString& text)
{
  TControls controls;
  for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
    const QStringList f = line.split(' ', Qt::SkipEmptyParts);
    if (f.size() == 2 && f[0] == "players") controls.players = f[1].toInt();
    if (f.size() < 5) continue;
    TControl c;
    c.size = QSize(f[1].toInt(), f[2].toInt());
    c.pointSize = f[3].toDouble();
    c.bold = f[4] == "1";
    if (f.size() > 5) c.text = QString::fromUtf8(QByteArray::fromPercentEncoding(f[5].toLatin1()));
    for (int k = 0; k < 4; ++k)
      if (f[0] == KINDS[k]) (controls.*LISTS[k]).push_back(c);
  }
  return controls;
}

std::unique_ptr<QMainWindow> MakeBaselineWindow(const TControls& controls, int width, int height)
{
  auto window = std::make_unique<QMainWindow>();
  window->setWindowTitle("Baseline");
  window->setWindowIcon(QIcon(QPixmap::fromImage(DecodeEmbedded("about.png"))));

  QMenu* game = window->menuBar()->addMenu("Spiel");
  game->addAction("Neues Spiel")->setShortcut(QKeySequence(Qt::Key_N));
  game->addAction("Tipp")->setShortcut(QKeySequence(Qt::Key_T));
  game->addSeparator();
  game->addAction("Spieler Einstellungen");
  game->addAction("Gegen den Computer")->setCheckable(true);
  auto* levels = new QActionGroup(game);
  for (const char* level : {"Leicht", "Mittel", "Stark"}) {
    QAction* item = game->addAction(level);
    item->setCheckable(true);
    levels->addAction(item);
  }
  levels->actions().back()->setChecked(true);
  game->addSeparator();
  game->addAction("Beenden");
  QMenu* view = window->menuBar()->addMenu("Anzeige");
  view->addAction("Highscore anzeigen");
  view->addAction("Regelwerk anzeigen");
  view->addSeparator();
  view->addAction("Über Baseline");

  auto* client = new QWidget;
  window->setCentralWidget(client);
  window->setFixedSize(width, height + window->menuBar()->sizeHint().height());

  // Each picture is decoded once and shared, as a plain Qt program keeps its pictures.
  std::vector<QImage> faces;
  for (int f = 1; f <= 6; ++f) {
    faces.push_back(DecodeEmbedded(QString("%1.png").arg(f).toLatin1().constData()));
    faces.push_back(DecodeEmbedded(QString("%1h.png").arg(f).toLatin1().constData()));
  }

  const int players = std::max(1, controls.players);
  for (int p = 0; p < players; ++p) {
    auto* panel = new QWidget(client);
    panel->setGeometry(0, 0, width, height);
    if (p > 0) panel->hide();

    // The group boxes fill two columns from the top, each where its column is shortest.
    std::vector<TFlow> groups;
    int columnBottom[2] = {10, 10};
    for (const TControl& group : Share(controls.groups, p, players)) {
      const int c = columnBottom[1] < columnBottom[0] ? 1 : 0;
      auto* box = new QGroupBox(group.text, panel);
      SetFontOf(box, group);
      box->setGeometry(QRect(QPoint(10 + 280 * c, columnBottom[c]), group.size));
      columnBottom[c] += group.size.height();
      groups.push_back(TFlow{box});
    }
    if (groups.empty()) groups.push_back(TFlow{new QGroupBox(panel)});
    size_t next = 0;
    // Each control is made straight into its group box, as the game makes its own.
    auto place = [&](const TControl& control, auto make) {
      TFlow& flow = groups[next++ % groups.size()];
      QWidget* widget = make(flow.box);
      SetFontOf(widget, control);
      widget->setGeometry(flow.Next(control.size));
    };
    for (const TControl& button : Share(controls.buttons, p, players))
      place(button, [&](QWidget* parent) { return new QPushButton(button.text, parent); });
    for (const TControl& label : Share(controls.labels, p, players))
      place(label, [&](QWidget* parent) { return new QLabel(label.text, parent); });
    int face = 0;
    for (const TControl& picture : Share(controls.pictures, p, players))
      place(picture,
            [&](QWidget* parent) { return new TPicturePanel(faces[size_t(face++ % 12)], parent); });
  }
  return window;
}
