#include "dice/dicefield.h"
#include "forms/about.h"
#include "forms/highscoreform.h"
#include "forms/playerform.h"
#include "forms/ruleform.h"
#include "gui/runtime.h"
#include "sheet/pointfield.h"
#include "sheet/winpointfield.h"
#include "store/highscore.h"
#include "store/rc4.h"
#include "tests/support/support.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <csignal>
#include <set>

namespace
{
class Forms : public TWithApp
{
protected:
  // Presses a dialog button from inside the dialog's loop.
  static void Press(TGadget* button) { ClickWidget(button); }
  static QColor Background(TGadget* label)
  {
    return label->Native()->palette().color(QPalette::Window);
  }
  // A close request on the main window, as its close box sends it.
  void CloseMainWindow() { app_->Window->Native()->close(); }
};
} // namespace

TEST_F(Forms, PlayerDialogLayout)
{
  StartApp();
  TPlayerForm form;
  RunSteps({[&] {
              EXPECT_EQ(form.Window->GetText(), "Wurfwummel - Spieler");
              EXPECT_EQ(form.Window->ClientWidth(), 400);
              EXPECT_EQ(form.Window->xpos, app_->Window->xpos + (570 - 400) / 2);
              EXPECT_EQ(form.Window->ypos, app_->Window->ypos + (730 - 150) / 2);
              EXPECT_EQ(QPoint(form.Okay->xpos, form.Okay->ypos), QPoint(290, 116));
              EXPECT_EQ(QPoint(form.Cancel->xpos, form.Cancel->ypos), QPoint(180, 116));
              EXPECT_EQ(form.Cancel->GetText(), "Abbrechen");
              EXPECT_EQ(form.Group[1]->GetText(), "Spieler 2");
              EXPECT_EQ(ButtonState(form.Check[0]), 1);
              EXPECT_EQ(GadgetDisabled(form.Check[0]), 1);
              EXPECT_EQ(ButtonState(form.Check[1]), 0);
              EXPECT_EQ(GadgetDisabled(form.Name[1]), 1);
              EXPECT_EQ(form.Name[0]->GetText(), "Spieler1");
              // Only what the file can keep can be typed.
              form.Name[0]->SetText("");
              for (QChar c : QString::fromUtf8("Zoë Łuk")) {
                QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
                QApplication::sendEvent(form.Name[0]->Native(), &press);
              }
              EXPECT_EQ(form.Name[0]->GetText(), QString::fromUtf8("Zoë uk"));
            },
            [&] { Press(form.Cancel); }});
  form.Open(app_.get());
  EXPECT_EQ(form.Window, nullptr);
  EXPECT_EQ(app_->PlayerName[0], "Spieler1"); // Cancel keeps the names
}

// The box of the second player shows what OK will do; "Abbrechen" and the close box leave the
// players as they were.
TEST_F(Forms, PlayerDialogChangesTheSeatsOnOkAlone)
{
  StartApp();
  {
    TPlayerForm form;
    RunSteps({[&] { Press(form.Check[1]); },
              [&] {
                EXPECT_EQ(PlayerCount, 1);
                EXPECT_EQ(form.Name[1]->GetText(), "Spieler2");
                EXPECT_EQ(GadgetDisabled(form.Name[1]), 0);
                form.Name[1]->SetText("Berta");
                CloseMainWindow(); // closes only the dialog, as "Abbrechen"
              }});
    form.Open(app_.get());
    EXPECT_TRUE(driver_->exits.empty());
    EXPECT_TRUE(app_->Window->Native()->isVisible());
    EXPECT_EQ(PlayerCount, 1);
  }
  // Ticked and OK: the second player joins the game under way with an empty sheet.
  SetDice({1, 1, 1, 1, 1, 1});
  Click(app_->Pointfield[0]->Points[0]->Array[0]);
  Click(app_->DiceField[0]->Fill);
  {
    TPlayerForm form;
    RunSteps({[&] { Press(form.Check[1]); },
              [&] {
                form.Name[1]->SetText("Berta");
                Press(form.Okay);
              }});
    form.Open(app_.get());
  }
  ASSERT_EQ(PlayerCount, 2);
  EXPECT_EQ(app_->PlayerName[1], "Berta");
  EXPECT_EQ(app_->Pointfield[0]->Points[0]->Array[0]->GetText(), "6"); // the game goes on
  EXPECT_EQ(app_->GrandTotal(1), 0);
  EXPECT_TRUE(driver_->questions.isEmpty());
  EXPECT_EQ(ReadAll(DataPath() + "/wurfwummel.cfg"), QByteArray("Spieler1\r\nBerta\r\n"));
  // Unticked and ticked again: nothing changes, and OK asks nothing.
  {
    TPlayerForm form;
    RunSteps({[&] { Press(form.Check[1]); },
              [&] {
                EXPECT_EQ(form.Name[1]->GetText(), "");
                EXPECT_EQ(GadgetDisabled(form.Name[1]), 1);
                Press(form.Check[1]);
              },
              [&] {
                EXPECT_EQ(form.Name[1]->GetText(), "Berta");
                Press(form.Okay);
              }});
    form.Open(app_.get());
  }
  EXPECT_EQ(PlayerCount, 2);
  EXPECT_TRUE(driver_->questions.isEmpty());
  // Unticked and OK in a game with an entry: one question; OK takes Berta out, a new game.
  {
    TPlayerForm form;
    RunSteps({[&] { Press(form.Check[1]); }, [&] { Press(form.Okay); }});
    form.Open(app_.get());
  }
  EXPECT_EQ(driver_->questions, QStringList{PLAYER_QUESTION});
  EXPECT_EQ(PlayerCount, 1);
  EXPECT_EQ(app_->Pointfield[0]->Points[0]->Array[0]->GetText(), "-");
  EXPECT_EQ(app_->DiceField[0]->Player2->GetText(), "Spieler1 hat keine Gegner");
  EXPECT_EQ(ReadAll(DataPath() + "/wurfwummel.cfg"), QByteArray("Spieler1\r\n"));
}

