// Our graph editor's main window driven from a test, as a tester drives it: its elements list
// read and chosen from, its detail and status read, the mouse on its canvas, and its pins and
// boxes found by their colours.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace viewer_test {

class CEditorDriver {
protected:
  using PinMap = std::map<std::wstring, POINT>;

  std::vector<std::wstring> Elements() const;
  void SelectElement(const std::wstring& element) const;
  // Waits until the elements list holds the element.
  bool Shows(const std::wstring& element) const;
  std::wstring Detail() const;
  std::wstring Status() const;
  // The command's file dialog, answered with a path.
  void AnswerFileDialog(WORD wCommand, LPCWSTR pszTitle, const std::wstring& path) const;

  // The mouse on the canvas, as the platform delivers it: sent, so that it has been handled
  // on return, or (a drag's release) posted where a refusal's modal box may follow.
  void Mouse(UINT uMsg, POINT pt, WPARAM wKeys) const;
  void Drag(POINT from, POINT to, WPARAM wKeys = 0) const;
  void DragBox(POINT from, POINT to) const;

  // The pins on the canvas by "Filter.Pin", the boxes by filter name: each area of their
  // colour clicked, and named by what the detail then shows.
  PinMap Pins() const;
  PinMap Boxes() const;
  // The pins once the canvas shows them as fnShown expects: a change is painted a little later.
  PinMap PinsWhen(const std::function<bool(PinMap&)>& fnShown) const;

  HWND m_hWndMain = nullptr;

private:
  PinMap ClickedSpots(COLORREF color, const std::wstring& prefix, const std::wstring& end) const;
};

}  // namespace viewer_test
