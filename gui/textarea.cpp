#include "gui/toolkit_p.h"
#include "gui/widgets_p.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

namespace
{
// Multi-line text with per-character colour and format; read-only still lets AddText append.
class TTextAreaGadget : public TGadget
{
public:
  TTextAreaGadget(QWidget* parentWidget, int areaStyle) : TGadget(GADGET_TEXTAREA)
  {
    edit_ = new QTextEdit(parentWidget);
    edit_->setAcceptRichText(false);
    edit_->setReadOnly(areaStyle & TEXTAREA_READONLY);
    if (areaStyle & TEXTAREA_WORDWRAP) {
      edit_->setLineWrapMode(QTextEdit::WidgetWidth);
      edit_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
      edit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    } else {
      edit_->setLineWrapMode(QTextEdit::NoWrap);
    }
    if (areaStyle & TEXTAREA_READONLY)
      edit_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    SetWidget(edit_);
  }
  void SetText(const QString& text) override
  {
    if (edit_) edit_->setPlainText(text);
  }
  QString GetText() override { return edit_ ? edit_->toPlainText() : QString(); }
  void AddText(const QString& text) override
  {
    if (!edit_) return;
    QTextCursor cursor(edit_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text, QTextCharFormat());
    // The caret goes after the new text, but the view stays where the reader is.
    QScrollBar* bar = edit_->verticalScrollBar();
    const int top = bar->value();
    edit_->setTextCursor(cursor);
    bar->setValue(top);
  }
  int AreaLen(int units) override
  {
    if (!edit_) return 0;
    if (units == 2) return edit_->document()->blockCount();
    return edit_->document()->characterCount() - 1;
  }
  void SetStyle(int r, int g, int b, int flags, int pos, int length, int units) override
  {
    if (!edit_) return;
    QTextDocument* doc = edit_->document();
    const int total = doc->characterCount() - 1;
    int from = pos;
    int to = length < 0 ? total : pos + length;
    if (units == 2) {
      const QTextBlock first = doc->findBlockByNumber(pos);
      from = first.isValid() ? first.position() : total;
      if (length < 0)
        to = total;
      else {
        const QTextBlock last = doc->findBlockByNumber(pos + length);
        to = last.isValid() ? last.position() : total;
      }
    }
    from = std::clamp(from, 0, total);
    to = std::clamp(to, from, total);
    QTextCursor cursor(doc);
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setForeground(QColor(r, g, b));
    format.setFontWeight((flags & TEXTFORMAT_BOLD) ? QFont::Bold : QFont::Normal);
    format.setFontItalic(flags & TEXTFORMAT_ITALIC);
    format.setFontUnderline(flags & TEXTFORMAT_UNDERLINE);
    format.setFontStrikeOut(flags & TEXTFORMAT_STRIKETHROUGH);
    cursor.mergeCharFormat(format);
  }
  void Free() override
  {
    edit_ = nullptr;
    TGadget::Free();
  }

private:
  QTextEdit* edit_;
};
} // namespace

TGadget* NewTextAreaGadget(TGadget* parent, int style)
{
  return new TTextAreaGadget(parent ? parent->Container() : nullptr, style);
}
