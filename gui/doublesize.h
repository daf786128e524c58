#pragma once

// Double-size variants of the pictures the program carries, for screens with two device
// pixels per logical pixel. The game keeps loading and handing over its ordinary pictures;
// a panel asks here, by the address its picture was loaded from, only when it draws on a
// screen of ratio above 1.

#include <QImage>
#include <QSize>
#include <QString>

// For an embedded picture "incbin::name.png", the picture registered as "name@2x.png",
// decoded; a null image when there is none, when the address is not one of the program's
// own pictures, or when the variant is not exactly twice the given size. Each address is
// decoded once per process and remembered, the answer "none" included.
QImage DoubleSizeImage(const QString& source, QSize size);