TEST_F(Forms, RenamingBeginsANewGameAfterTheQuestionWhenAGameIsUnderWay)
{
  StartApp();
  app_->CreatePlayer("Spieler2");
  SetDice({1, 1, 1, 1, 1, 1});
  Click(app_->Pointfield[0]->Points[0]->Array[0]);
  Click(app_->DiceField[0]->Fill);
  ASSERT_EQ(app_->CurrentPlayer, 1);
  QFile::remove(DataPath() + "/wurfwummel.cfg");
  {
    TPlayerForm form;
    driver_->answers = {0}; // Abbrechen in the question
    RunSteps({[&] {
      form.Name[0]->SetText("Anna");
      Press(form.Okay);
    }});
    form.Open(app_.get());
    EXPECT_EQ(driver_->questions, QStringList{PLAYER_QUESTION});
    EXPECT_EQ(app_->PlayerName[0], "Spieler1");
    EXPECT_EQ(app_->CurrentPlayer, 1);
    EXPECT_EQ(ReadAll(DataPath() + "/wurfwummel.cfg"), QByteArray("Spieler1\r\nSpieler2\r\n"));
  }
  // Confirmed: new names and a new game, with player 0 to move.
  TPlayerForm form;
  driver_->answers = {1};
  RunSteps({[&] {
    form.Name[0]->SetText(QString::fromUtf8("Änne"));
    form.Name[1]->SetText("Bert");
    Press(form.Okay);
  }});
  form.Open(app_.get());
  EXPECT_EQ(app_->PlayerName, (std::vector<QString>{QString::fromUtf8("Änne"), "Bert"}));
  EXPECT_EQ(app_->CurrentPlayer, 0);
  EXPECT_EQ(app_->Pointfield[0]->Points[0]->Array[0]->GetText(), "-");
  EXPECT_EQ(app_->DiceField[0]->Player1->GetText(), QString::fromUtf8("Änne"));
  EXPECT_EQ(app_->DiceField[1]->Player2->GetText(),
            QString::fromUtf8("Der Gegner Änne hat noch nicht gewürfelt"));
  EXPECT_EQ(ReadAll(DataPath() + "/wurfwummel.cfg"), QByteArray("\xc4nne\r\nBert\r\n"));
  // Before the first entry a new name needs no question.
  driver_->questions.clear();
  TPlayerForm again;
  RunSteps({[&] {
    again.Name[1]->SetText("Berta");
    Press(again.Okay);
  }});
  again.Open(app_.get());
  EXPECT_TRUE(driver_->questions.isEmpty());
  EXPECT_EQ(app_->PlayerName[1], "Berta");
}

