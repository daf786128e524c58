#include "bench/baseline.h"

#include "app/images.h"

#include <QAction>
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
#include <QString>
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

// Spreads n controls over the group boxes, row by row, at fixed positions as the game places
// its own; no layouts, so that both windows do the same kind of work.
template <class Make>
void Spread(int n, const std::vector<QGroupBox*>& groups, int& slot, Make make)
{
  for (int i = 0; i < n; ++i, ++slot) {
    QGroupBox* g = groups[size_t(slot) % groups.size()];
    const int k = slot / int(groups.size());
    make(g, 8 + 55 * (k % 4), 20 + 25 * (k / 4));
  }
}
} // namespace

std::unique_ptr<QMainWindow> MakeBaselineWindow(const TWidgetCounts& counts, int width, int height)
{
  auto window = std::make_unique<QMainWindow>();
  window->setWindowTitle("Baseline");
  window->setWindowIcon(QIcon(QPixmap::fromImage(DecodeEmbedded("about.png"))));

  QMenu* game = window->menuBar()->addMenu("Spiel");
  game->addAction("Neues Spiel")->setShortcut(QKeySequence(Qt::Key_N));
  game->addSeparator();
  game->addAction("Spieler Einstellungen");
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

  const int players = counts.players > 0 ? counts.players : 1;
  QFont big = window->font();
  big.setPointSize(24);
  for (int p = 0; p < players; ++p) {
    auto* panel = new QWidget(client);
    panel->setGeometry(0, 0, width, height);
    if (p > 0) panel->hide();

    std::vector<QGroupBox*> groups;
    // The group boxes tile the panel in two columns, as the game's sections cover its window.
    const int perPlayer = std::max(1, counts.groups / players);
    const int rows = (perPlayer + 1) / 2;
    const int boxWidth = (width - 30) / 2, boxHeight = (height - 10) / rows - 10;
    for (int g = 0; g < perPlayer; ++g) {
      auto* box = new QGroupBox(panel);
      box->setGeometry(10 + (boxWidth + 10) * (g % 2), 10 + (boxHeight + 10) * (g / 2), boxWidth,
                       boxHeight);
      groups.push_back(box);
    }
    int slot = 0;
    Spread(counts.buttons / players, groups, slot, [](QGroupBox* g, int x, int y) {
      (new QPushButton("-", g))->setGeometry(x, y, 50, 20);
    });
    bool first = true;
    Spread(counts.labels / players, groups, slot, [&](QGroupBox* g, int x, int y) {
      auto* label = new QLabel("1er", g);
      label->setGeometry(x, y, 50, 20);
      if (first) label->setFont(big);
      first = false;
    });
    int face = 0;
    Spread(counts.pictures / players, groups, slot, [&](QGroupBox* g, int x, int y) {
      (new TPicturePanel(faces[size_t(face++ % 12)], g))->setGeometry(x, y, 72, 72);
    });
  }
  return window;
}
