// The program's own icon: a measuring dial (grey case, white face with green, yellow and red marks
// and a needle), drawn anew at every size it is shown.
#pragma once

#include <QIcon>
#include <QPixmap>

QPixmap DialPixmap(int size);
QIcon DialIcon();
