#include "dice/dicefield.h"
#include "gui/runtime.h"
#include "tests/support/support.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <csignal>

namespace
{
class Shell : public TWithApp
{
};

// Every item as the menus show it: its text, a tab and its shortcut when it has one, and the
// items of a submenu after it, indented.
void AddMenuTexts(QMenu* menu, const QString& indent, QStringList& texts)
{
  for (QAction* item : menu->actions()) {
    if (item->isSeparator()) {
      texts << indent + "|";
      continue;
    }
    QString text = indent + item->text();
    if (!item->shortcut().isEmpty()) text += "\t" + item->shortcut().toString();
    texts << text;
    if (item->menu()) AddMenuTexts(item->menu(), indent + "  ", texts);
  }
}

QStringList MenuTexts(TApp& app)
{
  QStringList texts;
  auto* bar = app.Window->Native()->findChild<QMenuBar*>();
  for (QAction* top : bar->actions()) {
    texts << top->text();
    AddMenuTexts(top->menu(), QString(), texts);
  }
  return texts;
}
} // namespace

TEST_F(Shell, LayoutStyleByDesktopHeight)
{
  StartApp(1280, 800);
  EXPECT_EQ(app_->Style, STYLE_COMPACT);
  EXPECT_EQ(app_->Window->ClientWidth(), 860);
  EXPECT_EQ(app_->Window->ClientHeight(), 515);
  EXPECT_EQ(app_->Window->xpos, (1280 - 860) / 2);
  EXPECT_EQ(app_->Window->ypos, (800 - 515) / 2);
  app_->Destroy();
  StartApp(1280, 801);
  EXPECT_EQ(app_->Style, STYLE_STANDARD);
  EXPECT_EQ(app_->Window->ClientWidth(), 570);
  EXPECT_EQ(app_->Window->ClientHeight(), 730);
  EXPECT_EQ(app_->Window->GetText(), "Wurfwummel");
  EXPECT_TRUE(app_->Window->Native()->isVisible());
  EXPECT_EQ(app_->Panel[0]->width, 570);
}

TEST_F(Shell, MenusAndTheirTags)
{
  StartApp();
  // The menus of the bar show the letter that opens them with Alt.
  EXPECT_EQ(MenuTexts(*app_), (QStringList{"&Spiel",
                                           "Neues Spiel\tN",
                                           "Tipp\tT",
                                           "|",
                                           "Spieler Einstellungen",
                                           "Gegen den Computer",
                                           QString::fromUtf8("Stärke"),
                                           "  Leicht",
                                           "  Mittel",
                                           "  Stark",
                                           "Tempo",
                                           "  Langsam",
                                           "  Normal",
                                           "  Schnell",
                                           "Netzwerkspiel ...",
                                           "|",
                                           "Beenden",
                                           "&Anzeige",
                                           "Highscore anzeigen",
                                           "Statistik",
                                           "Spielanalyse",
                                           "Regelwerk anzeigen\tF1",
                                           "|",
                                           QString::fromUtf8("Über Wurfwummel")}));
  QList<int> tags;
  for (TGadget* item : app_->MenuGame->kids) {
    tags << item->style;
    for (TGadget* sub : item->kids)
      tags << sub->style;
  }
  for (TGadget* item : app_->MenuView->kids)
    tags << item->style;
  EXPECT_EQ(tags, (QList<int>{MM_NEW,      MM_HINT,    0,        MM_PLAYER, MM_COMPUTER, 0,
                              MM_LEICHT,   MM_MITTEL,  MM_STARK, 0,         MM_LANGSAM,  MM_NORMAL,
                              MM_SCHNELL,  MM_NETWORK, 0,        MM_QUIT,   MM_HIGH,     MM_STATS,
                              MM_ANALYSIS, MM_RULE,    0,        MM_ABOUT}));

  // A screen reader hears the item's name without its key, and the key as its key binding;
  // once "Neues Spiel\tN" was read out as the name.
  // the strengths and speeds within the submenu that says what they are.
  QMenu* game = app_->Window->Native()->findChild<QMenuBar*>()->actions()[0]->menu();
  QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(game);
  ASSERT_NE(menu, nullptr);
  QMap<QString, QStringList> bindings;
  for (int i = 0; i < menu->childCount(); ++i) {
    QAccessibleInterface* item = menu->child(i);
    if (item->role() == QAccessible::Separator) continue;
    // The accelerator is what the desktop's accessibility bridge gives as the key binding.
    const QString key = item->text(QAccessible::Accelerator);
    bindings[item->text(QAccessible::Name)] = key.isEmpty() ? QStringList() : QStringList{key};
  }
  EXPECT_EQ(bindings.value("Neues Spiel"), QStringList{"N"});
  EXPECT_EQ(bindings.value("Tipp"), QStringList{"T"});
  EXPECT_TRUE(bindings.contains("Beenden"));
  EXPECT_TRUE(bindings.contains(QString::fromUtf8("Stärke")));
  for (const QString& name : bindings.keys())
    EXPECT_FALSE(name.contains('\t')) << name.toStdString();
  QAccessibleInterface* strength = nullptr;
  for (int i = 0; i < menu->childCount(); ++i)
    if (menu->child(i)->text(QAccessible::Name) == QString::fromUtf8("Stärke"))
      strength = menu->child(i);
  ASSERT_NE(strength, nullptr);
  ASSERT_EQ(strength->childCount(), 1); // the submenu
  QStringList levels;
  QAccessibleInterface* submenu = strength->child(0);
  for (int i = 0; i < submenu->childCount(); ++i)
    levels << submenu->child(i)->text(QAccessible::Name);
  EXPECT_EQ(levels, (QStringList{"Leicht", "Mittel", "Stark"}));
}