TEST_F(Forms, HighscoreDialogRowsAndColours)
{
  StartApp();
  THighscoreForm form;
  auto check = [&](std::set<int> highlighted) {
    EXPECT_EQ(form.Window->GetText(), "Wurfwummel - HighScore");
    EXPECT_EQ(QPoint(form.Group->xpos, form.Group->ypos), QPoint(10, 60));
    EXPECT_EQ(QSize(form.Group->width, form.Group->height), QSize(330, 451));
    EXPECT_EQ(QPoint(form.Okay->xpos, form.Okay->ypos), QPoint(125, 521));
    EXPECT_EQ(form.Header->Font(), Font24);
    EXPECT_EQ(form.Name[0]->GetText(), "Name");
    EXPECT_EQ(form.Name[0]->Font(), FontBold);
    for (int r = 1; r <= 20; ++r) {
      ASSERT_NE(form.Rank[size_t(r)], nullptr);
      EXPECT_EQ(form.Rank[size_t(r)]->GetText(), QString::number(r) + ".");
      EXPECT_EQ(form.Rank[size_t(r)]->ypos, 20 * r);
      const QColor expected = highlighted.count(r) ? QColor(128, 193, 238)
                              : r % 2              ? QColor(219, 231, 242)
                                                   : QColor(255, 255, 255);
      for (TGadget* g : {form.Rank[size_t(r)], form.Score[size_t(r)], form.Name[size_t(r)]}) {
        EXPECT_EQ(Background(g), expected) << r;
        EXPECT_EQ(g->Font() == FontBold, highlighted.count(r) > 0) << r;
      }
    }
  };
  RunSteps({[&] {
              check({});
              EXPECT_EQ(form.Score[1]->GetText(), "0");
              EXPECT_EQ(form.Name[20]->GetText(), "Spieler1");
            },
            [&] { Press(form.Okay); }});
  form.Open(app_.get());

  // A game with two new entries.
  app_->CreatePlayer("Berta");
  *app_->Score = std::vector<QString>(20, RC4(ScoreRecord(100, "Alt"), ScoreKey));
  (*app_->Score)[0] = RC4(ScoreRecord(900, "Alt"), ScoreKey);
  app_->Winpointfield[0]->Bonus[GRAND_TOTAL]->SetText("300");
  app_->Winpointfield[1]->Bonus[GRAND_TOTAL]->SetText("500");
  ASSERT_TRUE(app_->CheckScore());
  THighscoreForm again;
  RunSteps({[&] {
    form.Rank = again.Rank; // reuse the checks on the new form
    form.Score = again.Score;
    form.Name = again.Name;
    form.Window = again.Window;
    form.Group = again.Group;
    form.Okay = again.Okay;
    form.Header = again.Header;
    check({2, 3});
    EXPECT_EQ(again.Score[2]->GetText(), "500");
    EXPECT_EQ(again.Name[3]->GetText(), "Spieler1");
    CloseMainWindow();
  }});
  again.Open(app_.get());
  EXPECT_TRUE(driver_->exits.empty());
  EXPECT_TRUE(again.Rank.empty());
}

TEST_F(Forms, RulesText)
{
  StartApp();
  TRuleForm form;
  RunSteps({[&] {
              EXPECT_EQ(form.Window->GetText(), "Wurfwummel - Regeln");
              EXPECT_EQ(
                  QRect(form.Text->xpos, form.Text->ypos, form.Text->width, form.Text->height),
                  QRect(10, 10, 620, 426));
              EXPECT_EQ(QPoint(form.Okay->xpos, form.Okay->ypos), QPoint(270, 446));
              auto* edit = static_cast<QTextEdit*>(form.Text->Native());
              const QString text = form.Text->GetText();
              auto format = [edit](int pos) {
                QTextCursor c(edit->document());
                c.setPosition(pos + 1);
                return c.charFormat();
              };
              ASSERT_TRUE(text.startsWith("Regeln\n\n"));
              EXPECT_TRUE(text.endsWith("\n\n"));
              EXPECT_EQ(format(0).fontWeight(), QFont::Bold);
              EXPECT_TRUE(format(5).fontUnderline());
              int pos = 8;
              for (const TRuleSection& s : RULES) {
                const QString heading = QString::fromUtf8(s.heading);
                const QString paragraph = QString::fromUtf8(s.paragraph);
                ASSERT_EQ(text.mid(pos, heading.size()), heading);
                for (int i = pos; i < pos + heading.size() - 1; ++i) {
                  EXPECT_TRUE(format(i).fontItalic() && format(i).fontUnderline()) << i;
                  EXPECT_NE(format(i).fontWeight(), QFont::Bold) << i;
                }
                pos += heading.size();
                ASSERT_EQ(text.mid(pos, paragraph.size() + 2), paragraph + "\n\n");
                EXPECT_FALSE(paragraph.contains('\n'));
                EXPECT_FALSE(format(pos + 3).fontItalic() || format(pos + 3).fontUnderline());
                pos += paragraph.size() + 2;
              }
              EXPECT_EQ(pos, form.Text->AreaLen(1));
              // Typing changes nothing.
              form.Text->Activate(0);
              QTest::keyClicks(form.Text->Native(), "abc");
              QTest::keyClick(form.Text->Native(), Qt::Key_Delete);
              EXPECT_EQ(form.Text->GetText(), text);
            },
            [&] { CloseMainWindow(); }});
  form.Open(app_.get());
  EXPECT_TRUE(driver_->exits.empty());
  EXPECT_EQ(form.Text, nullptr);
  EXPECT_EQ(QString::fromUtf8(RULES[5].heading),
            QString::fromUtf8("Das Straßen-Feld (1-2-3-4, 2-3-4-5, 3-4-5-6 ...):\n"));
}

