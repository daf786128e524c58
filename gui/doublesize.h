#pragma once

// Double-size variants of the pictures the program carries, for screens with two device
// pixels per logical pixel. The game keeps loading and handing over its ordinary pictures;
// the toolkit asks here when it puts one on a 2x screen.

#include "gui/pixmap.h"

#include <QImage>

// The picture registered as "name@2x.png" for the embedded "name.png" whose decoded pixels
// equal the given pixmap's, decoded; a null image when there is none or when it is not
// exactly twice as wide and high.
QImage DoubleSizeImage(const TPixmap& pixmap);
// The same for a shared picture, remembered for as long as that picture lives: the dice show
// the same few pictures at every roll, which are not changed once they are shown.
QImage DoubleSizeImage(const TPixmapPtr& pixmap);
