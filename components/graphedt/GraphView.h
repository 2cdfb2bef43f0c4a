// The picture of a graph: filters as boxes with their pins, connections as
// lines from an output pin to the input pin it feeds.
//
//   GraphLayout     where each box and pin goes; filters placed in columns by
//                   their distance from the sources, in the order of adding, unless
//                   the user placed them; each box wide enough for its names
//   PaintGraph      draws a layout, the selected connection highlighted
//   HitConnection   the connection under a point, or -1
//   HitPin          the pin whose mark or name is under a point
//   HitFilter       the filter whose box is under a point, or -1
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "GraphModel.h"

// Boxes the user moved: the top left corner by filter name, from the layout's origin.
using BoxPlacements = std::map<std::wstring, POINT>;

struct GraphLayout {
  std::vector<RECT> boxes;                  // by filter
  std::vector<std::vector<POINT>> anchors;  // by filter and pin: where lines meet the box
  std::vector<ConnectionRef> connections;
  struct Line {
    POINT from;
    POINT to;
  };
  std::vector<Line> lines;  // by connection
  SIZE extent = {};         // from the origin to the farthest box's far corner

  // hdc measures the names in the font PaintGraph draws them with.
  static GraphLayout Make(const GraphModel& model, POINT ptOrigin, HDC hdc, const BoxPlacements& placed);
};

void PaintGraph(HDC hdc, const GraphModel& model, const GraphLayout& layout, int nSelected);
int HitConnection(const GraphLayout& layout, POINT pt);
// A pin by its filter's and its own index; false when no pin is there.
bool HitPin(const GraphModel& model, const GraphLayout& layout, POINT pt, ConnectionRef* pPin);
int HitFilter(const GraphLayout& layout, POINT pt);
