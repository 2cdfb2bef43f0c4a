// Editing the own graph on the canvas: a pin selected by a click, an output pin dragged onto
// an input pin to connect them (directly; with Ctrl held, intelligently), Render on a pin,
// and the property pages of a filter and of a pin.
#include <olectl.h>

#include <atlcomcli.h>

#include "GraphEdits.h"
#include "MainWindow.h"
#include "PinSnapshot.h"
// Last, so that only the page's class id is defined here.
#include <initguid.h>
#include "proppage/ProppageClasses.h"

using ATL::CComPtr;
using ATL::CComQIPtr;

namespace {

const ConnectionRef kNoPin = {-1, -1};

}  // namespace

bool CViewerWindow::HasPin(const ConnectionRef& pin) const {
  return pin.nFilter >= 0 && pin.nFilter < static_cast<int>(m_report.model.filters.size()) && pin.nPin >= 0 &&
         pin.nPin < static_cast<int>(m_report.model.filters[pin.nFilter].pins.size());
}

void CViewerWindow::OnPinClick(const ConnectionRef& pin, bool bDouble) {
  Select(-1);
  m_nSelectedFilter = -1;
  m_pin = pin;
  ShowDetail();
  if (bDouble) return OpenPinPage(pin);
  if (m_report.link == LinkState::Connected && m_report.model.filters[pin.nFilter].pins[pin.nPin].bOutput) {
    m_bDragging = true;
    ::SetCapture(m_hWnd);
  }
}

void CViewerWindow::OnDrag(POINT pt) {
  if (!m_bDragging) return;
  m_ptDrag = pt;
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CViewerWindow::OnDragEnd(POINT pt, bool bIntelligent) {
  if (!m_bDragging) return;
  m_bDragging = false;
  ::ReleaseCapture();
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
  ConnectionRef target;
  if (!HitPin(m_report.model, m_layout, pt, &target) ||
      m_report.model.filters[target.nFilter].pins[target.nPin].bOutput)
    return;
  ConnectPins(m_pin, target, bIntelligent);
}

void CViewerWindow::ConnectPins(const ConnectionRef& out, const ConnectionRef& in, bool bIntelligent) {
  if (!HasPin(out) || !HasPin(in)) return;
  const PinName from = PinNameOf(out), to = PinNameOf(in);
  EditGraph(L"The pins cannot be connected",
            [=](IGraphBuilder* pGraph) { return ConnectNamedPins(pGraph, from, to, bIntelligent); });
}

void CViewerWindow::RenderSelectedPin() {
  if (!HasPin(m_pin)) return;
  const PinName pin = PinNameOf(m_pin);
  EditGraph(L"The pin cannot be rendered", [pin](IGraphBuilder* pGraph) { return RenderNamedPin(pGraph, pin); });
}

// The page reads a copy of the pin taken at the last read: nothing of the graph's process is
// held while it is open, however long that is and however the viewer ends meanwhile.
void CViewerWindow::OpenPinPage(const ConnectionRef& pin) {
  if (!HasPin(pin) || m_report.link != LinkState::Connected) return;
  const FilterModel& filter = m_report.model.filters[pin.nFilter];
  CComPtr<IPin> spPin;
  HRESULT hr = CreatePinSnapshot(filter, filter.pins[pin.nPin], &spPin);
  if (SUCCEEDED(hr)) {
    IUnknown* pObject = spPin;
    CLSID clsid = CLSID_MediaTypePage;
    hr = ::OleCreatePropertyFrame(m_hWnd, 0, 0, L"Media Type", 1, &pObject, 1, &clsid, LOCALE_USER_DEFAULT, 0, nullptr);
  }
  if (FAILED(hr)) ShowFailure(L"The media type page cannot be shown", hr);
}

// The filter's own pages (ISpecifyPropertyPages), of the own graph. A page reaches its filter
// through the filter's own interface, which has no proxy across processes (measured: the
// generator's settings interface answers E_NOINTERFACE from the bench's graph).
void CViewerWindow::OpenFilterPages(int nFilter) {
  if (nFilter < 0 || nFilter >= static_cast<int>(m_report.model.filters.size())) return;
  const std::wstring& name = m_report.model.filters[nFilter].name;
  if (!m_doc.IsOpen()) {
    const std::wstring text = L"The property pages of " + name +
                              L" cannot be shown: the filter runs in another process, where its pages cannot reach it.";
    ::MessageBoxW(m_hWnd, text.c_str(), kAppTitle, MB_OK | MB_ICONINFORMATION);
    return;
  }
  CComPtr<IBaseFilter> spFilter;
  HRESULT hr = m_doc.Graph()->FindFilterByName(name.c_str(), &spFilter);
  CComQIPtr<ISpecifyPropertyPages, &IID_ISpecifyPropertyPages> spSpecify(spFilter);
  if (SUCCEEDED(hr) && !spSpecify) hr = E_NOINTERFACE;
  CAUUID pages = {};
  if (SUCCEEDED(hr)) hr = spSpecify->GetPages(&pages);
  if (SUCCEEDED(hr)) {
    IUnknown* pObject = spFilter;
    hr = ::OleCreatePropertyFrame(m_hWnd, 0, 0, name.c_str(), 1, &pObject, pages.cElems, pages.pElems,
                                  LOCALE_USER_DEFAULT, 0, nullptr);
    ::CoTaskMemFree(pages.pElems);
  }
  if (FAILED(hr)) ShowFailure((L"The property pages of " + name + L" cannot be shown").c_str(), hr);
}

void CViewerWindow::PaintEditing(HDC hdc) {
  if (!HasPin(m_pin) || m_pin.nFilter >= static_cast<int>(m_layout.anchors.size())) return;
  const POINT anchor = m_layout.anchors[m_pin.nFilter][m_pin.nPin];
  HPEN hPen = ::CreatePen(PS_SOLID, 2, RGB(200, 30, 30));
  HGDIOBJ hOldPen = ::SelectObject(hdc, hPen);
  HGDIOBJ hOldBrush = ::SelectObject(hdc, ::GetStockObject(NULL_BRUSH));
  ::Rectangle(hdc, anchor.x - 6, anchor.y - 6, anchor.x + 7, anchor.y + 7);
  if (m_bDragging) {
    ::MoveToEx(hdc, anchor.x, anchor.y, nullptr);
    ::LineTo(hdc, m_ptDrag.x, m_ptDrag.y);
  }
  ::SelectObject(hdc, hOldBrush);
  ::SelectObject(hdc, hOldPen);
  ::DeleteObject(hPen);
}

void CViewerWindow::ClearPin() {
  m_pin = kNoPin;
  if (m_bDragging) {
    m_bDragging = false;
    ::ReleaseCapture();
  }
}
