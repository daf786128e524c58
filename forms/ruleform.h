#pragma once

// The rules window "Wurfwummel - Regeln": the rules of the game as formatted, read-only text.

#include "gui/gadget.h"

class TApp;

struct TRuleSection {
  const char* heading; // ends with a line break
  const char* paragraph;
};
constexpr int RULE_SECTIONS = 9;
extern const TRuleSection RULES[RULE_SECTIONS];
extern const char* const RULE_TITLE; // "Regeln"

class TRuleForm
{
public:
  TGadget* Window = nullptr;
  TGadget* Text = nullptr;
  TGadget* Okay = nullptr;

  int Open(TApp* app);
  // Builds the rules text in a text area by appending and formatting, title first.
  static void FillText(TGadget* area);
};
