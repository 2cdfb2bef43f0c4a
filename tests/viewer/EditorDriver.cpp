#include "EditorDriver.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "UiDriver.h"
#include "WindowPixels.h"
#include "resource.h"

namespace viewer_test {

namespace {

// The colours the canvas draws pin marks and filter boxes in.
const COLORREF kPinColor = RGB(60, 90, 160);
const COLORREF kBoxColor = RGB(225, 235, 250);

}  // namespace

std::vector<std::wstring> CEditorDriver::Elements() const {
  return harness::ListBoxItems(::GetDlgItem(m_hWndMain, IDC_ELEMENTS));
}

void CEditorDriver::SelectElement(const std::wstring& element) const {
  const std::vector<std::wstring> elements = Elements();
  const auto it = std::find(elements.begin(), elements.end(), element);
  ASSERT_NE(elements.end(), it) << "no element " << std::string(element.begin(), element.end());
  HWND hElements = ::GetDlgItem(m_hWndMain, IDC_ELEMENTS);
  ::SendMessageW(hElements, LB_SETCURSEL, it - elements.begin(), 0);
  ::SendMessageW(m_hWndMain, WM_COMMAND, MAKEWPARAM(IDC_ELEMENTS, LBN_SELCHANGE), reinterpret_cast<LPARAM>(hElements));
}

bool CEditorDriver::Shows(const std::wstring& element) const {
  return harness::WaitUntil([&] {
    const std::vector<std::wstring> elements = Elements();
    return std::find(elements.begin(), elements.end(), element) != elements.end();
  });
}

std::wstring CEditorDriver::Detail() const { return harness::ReadText(::GetDlgItem(m_hWndMain, IDC_DETAIL)); }
std::wstring CEditorDriver::Status() const { return harness::ReadText(::GetDlgItem(m_hWndMain, IDC_STATUS)); }

void CEditorDriver::AnswerFileDialog(WORD wCommand, LPCWSTR pszTitle, const std::wstring& path) const {
  DWORD dwProcessId = 0;
  ::GetWindowThreadProcessId(m_hWndMain, &dwProcessId);
  ::PostMessageW(m_hWndMain, WM_COMMAND, wCommand, 0);
  HWND hDialog = nullptr;
  ASSERT_TRUE(harness::WaitUntil(
      [&] { return (hDialog = harness::FindTopWindow(dwProcessId, nullptr, pszTitle)) != nullptr; }));
  HWND hName = harness::FindDescendant(hDialog, 0x47C);         // the file name box (cmb13)
  if (!hName) hName = harness::FindDescendant(hDialog, 0x480);  // or its older edit (edt1)
  ASSERT_TRUE(hName != nullptr);
  harness::SetText(hName, path.c_str());
  harness::PressButton(hDialog, IDOK);
  ASSERT_TRUE(harness::WaitUntil([&] { return !::IsWindow(hDialog); }));
}

void CEditorDriver::Mouse(UINT uMsg, POINT pt, WPARAM wKeys) const {
  ::SendMessageW(m_hWndMain, uMsg, wKeys, MAKELPARAM(pt.x, pt.y));
}

void CEditorDriver::Drag(POINT from, POINT to, WPARAM wKeys) const {
  Mouse(WM_LBUTTONDOWN, from, MK_LBUTTON | wKeys);
  Mouse(WM_MOUSEMOVE, to, MK_LBUTTON | wKeys);
  ::PostMessageW(m_hWndMain, WM_LBUTTONUP, wKeys, MAKELPARAM(to.x, to.y));
}

void CEditorDriver::DragBox(POINT from, POINT to) const {
  Mouse(WM_LBUTTONDOWN, from, MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, to, MK_LBUTTON);
  Mouse(WM_LBUTTONUP, to, 0);
}

CEditorDriver::PinMap CEditorDriver::ClickedSpots(COLORREF color, const std::wstring& prefix,
                                                  const std::wstring& end) const {
  PinMap spots;
  for (const POINT& pt : harness::ColorSpots(m_hWndMain, color)) {
    Mouse(WM_LBUTTONDOWN, pt, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, pt, 0);
    const std::wstring detail = Detail();
    if (detail.rfind(prefix, 0) == 0) spots[detail.substr(prefix.size(), detail.find(end) - prefix.size())] = pt;
  }
  return spots;
}

CEditorDriver::PinMap CEditorDriver::Pins() const { return ClickedSpots(kPinColor, L"Pin: ", L" ("); }
CEditorDriver::PinMap CEditorDriver::Boxes() const { return ClickedSpots(kBoxColor, L"Filter: ", L"\r\n"); }

CEditorDriver::PinMap CEditorDriver::PinsWhen(const std::function<bool(PinMap&)>& fnShown) const {
  PinMap pins;
  harness::WaitUntil([&] { return fnShown(pins = Pins()); });
  return pins;
}

}  // namespace viewer_test
