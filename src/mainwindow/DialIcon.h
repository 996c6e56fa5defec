// The program's own icon: a measuring dial (grey case, white face with green, yellow and red marks
// and a needle), drawn at 16, 32, 48 and 64 pixels.
#pragma once

#include <QIcon>
#include <QPixmap>

QPixmap DialPixmap(int size);
QIcon DialIcon();
