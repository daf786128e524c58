// Wurfwummel: a dice game for one or two players.

#include "app/app.h"
#include "app/images.h"
#include "gui/toolkit.h"

int main()
{
  RegisterImages();
  InitToolkit();
  static TApp app;
  app.Create()->Start();
}
