// Drawing a bitmap into a QPainter: the one Qt part of the bitmap library.
#pragma once

#include "dib/dib.h"

class QPainter;

// Draws the bitmap into the rectangle (left, top, width, height) of the painter's
// logical coordinates, from the source origin (src_left, src_top). Draws nothing
// for a null or empty bitmap or a rectangle outside the clip and device.
void DIB_DrawToDC(HDIB handle, QPainter* painter, int left, int top, int width, int height,
                  int src_left, int src_top);
