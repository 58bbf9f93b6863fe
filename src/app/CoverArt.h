#pragma once

#include <QImage>

class QIcon;

// The cover picture (487 × 205, 24-bit colour), drawn in code.
QImage drawCoverPicture();
// The program's icon (resources/icons/cn.qingtong.tiku.svg, the one the
// desktop's menu shows) at `size` × `size` pixels; the about window's logo is
// the 32 × 32 one, the windows' icon all sizes.
QImage drawProgramIcon(int size);
QImage drawLogo();
QIcon programIcon();
