#pragma once

// The pictures compiled into the program, in the order in which start-up registers them.
struct TEmbeddedImage {
  const char* name;
  const unsigned char* data;
  int length;
};

// Defined by the generated table of the build.
const TEmbeddedImage* EmbeddedImages(int& count);

// Registers every compiled-in picture under its name, for "incbin::" addresses.
void RegisterImages();
