#include "GraphView.h"

#include <algorithm>
#include <cmath>

namespace {

const int kBoxWidth = 130;   // at least
const int kTextPadding = 6;  // between a box's side and its text
const int kColumnGap = 44;
const int kRowGap = 24;
const int kTitleHeight = 26;
const int kPinHeight = 18;
const int kPinMark = 6;

std::vector<int> Depths(const GraphModel& model, const std::vector<ConnectionRef>& connections) {
  std::vector<int> depths(model.filters.size(), 0);
  // Longest distance from a source; bounded passes, so a cycle cannot loop forever.
  for (size_t pass = 0; pass < model.filters.size(); ++pass) {
    bool bMoved = false;
    for (const ConnectionRef& c : connections) {
      const int nPeer = model.filters[c.nFilter].pins[c.nPin].nPeerFilter;
      if (depths[nPeer] < depths[c.nFilter] + 1 && depths[c.nFilter] + 1 < static_cast<int>(model.filters.size())) {
        depths[nPeer] = depths[c.nFilter] + 1;
        bMoved = true;
      }
    }
    if (!bMoved) break;
  }
  return depths;
}

// The pin's row on its side of the box.
int PinRow(const FilterModel& filter, size_t nPin) {
  int nRow = 0;
  for (size_t p = 0; p < nPin; ++p)
    if (filter.pins[p].bOutput == filter.pins[nPin].bOutput) ++nRow;
  return nRow;
}

int TextWidth(HDC hdc, const std::wstring& text) {
  SIZE size = {};
  ::GetTextExtentPoint32W(hdc, text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

// Wide enough for the title, and for the input and output names beside each other on a row.
int BoxWidth(HDC hdc, const FilterModel& filter) {
  int cxIn = 0, cxOut = 0;
  for (const PinModel& pin : filter.pins) {
    int& cx = pin.bOutput ? cxOut : cxIn;
    cx = std::max(cx, TextWidth(hdc, pin.name));
  }
  return std::max({kBoxWidth, TextWidth(hdc, filter.name) + 4 * kTextPadding,
                   cxIn + cxOut + (cxIn && cxOut ? 6 : 2) * kTextPadding});
}

double DistanceToSegment(POINT pt, POINT a, POINT b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((pt.x - a.x) * dx + (pt.y - a.y) * dy) / len2 : 0;
  t = std::max(0.0, std::min(1.0, t));
  const double ex = a.x + t * dx - pt.x, ey = a.y + t * dy - pt.y;
  return std::sqrt(ex * ex + ey * ey);
}

}  // namespace

GraphLayout GraphLayout::Make(const GraphModel& model, POINT ptOrigin, HDC hdc, const BoxPlacements& placed) {
  HGDIOBJ hOldFont = ::SelectObject(hdc, ::GetStockObject(DEFAULT_GUI_FONT));
  GraphLayout layout;
  layout.connections = model.Connections();
  const std::vector<int> depths = Depths(model, layout.connections);
  std::vector<int> widths(model.filters.size());
  std::vector<int> columnWidths;
  for (size_t f = 0; f < model.filters.size(); ++f) {
    widths[f] = BoxWidth(hdc, model.filters[f]);
    const size_t nColumn = static_cast<size_t>(depths[f]);
    if (columnWidths.size() <= nColumn) columnWidths.resize(nColumn + 1, 0);
    columnWidths[nColumn] = std::max(columnWidths[nColumn], widths[f]);
  }
  std::vector<int> columnLefts(columnWidths.size(), 0);
  for (size_t c = 1; c < columnWidths.size(); ++c)
    columnLefts[c] = columnLefts[c - 1] + columnWidths[c - 1] + kColumnGap;
  std::vector<int> columnBottoms(columnWidths.size(), 0);
  for (size_t f = 0; f < model.filters.size(); ++f) {
    const FilterModel& filter = model.filters[f];
    int nIn = 0, nOut = 0;
    for (const PinModel& pin : filter.pins) (pin.bOutput ? nOut : nIn)++;
    const int cy = kTitleHeight + std::max(1, std::max(nIn, nOut)) * kPinHeight + 6;
    const size_t nColumn = static_cast<size_t>(depths[f]);
    POINT ptBox = {columnLefts[nColumn], columnBottoms[nColumn]};
    const auto it = placed.find(filter.name);
    if (it != placed.end())
      ptBox = it->second;
    else
      columnBottoms[nColumn] += cy + kRowGap;
    const RECT rc = {ptOrigin.x + ptBox.x, ptOrigin.y + ptBox.y, ptOrigin.x + ptBox.x + widths[f],
                     ptOrigin.y + ptBox.y + cy};
    layout.boxes.push_back(rc);
    layout.extent.cx = std::max(layout.extent.cx, rc.right + kPinMark - ptOrigin.x);
    layout.extent.cy = std::max(layout.extent.cy, rc.bottom - ptOrigin.y);

    std::vector<POINT> anchors;
    for (size_t p = 0; p < filter.pins.size(); ++p) {
      const int y = rc.top + kTitleHeight + PinRow(filter, p) * kPinHeight + kPinHeight / 2;
      anchors.push_back({filter.pins[p].bOutput ? rc.right + kPinMark : rc.left - kPinMark, y});
    }
    layout.anchors.push_back(anchors);
  }
  for (const ConnectionRef& ref : layout.connections) {
    const PinModel& pin = model.filters[ref.nFilter].pins[ref.nPin];
    layout.lines.push_back({layout.anchors[ref.nFilter][ref.nPin], layout.anchors[pin.nPeerFilter][pin.nPeerPin]});
  }
  ::SelectObject(hdc, hOldFont);
  return layout;
}

void PaintGraph(HDC hdc, const GraphModel& model, const GraphLayout& layout, int nSelected) {
  HGDIOBJ hOldFont = ::SelectObject(hdc, ::GetStockObject(DEFAULT_GUI_FONT));
  ::SetBkMode(hdc, TRANSPARENT);
  HPEN hLine = ::CreatePen(PS_SOLID, 2, RGB(40, 40, 40));
  HPEN hSelected = ::CreatePen(PS_SOLID, 3, RGB(200, 30, 30));
  HBRUSH hBox = ::CreateSolidBrush(RGB(225, 235, 250));
  HBRUSH hPin = ::CreateSolidBrush(RGB(60, 90, 160));
  HGDIOBJ hOldPen = ::SelectObject(hdc, hLine);

  for (size_t c = 0; c < layout.lines.size(); ++c) {
    ::SelectObject(hdc, static_cast<int>(c) == nSelected ? hSelected : hLine);
    ::MoveToEx(hdc, layout.lines[c].from.x, layout.lines[c].from.y, nullptr);
    ::LineTo(hdc, layout.lines[c].to.x, layout.lines[c].to.y);
  }

  ::SelectObject(hdc, ::GetStockObject(BLACK_PEN));
  for (size_t f = 0; f < model.filters.size(); ++f) {
    const FilterModel& filter = model.filters[f];
    RECT rc = layout.boxes[f];
    HGDIOBJ hOldBrush = ::SelectObject(hdc, hBox);
    ::Rectangle(hdc, rc.left, rc.top, rc.right, rc.bottom);
    ::SelectObject(hdc, hOldBrush);
    RECT rcTitle = {rc.left + kTextPadding, rc.top + 4, rc.right - kTextPadding, rc.top + kTitleHeight - 4};
    ::DrawTextW(hdc, filter.name.c_str(), -1, &rcTitle, DT_CENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    for (size_t p = 0; p < filter.pins.size(); ++p) {
      const PinModel& pin = filter.pins[p];
      const POINT pt = layout.anchors[f][p];
      RECT rcMark = {pin.bOutput ? rc.right : rc.left - kPinMark, pt.y - kPinMark / 2,
                     pin.bOutput ? rc.right + kPinMark : rc.left, pt.y + kPinMark / 2 + 1};
      ::FillRect(hdc, &rcMark, hPin);
      RECT rcName = {rc.left + kTextPadding, pt.y - kPinHeight / 2, rc.right - kTextPadding, pt.y + kPinHeight / 2};
      ::DrawTextW(hdc, pin.name.c_str(), -1, &rcName,
                  (pin.bOutput ? DT_RIGHT : DT_LEFT) | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
  }

  ::SelectObject(hdc, hOldPen);
  ::SelectObject(hdc, hOldFont);
  ::DeleteObject(hLine);
  ::DeleteObject(hSelected);
  ::DeleteObject(hBox);
  ::DeleteObject(hPin);
}

int HitConnection(const GraphLayout& layout, POINT pt) {
  const double kReach = 5.0;
  int nBest = -1;
  double best = kReach;
  for (size_t c = 0; c < layout.lines.size(); ++c) {
    const double d = DistanceToSegment(pt, layout.lines[c].from, layout.lines[c].to);
    if (d <= best) {
      best = d;
      nBest = static_cast<int>(c);
    }
  }
  return nBest;
}

bool HitPin(const GraphModel& model, const GraphLayout& layout, POINT pt, ConnectionRef* pPin) {
  for (size_t f = 0; f < model.filters.size() && f < layout.anchors.size(); ++f) {
    const RECT& rc = layout.boxes[f];
    for (size_t p = 0; p < model.filters[f].pins.size(); ++p) {
      const POINT anchor = layout.anchors[f][p];
      // The pin's row from the middle of the box to just past its mark.
      const bool bOutput = model.filters[f].pins[p].bOutput;
      const int xMiddle = (rc.left + rc.right) / 2;
      const bool bInRow = bOutput ? pt.x >= xMiddle && pt.x <= anchor.x + 2 : pt.x >= anchor.x - 2 && pt.x < xMiddle;
      if (bInRow && std::abs(pt.y - anchor.y) < kPinHeight / 2) {
        *pPin = {static_cast<int>(f), static_cast<int>(p)};
        return true;
      }
    }
  }
  return false;
}

// The last drawn on top: boxes moved over others are found first.
int HitFilter(const GraphLayout& layout, POINT pt) {
  for (size_t f = layout.boxes.size(); f-- > 0;)
    if (::PtInRect(&layout.boxes[f], pt)) return static_cast<int>(f);
  return -1;
}
