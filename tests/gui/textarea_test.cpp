#include "gui/driver.h"
#include "gui/event.h"
#include "gui/gadget.h"
#include "tests/support/support.h"

#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>

namespace
{
QTextCharFormat FormatAt(TGadget* area, int pos)
{
  auto* edit = static_cast<QTextEdit*>(area->Native());
  QTextCursor c(edit->document());
  c.setPosition(pos + 1); // the format of the character before the cursor
  return c.charFormat();
}

class TextArea : public TWithDataDir
{
protected:
  void SetUp() override
  {
    TWithDataDir::SetUp();
    window_ = CreateWindow("T", 0, 0, 300, 200, nullptr, WINDOW_TITLEBAR | WINDOW_CLIENTCOORDS);
    window_->SetShow(1);
  }
  void TearDown() override
  {
    FreeGadget(window_);
    TWithDataDir::TearDown();
  }
  TGadget* window_ = nullptr;
};
} // namespace

TEST_F(TextArea, FormattedRangeAndPlainTextAfterIt)
{
  TGadget* area = CreateTextArea(0, 0, 280, 180, window_, TEXTAREA_WORDWRAP);
  EXPECT_EQ(area->Class(), GADGET_TEXTAREA);
  area->AddText("Regeln");
  area->SetStyle(0, 0, 0, TEXTFORMAT_BOLD | TEXTFORMAT_UNDERLINE, 0, area->AreaLen(1), 1);
  area->AddText(" und mehr");
  EXPECT_EQ(area->GetText(), "Regeln und mehr");
  EXPECT_EQ(area->AreaLen(1), 15);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(FormatAt(area, i).fontWeight(), QFont::Bold) << i;
    EXPECT_TRUE(FormatAt(area, i).fontUnderline()) << i;
  }
  for (int i = 6; i < 15; ++i) {
    EXPECT_NE(FormatAt(area, i).fontWeight(), QFont::Bold) << i;
    EXPECT_FALSE(FormatAt(area, i).fontUnderline()) << i;
  }
  // Lines, a negative length to the end, colour and strike-through.
  area->AddText("\nzwei\ndrei");
  EXPECT_EQ(area->AreaLen(2), 3);
  area->SetStyle(255, 0, 0, TEXTFORMAT_ITALIC | TEXTFORMAT_STRIKETHROUGH, 1, -1, 2);
  EXPECT_TRUE(FormatAt(area, 16).fontItalic());
  EXPECT_TRUE(FormatAt(area, 22).fontStrikeOut());
  EXPECT_EQ(FormatAt(area, 22).foreground().color(), QColor(255, 0, 0));
  EXPECT_FALSE(FormatAt(area, 3).fontItalic());
  area->SetText("neu");
  EXPECT_EQ(area->GetText(), "neu");
}

TEST_F(TextArea, ReadOnlyIgnoresTypingButAppends)
{
  TGadget* area = CreateTextArea(0, 0, 120, 180, window_, TEXTAREA_WORDWRAP | TEXTAREA_READONLY);
  area->AddText("fest");
  QApplication::setActiveWindow(window_->Native());
  area->Activate(0);
  QTest::keyClicks(area->Native(), "xyz");
  QTest::keyClick(area->Native(), Qt::Key_Backspace);
  QTest::keyClick(area->Native(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(area->GetText(), "fest");
  area->AddText(" und noch mehr Text, der sicher umbrechen muss, weil er so lang ist");
  EXPECT_TRUE(area->GetText().endsWith("so lang ist"));
  auto* edit = static_cast<QTextEdit*>(area->Native());
  for (int i = 0; i < 40; ++i)
    area->AddText("\nnoch eine Zeile");
  // The reader stays at the start while text is appended.
  EXPECT_GT(edit->verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(edit->verticalScrollBar()->value(), 0);
  EXPECT_EQ(edit->textCursor().position(), area->AreaLen(1));
  EXPECT_EQ(edit->lineWrapMode(), QTextEdit::WidgetWidth);
  EXPECT_EQ(edit->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST_F(TextArea, HyperlinkOpensOnceAndIsSilent)
{
  TGadget* link = CreateHyperlink("https://example.org/", 0, 0, 200, 20, window_, LABEL_CENTER);
  EXPECT_EQ(link->GetText(), "https://example.org/"); // no text: the address is shown
  EXPECT_EQ(link->sensitivity, 1);
  QWidget* w = link->Native();
  auto colour = [w]() { return w->palette().color(QPalette::WindowText); };
  EXPECT_EQ(colour(), QColor(0, 0, 255));
  FlushEvents();
  // Hovering: hover colour, underline, hand pointer.
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QApplication::sendEvent(w, &enter);
  EXPECT_EQ(colour(), QColor(255, 0, 0));
  EXPECT_TRUE(w->font().underline());
  EXPECT_EQ(w->cursor().shape(), Qt::PointingHandCursor);
  QTest::mouseDClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
  ASSERT_EQ(driver_->urls.size(), 1);
  EXPECT_EQ(driver_->urls[0], "https://example.org/");
  QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(30, 10));
  EXPECT_EQ(driver_->urls.size(), 2);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(w, &leave);
  EXPECT_EQ(colour(), QColor(0, 0, 255));
  EXPECT_FALSE(w->font().underline());
  // The program never sees the link's events.
  QCoreApplication::processEvents();
  while (PollEvent())
    EXPECT_NE(EventSource(), link) << EventID();
  // The colours can be changed, and a text replaces the address.
  QApplication::sendEvent(w, &leave);
  link->SetTextColor(0, 0, 0);
  link->SetColor(0, 0, 255);
  EXPECT_EQ(colour(), QColor(0, 0, 0));
  TGadget* named = CreateHyperlink("https://example.org/", 0, 30, 200, 20, window_, 0, "Hier");
  EXPECT_EQ(named->GetText(), "Hier");
}
