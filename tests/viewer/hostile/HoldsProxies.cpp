// A viewer that reads every published graph on the connect command, holds a proxy of each
// graph, filter, pin and enumerator it met, and ends without releasing any of them, as a
// viewer that crashed mid-read would. An enumerator's stub holds the object that made it. Its main window's title
// becomes "held=N", N the references it holds.
#include <objbase.h>

#include <cwchar>
#include <vector>

#include "HostileViewer.h"
#include "PublishedGraphs.h"

namespace {

std::vector<IUnknown*> g_held;

void Hold(IUnknown* pUnk) {
  if (pUnk) g_held.push_back(pUnk);
}

void HoldPins(IBaseFilter* pFilter) {
  IEnumPins* pEnum = nullptr;
  if (FAILED(pFilter->EnumPins(&pEnum))) return;
  Hold(pEnum);
  IPin* pPin = nullptr;
  ULONG cFetched = 0;
  while (pEnum->Next(1, &pPin, &cFetched) == S_OK && pPin) {
    Hold(pPin);
    PIN_INFO info = {};
    if (SUCCEEDED(pPin->QueryPinInfo(&info))) Hold(info.pFilter);
    IPin* pPeer = nullptr;
    if (SUCCEEDED(pPin->ConnectedTo(&pPeer))) Hold(pPeer);
  }
}

void HoldGraphs(HWND hWndMain) {
  std::vector<PublishedGraph> graphs;
  ListPublishedGraphs(&graphs);
  for (const PublishedGraph& graph : graphs) {
    IFilterGraph* pGraph = nullptr;
    if (FAILED(BindPublishedGraph(graph.cookieName, &pGraph))) continue;
    Hold(pGraph);
    IEnumFilters* pEnum = nullptr;
    if (FAILED(pGraph->EnumFilters(&pEnum))) continue;
    Hold(pEnum);
    IBaseFilter* pFilter = nullptr;
    ULONG cFetched = 0;
    while (pEnum->Next(1, &pFilter, &cFetched) == S_OK && pFilter) {
      Hold(pFilter);
      FILTER_INFO info = {};
      if (SUCCEEDED(pFilter->QueryFilterInfo(&info))) Hold(info.pGraph);
      HoldPins(pFilter);
    }
  }
  wchar_t szTitle[32];
  std::swprintf(szTitle, 32, L"held=%u", static_cast<unsigned>(g_held.size()));
  ::SetWindowTextW(hWndMain, szTitle);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  if (!hostile::CreateMainWindow(WS_OVERLAPPEDWINDOW, true)) return 1;
  if (FAILED(::CoInitialize(nullptr))) return 1;
  hostile::SetConnectHandler(HoldGraphs);
  hostile::RunLoop(true);
  // No release, no CoUninitialize: the bench's stubs keep their references.
  ::ExitProcess(0);
}
