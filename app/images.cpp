#include "app/images.h"

#include "gui/incbin.h"

void RegisterImages()
{
  int count = 0;
  const TEmbeddedImage* images = EmbeddedImages(count);
  for (int i = 0; i < count; ++i)
    RegisterEmbeddedFile(QString::fromLatin1(images[i].name), images[i].data, images[i].length);
}
