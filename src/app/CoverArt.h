#pragma once

#include <QImage>

// The cover picture (487 × 205, 24-bit colour) and the about window's 32 × 32
// logo, drawn in code.
QImage drawCoverPicture();
QImage drawLogo();
