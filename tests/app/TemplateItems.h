// Dialog template 101 as the bench's users see it: the 28 items in template (= tab) order.
#pragma once

#include <windows.h>

struct TemplateItem {
  int id;
  const wchar_t* pszClass;
  const wchar_t* pszText;  // as shown after start: box 204 holds the default graph file
  DWORD dwStyle;
  int x, y, cx, cy;
  bool bNeedsGraph;  // disabled until a graph is built
};

const TemplateItem rgTemplateItems[] = {
    {-1, L"Button", L"Graph creation", 0x50000007, 7, 7, 319, 62, false},
    {201, L"Button", L".grf", 0x50020009, 13, 19, 28, 10, false},
    {203, L"Button", L"Load...", 0x50010000, 53, 17, 50, 14, false},
    {204, L"Edit", L"C:\\CVS\\Dev\\Filters\\Video\\Lumivar\\Graphs\\Test.GRF", 0x50810080, 105, 18, 215, 12, false},
    {202, L"Button", L"Video Generator -> Resizer -> VMR", 0x50000009, 13, 34, 129, 10, false},
    {205, L"Button", L"Video Generator", 0x50010000, 13, 48, 65, 14, true},
    {206, L"Button", L"Build graph", 0x50010000, 141, 48, 50, 14, false},
    {207, L"Button", L"Show graph", 0x50010000, 270, 48, 50, 14, false},
    {211, L"Button", L"Set clipping rect", 0x50010000, 13, 74, 65, 14, true},
    {212, L"Edit", L"", 0x50810080, 81, 75, 134, 12, true},
    {-1, L"Static", L"\"L,T,R,B\", eg. \"100,80,640,480\"", 0x50020000, 218, 76, 105, 8, false},
    {213, L"Button", L"Flip frames", 0x50010003, 13, 92, 51, 10, true},
    {-1, L"Button", L"Resizing", 0x50000007, 7, 107, 319, 67, false},
    {-1, L"Static", L"Resize algorithm", 0x50020000, 13, 121, 53, 8, false},
    {220, L"ComboBox", L"", 0x50210002, 81, 118, 107, 67, true},
    {221, L"Button", L"Antialiasing", 0x50010003, 194, 121, 47, 10, true},
    {222, L"Button", L"Auto Supersampling", 0x50010003, 246, 121, 75, 10, true},
    {223, L"Button", L"Set output size", 0x50010000, 13, 135, 65, 14, true},
    {224, L"Edit", L"", 0x50810080, 81, 136, 107, 12, true},
    {-1, L"Static", L"\"cx,cy\", eg. \"100,200\"", 0x50020000, 192, 138, 73, 8, false},
    {225, L"Button", L"Set resizing coeffs", 0x50010000, 13, 153, 65, 14, true},
    {226, L"Edit", L"", 0x50810080, 81, 154, 107, 12, true},
    {-1, L"Static", L"\"dX,dY\", eg. \"1.5,2.4\"", 0x50020000, 192, 155, 72, 8, false},
    {227, L"Button", L"Fixed out", 0x50020009, 269, 137, 49, 10, true},
    {228, L"Button", L"Variable out", 0x50000009, 269, 154, 49, 10, true},
    {230, L"Button", L"Play", 0x50010000, 54, 180, 50, 14, true},
    {231, L"Button", L"Pause", 0x50010000, 139, 180, 50, 14, true},
    {232, L"Button", L"Stop", 0x50010000, 224, 180, 50, 14, true},
};
