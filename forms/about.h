#pragma once

// The about window "Wurfwummel - About": picture, name and version, credits and a web link.

#include "gui/gadget.h"

#include <vector>

class TApp;

extern const char* const VERSION; // "1.02"
extern const char* const ABOUT_URL;

class TAbout
{
public:
  TGadget* Window = nullptr;
  TGadget* Group = nullptr;
  TGadget* Panel = nullptr;
  TGadget* Version = nullptr;
  TGadget* Okay = nullptr;
  std::vector<TGadget*> Label = std::vector<TGadget*>(7, nullptr);

  int Open(TApp* app);
  // Builds the window's gadgets; Open does this, then waits, then frees them.
  void Build(TApp* app);
  void Release();
};
