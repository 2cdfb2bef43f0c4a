#include "MainWindow.h"

#include <olectl.h>

#include <commctrl.h>

#include <atlcomcli.h>

#include <cwchar>

#include "ConnectDialog.h"
#include "GraphEdits.h"
#include "InsertDialog.h"
#include "PinSnapshot.h"
#include "resource.h"

using ATL::CComPtr;
using ATL::CComQIPtr;

namespace {

const wchar_t kClassName[] = L"LumivarGraphViewer";
const wchar_t* const kTitle = CViewerWindow::kAppTitle;
const UINT WM_APP_REPORT = WM_APP + 1;

// How long the end waits for the watcher's publisher to answer: it may itself wait for this
// viewer's primary thread to end (the bench waits 1000 ms).
const DWORD kWatcherStopMs = 100;

const int kMargin = 8;
const int kButtonHeight = 24;
const int kListWidth = 260;
const int kDetailHeight = 96;
const int kStatusHeight = 22;

struct ButtonDef {
  WORD wId;
  LPCWSTR pszText;
};

// Filters' items in the elements list carry kFilterItem - index; connections' their index.
const LRESULT kFilterItem = -2;

const ButtonDef kButtons[] = {{ID_FILE_CONNECT, L"Connect..."},
                              {ID_GRAPH_RUN, L"Run"},
                              {ID_GRAPH_PAUSE, L"Pause"},
                              {ID_GRAPH_STOP, L"Stop"},
                              {ID_GRAPH_REFRESH, L"Refresh"}};

LPCWSTR StateName(const GraphModel& model) {
  if (!model.bHasState) return L"unknown";
  switch (model.state) {
    case State_Running:
      return L"Running";
    case State_Paused:
      return L"Paused";
    default:
      return L"Stopped";
  }
}

}  // namespace

CViewerWindow::~CViewerWindow() {
  if (m_hWnd) ::DestroyWindow(m_hWnd);
}

bool CViewerWindow::Create(HINSTANCE hInstance, int nShowCmd) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = hInstance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszMenuName = MAKEINTRESOURCEW(IDR_MAIN);
  wc.lpszClassName = kClassName;
  if (!::RegisterClassExW(&wc)) return false;
  HWND hWnd = ::CreateWindowExW(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                CW_USEDEFAULT, 960, 560, nullptr, nullptr, hInstance, this);
  if (!hWnd) return false;
  ::ShowWindow(hWnd, nShowCmd);
  ::UpdateWindow(hWnd);
  return true;
}

HRESULT CViewerWindow::StartWatching() {
  m_spWatcher.reset(new CGraphWatcher(m_hWnd, WM_APP_REPORT));
  return m_spWatcher->Start();
}

bool CViewerWindow::Close() {
  bool bStopped = true;
  if (m_spWatcher && !m_spWatcher->Stop(kWatcherStopMs)) {
    bStopped = false;
    m_spWatcher.release();  // its thread may still use it until the process ends
  }
  m_doc.Close();
  if (m_hWnd) ::DestroyWindow(m_hWnd);
  return bStopped;
}

LRESULT CALLBACK CViewerWindow::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  auto* pThis = reinterpret_cast<CViewerWindow*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
  if (uMsg == WM_NCCREATE) {
    pThis = static_cast<CViewerWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pThis));
    pThis->m_hWnd = hWnd;
  }
  if (!pThis) return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
  const LRESULT lResult = pThis->HandleMessage(uMsg, wParam, lParam);
  if (uMsg == WM_NCDESTROY) pThis->m_hWnd = nullptr;
  return lResult;
}