TEST_F(Forms, AboutWindow)
{
  StartApp();
  TAbout form;
  RunSteps({[&] {
              EXPECT_EQ(form.Window->GetText(), "Wurfwummel - About");
              EXPECT_EQ(form.Version->GetText(), "Wurfwummel 1.02");
              EXPECT_EQ(form.Version->Font(), FontBold16);
              EXPECT_EQ(FontBold16->size, 16.0);
              EXPECT_EQ(QPoint(form.Panel->xpos, form.Panel->ypos), QPoint(86, 10));
              EXPECT_EQ(form.Version->ypos, 138);
              // OK 10 pixels above the bottom.
              EXPECT_EQ(form.Okay->ypos + form.Okay->height, form.Group->ClientHeight() - 10);
              EXPECT_EQ(form.Okay->xpos, 100);
              const int ys[7] = {180, 200, 230, 250, 300, 320, 390};
              for (int i = 0; i < 7; ++i)
                EXPECT_EQ(form.Label[size_t(i)]->ypos, ys[i]) << i;
              for (int i : {0, 2, 4}) {
                EXPECT_EQ(form.Label[size_t(i)]->Font(), FontBold);
                TGadget* above = i == 0 ? form.Version : form.Label[size_t(i - 1)];
                EXPECT_EQ(form.Label[size_t(i)]->ypos, above->ypos + above->height + 10);
              }
              EXPECT_EQ(form.Label[4]->GetText(), QString::fromUtf8("Grüße"));
              EXPECT_EQ(form.Group->BackgroundColor(), (232 << 16) | (232 << 8) | 232);
              ASSERT_TRUE(form.Panel->Pixmap());
              EXPECT_EQ(form.Panel->Pixmap()->width, 128);
              // The link: black, blue under the pointer, opens its address.
              QWidget* link = form.Label[6]->Native();
              EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 0));
              QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
              QApplication::sendEvent(link, &enter);
              EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
              QTest::mouseClick(link, Qt::LeftButton);
            },
            [&] {
              EXPECT_EQ(driver_->urls, QStringList{ABOUT_URL});
              ::raise(SIGTERM); // a terminate request closes the window...
            }});
  form.Open(app_.get());
  EXPECT_TRUE(driver_->exits.empty());
  EXPECT_TRUE(form.Label.empty());
  // ...and still reaches the main loop, which saves and ends the program.
  QFile::remove(DataPath() + "/wurfwummel.cfg");
  Pump();
  EXPECT_EQ(driver_->exits, std::vector<int>{0});
  EXPECT_EQ(ReadAll(DataPath() + "/wurfwummel.cfg"), QByteArray("Spieler1\r\n"));
}

TEST_F(Forms, HighscoreDialogWithAForeignList)
{
  StartApp();
  // A foreign file: 25 records, one without a comma.
  app_->Score->assign(25, RC4(ScoreRecord(5, "Fünf"), ScoreKey));
  (*app_->Score)[1] = RC4("77", ScoreKey);
  THighscoreForm form;
  RunSteps({[&] {
    EXPECT_EQ(form.Rank.size(), 21u);
    EXPECT_EQ(form.Rank[20]->GetText(), "20.");
    EXPECT_EQ(form.Score[2]->GetText(), "77");
    EXPECT_EQ(form.Name[2]->GetText(), "");
    EXPECT_EQ(form.Name[1]->GetText(), QString::fromUtf8("Fünf"));
    EXPECT_EQ(form.Group->kids.size(), 3u + 3u * 20u);
    Press(form.Okay);
  }});
  form.Open(app_.get());
}
