#include "forms/ruleform.h"

#include "app/app.h"
#include "forms/dialog.h"

const char* const RULE_TITLE = "Regeln";

const TRuleSection RULES[RULE_SECTIONS] = {
    {"Zusammenfassung:\n",
     "Eine Partie Wurfwummel dauert 63 Runden. In jeder Runde darfst du bis zu dreimal würfeln, "
     "um eine möglichst nützliche Kombination zu bekommen. Würfel, die du behalten möchtest, "
     "klickst du vor dem nächsten Wurf an: Sie werden blau markiert und rollen nicht mit. Nach dem "
     "letzten Wurf musst du ein Ergebnis in ein freies Feld eintragen. Hast du nichts Passendes "
     "gewürfelt, kannst du stattdessen ein Feld streichen; es zeigt dann eine 0."},
    {"Spalten:\n",
     "Der Spielzettel hat drei Spalten. Punkte in der linken Spalte zählen einfach, in der "
     "mittleren Spalte doppelt und in der rechten Spalte dreifach. Überlege also gut, wo ein "
     "starker Wurf am meisten einbringt."},
    {"Das Punktefeld (1er, 2er, 3er, 4er, 5er):\n",
     "In einer Zahlenzeile werden alle Würfel zusammengezählt, deren Augenzahl der Zahl vor der "
     "Zeile entspricht: Drei Vieren bringen in der Zeile 4er also 12 Punkte. Liegt die Summe "
     "einer Spalte über 62, gibt es einen Bonus von 30 Punkten, über 83 einen Bonus von 60 Punkten "
     "und über 104 sogar einen Bonus von 90 Punkten, etwa wenn in jeder Zeile alle Würfel die "
     "passende Augenzahl zeigen."},
    {"Das Paschfeld (3er Pasch, 4er Pasch, 5er Pasch):\n",
     "Eine Pasch-Zeile nimmt jeden Wurf an, in dem mindestens so viele Würfel gleich sind, wie ihr "
     "Name sagt; eingetragen wird die Summe aller Augen des Wurfs. Beispiel: Fünf Dreien und eine "
     "Sechs sind ein 5er-Pasch und bringen 21 Punkte. Ist eine Spalte ganz ohne gestrichenes Feld "
     "gefüllt, gibt es einen Bonus von 50 Punkten."},
    {"Das FullHouse-Feld (2-2-2 Haus, 2-4 Haus, 3-3 Haus):\n",
     "Eine Haus-Zeile nimmt nur Würfe an, die das Muster ihrer Bezeichnung zeigen. Zwei Zweien, "
     "zwei Vieren und zwei Sechsen sind zum Beispiel ein 2-2-2 Haus, drei Dreien und drei Zweien "
     "ein 3-3 Haus. Jede Haus-Zeile ist 30 Punkte wert. Ist eine Spalte ganz ohne gestrichenes "
     "Feld gefüllt, gibt es einen Bonus von 50 Punkten."},
    {"Das Straßen-Feld (1-2-3-4, 2-3-4-5, 3-4-5-6 ...):\n",
     "Eine Straßen-Zeile nimmt nur Würfe an, in denen genau die Augenzahlen ihrer Bezeichnung "
     "vorkommen. Beispiel: 1,2,3,4,2,3 ist die kleine Straße 1-2-3-4. Kleine Straßen sind 30 "
     "Punkte "
     "wert, große Straßen aus fünf Zahlen 40 Punkte und die ganze Straße 1-2-3-4-5-6 50 Punkte. "
     "Auch hier bringt eine Spalte ganz ohne gestrichenes Feld einen Bonus von 50 Punkten."},
    {"Das Wummel-Feld:\n",
     "Hier zählen nur Würfe, bei denen alle sechs Würfel dieselbe Augenzahl zeigen, zum Beispiel "
     "1,1,1,1,1,1 oder 3,3,3,3,3,3. Das ist der schwierigste Wurf des Spiels; jeder Wummel ist 50 "
     "Punkte wert."},
    {"Das Chance-Feld:\n",
     "In die Chance-Felder lassen sich bis zu drei Würfe eintragen, die sonst nirgends gut passen. "
     "Alle Augen des Wurfs zählen als Punkte: 4,5,2,6,3,5 ergibt zum Beispiel 25 Punkte."},
    {"Das Ende:\n",
     "Das Spiel endet, sobald alle Spieler sämtliche Felder ihres Spielzettels ausgefüllt haben. "
     "Wer die meisten Punkte gesammelt hat, gewinnt, und mit etwas Glück landet das Ergebnis in "
     "der "
     "Highscore-Liste."},
};

void TRuleForm::FillText(TGadget* area)
{
  constexpr int BLACK = 0;
  area->AddText(RULE_TITLE);
  area->SetStyle(BLACK, BLACK, BLACK, TEXTFORMAT_BOLD | TEXTFORMAT_UNDERLINE, 0, area->AreaLen(1),
                 1);
  area->AddText("\n\n");
  for (const TRuleSection& section : RULES) {
    const int start = area->AreaLen(1);
    area->AddText(QString::fromUtf8(section.heading));
    area->SetStyle(BLACK, BLACK, BLACK, TEXTFORMAT_ITALIC | TEXTFORMAT_UNDERLINE, start,
                   area->AreaLen(1) - start, 1);
    area->AddText(QString::fromUtf8(section.paragraph));
    area->AddText("\n\n");
  }
}

int TRuleForm::Open(TApp* app)
{
  Window = CreateWindow(AppTitle() + " - Regeln", 0, 0, 640, 480, app->Window, DIALOG_STYLE);
  const int cw = Window->ClientWidth();
  const int ch = Window->ClientHeight();
  Text = CreateTextArea(10, 10, cw - 20, ch - 54, Window, TEXTAREA_WORDWRAP | TEXTAREA_READONLY);
  FillText(Text);
  Okay = CreateButton("OK", cw / 2 - 50, ch - 34, 100, 24, Window, BUTTON_OK);
  Okay->Activate(0);

  for (;;) {
    const int id = WaitEvent();
    if (ClosesDialog(id)) break;
    if (id == EVENT_GADGETACTION && EventSource() == Okay) break;
  }

  FreeGadget(Okay);
  FreeGadget(Text);
  FreeGadget(Window);
  Okay = Text = Window = nullptr;
  return 0;
}