LRESULT CViewerWindow::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_SIZE:
      OnSize();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case kGraphEventMessage:
      OnGraphEvent();
      return 0;
    case WM_TIMER:
      if (wParam == kPositionTimer) OnPositionTimer();
      return 0;
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) == m_hPosition) OnSeek(LOWORD(wParam));
      if (reinterpret_cast<HWND>(lParam) == m_hHScroll) OnScroll(m_hHScroll, LOWORD(wParam));
      return 0;
    case WM_VSCROLL:
      if (reinterpret_cast<HWND>(lParam) == m_hVScroll) OnScroll(m_hVScroll, LOWORD(wParam));
      return 0;
    case WM_MOUSEWHEEL:
      OnWheel(GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    case WM_APP_REPORT:
      OnReport(reinterpret_cast<GraphReport*>(lParam));
      return 0;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      OnClick({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}, uMsg == WM_LBUTTONDBLCLK);
      return 0;
    case WM_MOUSEMOVE:
      if (m_nMovingFilter >= 0)
        OnBoxDrag({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      else
        OnDrag({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      return 0;
    case WM_LBUTTONUP:
      EndBoxDrag();
      OnDragEnd({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}, (wParam & MK_CONTROL) != 0);
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != m_hWnd) m_nMovingFilter = -1;
      if (m_bDragging && reinterpret_cast<HWND>(lParam) != m_hWnd) {
        m_bDragging = false;
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
      }
      return 0;
    case WM_KEYDOWN:
      // Any key asks for a fresh copy of the graph.
      if (m_spWatcher) m_spWatcher->Refresh();
      return 0;
    case WM_CLOSE:
      if (ConfirmDiscard()) ::DestroyWindow(m_hWnd);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
  }
  return ::DefWindowProcW(m_hWnd, uMsg, wParam, lParam);
}

void CViewerWindow::OnCreate() {
  HINSTANCE hInstance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(m_hWnd, GWLP_HINSTANCE));
  HFONT hFont = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  auto child = [&](LPCWSTR pszClass, LPCWSTR pszText, DWORD dwStyle, int nId) {
    HWND hWnd = ::CreateWindowExW(0, pszClass, pszText, WS_CHILD | WS_VISIBLE | dwStyle, 0, 0, 0, 0, m_hWnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(nId)), hInstance, nullptr);
    ::SendMessageW(hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
    return hWnd;
  };
  for (const ButtonDef& button : kButtons) child(L"Button", button.pszText, BS_PUSHBUTTON | WS_TABSTOP, button.wId);
  m_hElements =
      child(L"ListBox", L"", WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_TABSTOP,
            IDC_ELEMENTS);
  m_hDetail = child(L"Static", L"", SS_LEFT | WS_BORDER, IDC_DETAIL);
  m_hStatus = child(L"Static", L"", SS_LEFT | SS_CENTERIMAGE, IDC_STATUS);
  CreatePositionBar(hInstance);
  CreateScrollBars(hInstance);
  ShowStatus();
  ShowDetail();
}

void CViewerWindow::OnSize() {
  RECT rc;
  ::GetClientRect(m_hWnd, &rc);
  int x = kMargin;
  for (const ButtonDef& button : kButtons) {
    ::MoveWindow(::GetDlgItem(m_hWnd, button.wId), x, kMargin / 2, 80, kButtonHeight, TRUE);
    x += 80 + kMargin / 2;
  }
  ::MoveWindow(m_hPosition, x, kMargin / 2, rc.right - kMargin - x > 0 ? rc.right - kMargin - x : 0, kButtonHeight,
               TRUE);
  const int yTop = kButtonHeight + kMargin;
  const int yStatus = rc.bottom - kStatusHeight;
  const int yDetail = yStatus - kDetailHeight - kMargin / 2;
  ::MoveWindow(m_hElements, kMargin, yTop, kListWidth, yDetail - yTop - kMargin / 2, TRUE);
  ::MoveWindow(m_hDetail, kMargin, yDetail, kListWidth, kDetailHeight, TRUE);
  ::MoveWindow(m_hStatus, kMargin, yStatus, rc.right - 2 * kMargin, kStatusHeight, TRUE);
  Relayout();
}

// The canvas with its scroll bars.
RECT CViewerWindow::CanvasArea() const {
  RECT rc;
  ::GetClientRect(m_hWnd, &rc);
  rc.left = kMargin + kListWidth + kMargin;
  rc.top = kButtonHeight + kMargin;
  rc.right -= kMargin;
  rc.bottom -= kStatusHeight;
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  return rc;
}

void CViewerWindow::OnCommand(WORD wId, WORD wCode) {
  switch (wId) {
    case ID_FILE_CONNECT:
      Connect();
      break;
    case ID_FILE_DISCONNECT:
      LeaveRemote();
      break;
    case ID_FILE_NEW:
      NewDocument();
      break;
    case ID_FILE_OPEN:
      OnOpen();
      break;
    case ID_FILE_SAVE:
    case ID_FILE_SAVEAS:
      SaveDocument(wId == ID_FILE_SAVEAS);
      break;
    case ID_FILE_RENDER:
      OnRenderFile();
      break;
    case ID_FILE_EXIT:
      if (ConfirmDiscard()) ::DestroyWindow(m_hWnd);
      break;
    case ID_EDIT_INSERT:
      ShowInsertFilters(m_hWnd, [this](const RegisteredFilter& filter) { return InsertFilter(filter); });
      break;
    case ID_GRAPH_RENDERPIN:
      RenderSelectedPin();
      break;
    case ID_GRAPH_PROPERTIES:
      if (m_nSelectedFilter >= 0) OpenFilterPages(m_nSelectedFilter);
      break;
    case ID_EDIT_REMOVE:
      RemoveSelection();
      break;
    case ID_GRAPH_RUN:
      Control(CGraphWatcher::Command::Run);
      break;
    case ID_GRAPH_PAUSE:
      Control(CGraphWatcher::Command::Pause);
      break;
    case ID_GRAPH_STOP:
      Control(CGraphWatcher::Command::Stop);
      break;
    case ID_GRAPH_REFRESH:
      if (m_doc.IsOpen())
        ShowOwn();
      else
        m_spWatcher->Refresh();
      break;
    case ID_GRAPH_NEXT:
      if (!m_layout.connections.empty()) Select((m_nSelected + 1) % static_cast<int>(m_layout.connections.size()));
      break;
    case ID_GRAPH_MEDIATYPE:
      OpenMediaTypePage();
      break;
    case IDC_ELEMENTS:
      if (wCode == LBN_SELCHANGE) {
        const LRESULT nIndex = ::SendMessageW(m_hElements, LB_GETCURSEL, 0, 0);
        const LRESULT nData = nIndex == LB_ERR ? -1 : ::SendMessageW(m_hElements, LB_GETITEMDATA, nIndex, 0);
        Select(static_cast<int>(nData));
        SelectFilter(nData <= kFilterItem ? static_cast<int>(kFilterItem - nData) : -1);
      } else if (wCode == LBN_DBLCLK) {
        if (m_nSelectedFilter >= 0)
          OpenFilterPages(m_nSelectedFilter);
        else
          OpenMediaTypePage();
      }
      break;
  }
}

// A changed own graph is asked about only once a graph was chosen: the bench's automation of
// the dialog meets it as it always did.
void CViewerWindow::Connect() {
  std::wstring cookieName, text;
  if (!ChooseGraph(m_hWnd, &cookieName, &text) || !ConfirmDiscard()) return;
  m_doc.Close();
  m_itemText = text;
  m_placed.clear();
  m_ptScroll = {};
  m_spWatcher->Connect(cookieName);
}

// Also when the own graph is replaced: boxes placed by the user were placed in the graph that goes.
void CViewerWindow::LeaveRemote() {
  m_itemText.clear();
  m_placed.clear();
  m_ptScroll = {};
  m_spWatcher->Disconnect();
}

// The own graph read again, after a change or a command.
void CViewerWindow::ShowOwn() {
  GraphReport report;
  report.link = LinkState::Connected;
  report.hr = ReadGraph(m_doc.Graph(), &report.model);
  HookEvents();
  ApplyReport(std::move(report));
}

void CViewerWindow::Control(CGraphWatcher::Command command) {
  if (!m_doc.IsOpen()) return m_spWatcher->Control(command);
  m_event.clear();
  CComQIPtr<IMediaControl, &IID_IMediaControl> spControl(m_doc.Graph());
  HRESULT hr = E_NOINTERFACE;
  if (spControl) {
    switch (command) {
      case CGraphWatcher::Command::Run:
        hr = spControl->Run();
        break;
      case CGraphWatcher::Command::Pause:
        hr = spControl->Pause();
        break;
      default:
        hr = spControl->Stop();
        if (SUCCEEDED(hr)) Rewind();  // stopping rewinds
        break;
    }
  }
  ShowOwn();
  if (FAILED(hr)) ShowFailure(L"The graph refused the command", hr);
}

// A filter is inserted into the own graph, a new one when a remote graph was shown.
HRESULT CViewerWindow::InsertFilter(const RegisteredFilter& filter) {
  if (!m_doc.IsOpen()) {
    const HRESULT hr = m_doc.New();
    if (FAILED(hr)) return hr;
    LeaveRemote();
  }
  CComPtr<IBaseFilter> spFilter;
  HRESULT hr = CreateFilter(filter, &spFilter);
  if (SUCCEEDED(hr)) hr = m_doc.Graph()->AddFilter(spFilter, filter.name.c_str());
  ShowOwn();
  return hr;
}

// Delete: the selected connection is broken, or the selected filter removed.
void CViewerWindow::RemoveSelection() {
  const wchar_t kRefused[] = L"The selection cannot be removed";
  if (m_nSelected >= 0) {
    const PinName out = PinNameOf(m_layout.connections[m_nSelected]);
    EditGraph(kRefused, [out](IGraphBuilder* pGraph) { return DisconnectOutput(pGraph, out.filter, out.pin); });
  } else if (m_nSelectedFilter >= 0 && m_nSelectedFilter < static_cast<int>(m_report.model.filters.size())) {
    const std::wstring name = m_report.model.filters[m_nSelectedFilter].name;
    m_nSelectedFilter = -1;
    EditGraph(kRefused, [name](IGraphBuilder* pGraph) { return RemoveNamedFilter(pGraph, name); });
  }
}

void CViewerWindow::EditGraph(const std::wstring& what, const CGraphWatcher::EditFn& fnEdit) {
  if (m_doc.IsOpen()) {
    const HRESULT hr = fnEdit(m_doc.Graph());
    ShowOwn();
    if (FAILED(hr)) ShowFailure(what.c_str(), hr);
  } else if (m_report.link == LinkState::Connected) {
    m_spWatcher->Edit(what, fnEdit);
  }
}

PinName CViewerWindow::PinNameOf(const ConnectionRef& pin) const {
  if (!HasPin(pin)) return PinName();
  const FilterModel& filter = m_report.model.filters[pin.nFilter];
  return {filter.name, filter.pins[pin.nPin].name};
}

std::wstring CViewerWindow::Title() const {
  if (m_doc.IsOpen()) return std::wstring(kTitle) + L" - " + m_doc.Title() + (m_doc.IsChanged() ? L" *" : L"");
  if (m_report.link == LinkState::Connected) return std::wstring(kTitle) + L" - " + m_itemText;
  return kTitle;
}

void CViewerWindow::OnReport(GraphReport* pReport) {
  std::unique_ptr<GraphReport> spReport(pReport);
  // The watcher's last words after the own graph took its place.
  if (m_doc.IsOpen()) return;
  ShowPosition(spReport->bHasPosition, spReport->llPosition, spReport->llDuration);
  // A report that only moved the position leaves the picture and the selection alone.
  if (spReport->link == m_report.link && spReport->hr == m_report.hr && spReport->refused == m_report.refused &&
      spReport->model == m_report.model)
    return;
  ApplyReport(std::move(*spReport));
}

void CViewerWindow::ApplyReport(GraphReport report) {
  // The selection survives a refresh when its connection still exists.
  std::wstring selected;
  if (m_nSelected >= 0) selected = m_report.model.ConnectionName(m_layout.connections[m_nSelected]);
  m_report = std::move(report);
  m_nSelectedFilter = -1;
  ClearPin();
  if (m_report.link == LinkState::Lost || m_report.link == LinkState::Failed) m_report.model = GraphModel();
  EndBoxDrag();
  Relayout();
  m_nSelected = -1;
  for (size_t c = 0; c < m_layout.connections.size(); ++c)
    if (!selected.empty() && m_report.model.ConnectionName(m_layout.connections[c]) == selected)
      m_nSelected = static_cast<int>(c);

  ::SetWindowTextW(m_hWnd, Title().c_str());
  const bool bControls = m_report.link == LinkState::Connected && m_report.model.bHasState;
  for (WORD wId : {ID_GRAPH_RUN, ID_GRAPH_PAUSE, ID_GRAPH_STOP}) ::EnableWindow(::GetDlgItem(m_hWnd, wId), bControls);
  ShowElements();
  ShowStatus();
  ShowDetail();
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CViewerWindow::ShowElements() {
  ::SendMessageW(m_hElements, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(m_hElements, LB_RESETCONTENT, 0, 0);
  // Long names are scrolled to, not cut.
  HDC hdc = ::GetDC(m_hElements);
  HGDIOBJ hOldFont = ::SelectObject(hdc, reinterpret_cast<HGDIOBJ>(::SendMessageW(m_hElements, WM_GETFONT, 0, 0)));
  LONG cxWidest = 0;
  auto add = [&](const std::wstring& text, int nConnection) {
    SIZE size = {};
    if (::GetTextExtentPoint32W(hdc, text.c_str(), static_cast<int>(text.size()), &size) && size.cx > cxWidest)
      cxWidest = size.cx;
    const LRESULT nIndex = ::SendMessageW(m_hElements, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (nIndex >= 0) ::SendMessageW(m_hElements, LB_SETITEMDATA, nIndex, nConnection);
    if (nConnection >= 0 && nConnection == m_nSelected) ::SendMessageW(m_hElements, LB_SETCURSEL, nIndex, 0);
  };
  for (size_t f = 0; f < m_report.model.filters.size(); ++f)
    add(L"Filter: " + m_report.model.filters[f].name, kFilterItem - static_cast<int>(f));
  for (size_t c = 0; c < m_layout.connections.size(); ++c)
    add(L"Connection: " + m_report.model.ConnectionName(m_layout.connections[c]), static_cast<int>(c));
  ::SelectObject(hdc, hOldFont);
  ::ReleaseDC(m_hElements, hdc);
  ::SendMessageW(m_hElements, LB_SETHORIZONTALEXTENT, cxWidest + 8, 0);
  ::SendMessageW(m_hElements, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(m_hElements, nullptr, TRUE);
}

void CViewerWindow::ShowStatus() {
  wchar_t szStatus[256];
  const unsigned uCode = static_cast<unsigned>(m_report.hr);
  const wchar_t* pszWhose = m_doc.IsOpen() ? L"Own graph" : L"Connected";
  switch (m_report.link) {
    case LinkState::Idle:
      std::swprintf(szStatus, 256,
                    L"Not connected. File > Connect to Remote Graph (Ctrl+G) lists the published graphs.");
      break;
    case LinkState::Failed:
      std::swprintf(szStatus, 256, L"Could not connect to the graph (0x%08X).", uCode);
      break;
    case LinkState::Lost:
      std::swprintf(szStatus, 256, L"Lost the graph (0x%08X): its process ended or let it go.", uCode);
      break;
    case LinkState::Connected:
      if (FAILED(m_report.hr))
        std::swprintf(szStatus, 256, L"%ls, state: %ls. %ls (0x%08X).", pszWhose, StateName(m_report.model),
                      m_report.refused.empty() ? L"The last command failed" : m_report.refused.c_str(), uCode);
      else
        std::swprintf(szStatus, 256, L"%ls, state: %ls.", pszWhose, StateName(m_report.model));
      if (m_doc.IsOpen()) std::wcsncat(szStatus, (m_position + m_event).c_str(), 255 - std::wcslen(szStatus));
      break;
  }
  ::SetWindowTextW(m_hStatus, szStatus);
}

void CViewerWindow::ShowDetail() {
  std::wstring detail = L"Select a connection to see its media type.";
  if (HasPin(m_pin)) {
    const FilterModel& filter = m_report.model.filters[m_pin.nFilter];
    const PinModel& pin = filter.pins[m_pin.nPin];
    detail = L"Pin: " + filter.name + L"." + pin.name + (pin.bOutput ? L" (output)" : L" (input)") + L"\r\n" +
             (pin.nPeerFilter < 0 ? std::wstring(L"Not connected.")
              : pin.bOutput       ? pin.mediaType
                                  : L"Connected.");
  } else if (m_nSelectedFilter >= 0 && m_nSelectedFilter < static_cast<int>(m_report.model.filters.size())) {
    const FilterModel& filter = m_report.model.filters[m_nSelectedFilter];
    detail = L"Filter: " + filter.name + L"\r\n" + ClassText(FindFilterClass(m_catalog, filter.clsid));
  } else if (m_nSelected >= 0) {
    const ConnectionRef& ref = m_layout.connections[m_nSelected];
    detail =
        m_report.model.ConnectionName(ref) + L"\r\n" + m_report.model.filters[ref.nFilter].pins[ref.nPin].mediaType;
  }
  ::SetWindowTextW(m_hDetail, detail.c_str());
}

void CViewerWindow::Select(int nConnection) {
  ClearPin();
  m_nSelectedFilter = -1;
  m_nSelected = nConnection >= 0 && nConnection < static_cast<int>(m_layout.connections.size()) ? nConnection : -1;
  const int nCount = static_cast<int>(::SendMessageW(m_hElements, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < nCount; ++i)
    if (m_nSelected >= 0 && ::SendMessageW(m_hElements, LB_GETITEMDATA, i, 0) == m_nSelected)
      ::SendMessageW(m_hElements, LB_SETCURSEL, i, 0);
  ShowDetail();
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

// The filter's class, file and merit in the detail; the registered filters are read once.
void CViewerWindow::SelectFilter(int nFilter) {
  m_nSelectedFilter = nFilter;
  if (nFilter >= 0 && !m_bCatalogRead) {
    m_bCatalogRead = true;
    ListRegisteredFilters(&m_catalog);  // a part listed is better than none: files and merits where known
  }
  ShowDetail();
}

void CViewerWindow::OnClick(POINT pt, bool bDouble) {
  ::SetFocus(m_hWnd);
  const RECT rcCanvas = CanvasRect();
  if (!::PtInRect(&rcCanvas, pt)) return;
  ConnectionRef pin;
  if (HitPin(m_report.model, m_layout, pt, &pin)) return OnPinClick(pin, bDouble);
  const int nHit = HitConnection(m_layout, pt);
  Select(nHit);
  SelectFilter(nHit < 0 ? HitFilter(m_layout, pt) : -1);
  if (bDouble && nHit >= 0) OpenMediaTypePage();
  if (bDouble && m_nSelectedFilter >= 0) OpenFilterPages(m_nSelectedFilter);
  if (!bDouble && m_nSelectedFilter >= 0) BeginBoxDrag(m_nSelectedFilter, pt);
}

void CViewerWindow::OpenMediaTypePage() {
  if (m_nSelected >= 0) OpenPinPage(m_layout.connections[m_nSelected]);
}

void CViewerWindow::OnPaint() {
  PAINTSTRUCT ps;
  HDC hdc = ::BeginPaint(m_hWnd, &ps);
  RECT rcClient;
  ::GetClientRect(m_hWnd, &rcClient);
  // The frame around the controls in the button face; the canvas drawn off screen, so a refresh does not flicker.
  const RECT rcCanvas = CanvasRect();
  HRGN hFace = ::CreateRectRgnIndirect(&rcClient);
  HRGN hCanvas = ::CreateRectRgnIndirect(&rcCanvas);
  ::CombineRgn(hFace, hFace, hCanvas, RGN_DIFF);
  ::FillRgn(hdc, hFace, ::GetSysColorBrush(COLOR_BTNFACE));
  ::DeleteObject(hFace);
  ::DeleteObject(hCanvas);

  const int cx = rcCanvas.right - rcCanvas.left, cy = rcCanvas.bottom - rcCanvas.top;
  HDC hdcMem = ::CreateCompatibleDC(hdc);
  HBITMAP hBitmap = ::CreateCompatibleBitmap(hdc, cx > 0 ? cx : 1, cy > 0 ? cy : 1);
  HGDIOBJ hOld = ::SelectObject(hdcMem, hBitmap);
  ::SetViewportOrgEx(hdcMem, -rcCanvas.left, -rcCanvas.top, nullptr);
  ::FillRect(hdcMem, &rcCanvas, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  ::FrameRect(hdcMem, &rcCanvas, static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)));
  PaintGraph(hdcMem, m_report.model, m_layout, m_nSelected);
  PaintEditing(hdcMem);
  ::SetViewportOrgEx(hdcMem, 0, 0, nullptr);
  ::BitBlt(hdc, rcCanvas.left, rcCanvas.top, cx, cy, hdcMem, 0, 0, SRCCOPY);
  ::SelectObject(hdcMem, hOld);
  ::DeleteObject(hBitmap);
  ::DeleteDC(hdcMem);
  ::EndPaint(m_hWnd, &ps);
}