TEST_F(Shell, FirstStartCreatesFolderAndFiles)
{
  ASSERT_EQ(FileType(DataPath()), 0);
  StartApp();
  EXPECT_EQ(AppPath, DataPath());
  EXPECT_EQ(FileType(DataPath()), 2);
  EXPECT_EQ(ReadAll(DataPath() + "/wurfwummel.cfg"), QByteArray("Spieler1\r\n"));
  EXPECT_EQ(ReadAll(DataPath() + "/wurfwummel.scr").size(), 240);
  EXPECT_EQ(PlayerCount, 1);
  EXPECT_EQ(app_->PlayerName, std::vector<QString>{"Spieler1"});
}

TEST_F(Shell, KeyNStartsANewGame)
{
  StartApp();
  auto& dice = *app_->DiceField[0];
  Click(dice.Button);
  Click(dice.Button);
  ASSERT_EQ(dice.Count, 2);
  QApplication::setActiveWindow(app_->Window->Native());
  QTest::keyClick(app_->Window->Native(), Qt::Key_N);
  Pump();
  EXPECT_EQ(dice.Count, 0);
  EXPECT_EQ(GadgetDisabled(dice.Button), 0);
}

TEST_F(Shell, QuitClosingAndTerminateSaveAndExit)
{
  StartApp();
  app_->PlayerName[0] = "Jürgen";
  for (int way = 0; way < 3; ++way) {
    driver_->exits.clear();
    QFile::remove(DataPath() + "/wurfwummel.cfg");
    if (way == 0) {
      TEvent e;
      e.id = EVENT_MENUACTION;
      e.data = MM_QUIT;
      app_->Dispatch(e);
    } else if (way == 1) {
      app_->Window->Native()->close(); // the close box asks no question
      Pump();
      EXPECT_TRUE(app_->Window->Native()->isVisible());
    } else {
      ::raise(SIGTERM); // the signal only wakes the loop
      QTest::qWait(50);
      Pump();
    }
    EXPECT_EQ(driver_->exits, std::vector<int>{0}) << way;
    EXPECT_EQ(ReadAll(DataPath() + "/wurfwummel.cfg"), QByteArray("J\xfcrgen\r\n")) << way;
    EXPECT_TRUE(driver_->questions.isEmpty());
  }
}

// The real program: a kill or Ctrl+C saves like "Beenden" and exits with 0.
TEST_F(Shell, SignalsEndTheRealProgramCleanly)
{
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    QTemporaryDir home;
    const QString data = home.path() + "/Tollmark/Wurfwummel";
    QProcess game;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", home.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    game.setProcessEnvironment(env);
    game.start(WURFWUMMEL_BIN, QStringList());
    ASSERT_TRUE(game.waitForStarted(10000));
    // The first start writes the settings file once it is up; wait for it, then remove it.
    for (int i = 0; i < 800 && FileType(data + "/wurfwummel.cfg") != 1; ++i)
      QTest::qWait(25);
    QTest::qWait(100);
    ASSERT_TRUE(QFile::remove(data + "/wurfwummel.cfg"));
    ::kill(pid_t(game.processId()), sig);
    ASSERT_TRUE(game.waitForFinished(10000));
    EXPECT_EQ(game.exitStatus(), QProcess::NormalExit) << sig;
    EXPECT_EQ(game.exitCode(), 0) << sig;
    EXPECT_EQ(ReadAll(data + "/wurfwummel.cfg"), QByteArray("Spieler1\r\n")) << sig;
  }
}
