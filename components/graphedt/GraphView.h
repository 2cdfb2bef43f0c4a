// The picture of a graph: filters as boxes with their pins, connections as
// lines from an output pin to the input pin it feeds.
//
//   GraphLayout     where each box and pin goes; filters placed in columns by
//                   their distance from the sources, in the order of adding
//   PaintGraph      draws a layout, the selected connection highlighted
//   HitConnection   the connection under a point, or -1
//   HitPin          the pin whose mark or name is under a point
//   HitFilter       the filter whose box is under a point, or -1
#pragma once

#include <windows.h>

#include <vector>

#include "GraphModel.h"

struct GraphLayout {
  std::vector<RECT> boxes;                  // by filter
  std::vector<std::vector<POINT>> anchors;  // by filter and pin: where lines meet the box
  std::vector<ConnectionRef> connections;
  struct Line {
    POINT from;
    POINT to;
  };
  std::vector<Line> lines;  // by connection

  static GraphLayout Make(const GraphModel& model, POINT ptOrigin);
};

void PaintGraph(HDC hdc, const GraphModel& model, const GraphLayout& layout, int nSelected);
int HitConnection(const GraphLayout& layout, POINT pt);
// A pin by its filter's and its own index; false when no pin is there.
bool HitPin(const GraphModel& model, const GraphLayout& layout, POINT pt, ConnectionRef* pPin);
int HitFilter(const GraphLayout& layout, POINT pt);
