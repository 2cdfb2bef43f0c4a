#include "WindowPixels.h"

#include <atlhandle.h>

#include <algorithm>

namespace harness {

std::vector<DWORD> ClientPixels(HWND hWnd, int* pcx, int* pcy) {
  RECT rc = {};
  if (!::GetClientRect(hWnd, &rc) || rc.right <= 0 || rc.bottom <= 0) return {};
  *pcx = rc.right;
  *pcy = rc.bottom;
  BITMAPINFO bmi = {};
  bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
  bmi.bmiHeader.biWidth = rc.right;
  bmi.bmiHeader.biHeight = -rc.bottom;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> pixels;
  HDC hdc = ::GetDC(hWnd);
  HDC hdcMem = ::CreateCompatibleDC(hdc);
  void* pBits = nullptr;
  HBITMAP hBitmap = ::CreateDIBSection(hdc, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
  if (hdcMem && hBitmap) {
    HGDIOBJ hOld = ::SelectObject(hdcMem, hBitmap);
    if (::BitBlt(hdcMem, 0, 0, rc.right, rc.bottom, hdc, 0, 0, SRCCOPY)) {
      ::GdiFlush();
      const DWORD* p = static_cast<const DWORD*>(pBits);
      pixels.assign(p, p + static_cast<size_t>(rc.right) * rc.bottom);
    }
    ::SelectObject(hdcMem, hOld);
  }
  if (hBitmap) ::DeleteObject(hBitmap);
  if (hdcMem) ::DeleteDC(hdcMem);
  ::ReleaseDC(hWnd, hdc);
  return pixels;
}

std::vector<POINT> ColorSpots(HWND hWnd, COLORREF color) {
  int cx = 0, cy = 0;
  std::vector<DWORD> pixels = ClientPixels(hWnd, &cx, &cy);
  // A DIB's pixel is 0x00RRGGBB, a COLORREF 0x00BBGGRR.
  const DWORD dwWanted = (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
  std::vector<POINT> spots;
  std::vector<int> stack;
  for (int start = 0; start < cx * cy; ++start) {
    if ((pixels[start] & 0xFFFFFF) != dwWanted) continue;
    // Flood fill, marking each pixel taken with a value no colour has.
    long long sumX = 0, sumY = 0, count = 0;
    stack.assign(1, start);
    pixels[start] = 0xFF000000;
    while (!stack.empty()) {
      const int i = stack.back();
      stack.pop_back();
      const int x = i % cx, y = i / cx;
      sumX += x;
      sumY += y;
      ++count;
      const int neighbours[] = {x > 0 ? i - 1 : -1, x + 1 < cx ? i + 1 : -1, y > 0 ? i - cx : -1,
                                y + 1 < cy ? i + cx : -1};
      for (int n : neighbours)
        if (n >= 0 && (pixels[n] & 0xFFFFFF) == dwWanted && pixels[n] != 0xFF000000) {
          pixels[n] = 0xFF000000;
          stack.push_back(n);
        }
    }
    spots.push_back({static_cast<LONG>(sumX / count), static_cast<LONG>(sumY / count)});
  }
  return spots;
}

bool SaveWindowPicture(HWND hWnd, const std::wstring& path) {
  RECT rc = {};
  if (!::GetWindowRect(hWnd, &rc) || rc.right <= rc.left || rc.bottom <= rc.top) return false;
  const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
  BITMAPINFOHEADER bih = {};
  bih.biSize = sizeof bih;
  bih.biWidth = cx;
  bih.biHeight = -cy;
  bih.biPlanes = 1;
  bih.biBitCount = 32;
  bih.biCompression = BI_RGB;
  bih.biSizeImage = static_cast<DWORD>(cx) * cy * 4;
  HDC hdcScreen = ::GetDC(nullptr);
  HDC hdcMem = ::CreateCompatibleDC(hdcScreen);
  void* pBits = nullptr;
  HBITMAP hBitmap =
      ::CreateDIBSection(hdcScreen, reinterpret_cast<BITMAPINFO*>(&bih), DIB_RGB_COLORS, &pBits, nullptr, 0);
  bool bRead = false;
  if (hdcMem && hBitmap) {
    HGDIOBJ hOld = ::SelectObject(hdcMem, hBitmap);
    bRead = ::BitBlt(hdcMem, 0, 0, cx, cy, hdcScreen, rc.left, rc.top, SRCCOPY) != FALSE;
    ::GdiFlush();
    // GDI leaves the fourth byte 0, which readers of 32-bit files take for transparent.
    DWORD* p = static_cast<DWORD*>(pBits);
    for (size_t i = 0; bRead && i < static_cast<size_t>(cx) * cy; ++i) p[i] |= 0xFF000000;
    ::SelectObject(hdcMem, hOld);
  }
  bool bSaved = false;
  if (bRead) {
    BITMAPFILEHEADER bfh = {};
    bfh.bfType = 0x4D42;  // "BM"
    bfh.bfOffBits = sizeof bfh + sizeof bih;
    bfh.bfSize = bfh.bfOffBits + bih.biSizeImage;
    ATL::CHandle hFile(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD cb1 = 0, cb2 = 0, cb3 = 0;
    bSaved = hFile && ::WriteFile(hFile, &bfh, sizeof bfh, &cb1, nullptr) &&
             ::WriteFile(hFile, &bih, sizeof bih, &cb2, nullptr) &&
             ::WriteFile(hFile, pBits, bih.biSizeImage, &cb3, nullptr) && cb3 == bih.biSizeImage;
  }
  if (hBitmap) ::DeleteObject(hBitmap);
  if (hdcMem) ::DeleteDC(hdcMem);
  ::ReleaseDC(nullptr, hdcScreen);
  return bSaved;
}

}  // namespace harness
