// The viewer's own graph: File New, Open, Save and Save As, a graph file named at start, the
// question before a changed graph is discarded, Render File.
#include <windows.h>

#include <commdlg.h>

#include <cwchar>

#include "GraphEdits.h"
#include "MainWindow.h"

namespace {

const wchar_t kGraphFiles[] = L"Graph files (*.grf)\0*.grf\0All files (*.*)\0*.*\0";
const wchar_t kMediaFiles[] = L"Media files (*.avi;*.mpg;*.mp4;*.wav)\0*.avi;*.mpg;*.mp4;*.wav\0All files (*.*)\0*.*\0";

// The file dialog: false when the user cancels it.
bool AskFileName(HWND hWndOwner, bool bSave, LPCWSTR pszTitle, LPCWSTR pszFilter, std::wstring* pPath) {
  wchar_t szPath[MAX_PATH] = {};
  ::lstrcpynW(szPath, pPath->c_str(), MAX_PATH);
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = hWndOwner;
  ofn.lpstrFilter = pszFilter;
  ofn.lpstrFile = szPath;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrDefExt = bSave ? L"grf" : nullptr;
  ofn.lpstrTitle = pszTitle;
  ofn.Flags =
      OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | (bSave ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  if (!(bSave ? ::GetSaveFileNameW(&ofn) : ::GetOpenFileNameW(&ofn))) return false;
  *pPath = szPath;
  return true;
}

}  // namespace

bool CViewerWindow::ConfirmDiscard() {
  if (!m_doc.IsChanged()) return true;
  const std::wstring text = L"The graph " + m_doc.Title() + L" has changed. Save it before it is closed?";
  switch (::MessageBoxW(m_hWnd, text.c_str(), kAppTitle, MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
      return SaveDocument(false);
    case IDNO:
      return true;
    default:
      return false;
  }
}

void CViewerWindow::NewDocument() {
  if (!ConfirmDiscard()) return;
  const HRESULT hr = m_doc.New();
  if (FAILED(hr)) return ShowFailure(L"A new graph cannot be made", hr);
  LeaveRemote();
  ShowOwn();
}

void CViewerWindow::OnOpen() {
  if (!ConfirmDiscard()) return;
  std::wstring path = m_doc.Path();
  if (AskFileName(m_hWnd, false, L"Open Graph", kGraphFiles, &path)) OpenDocument(path);
}

void CViewerWindow::OpenDocument(const std::wstring& path) {
  const HRESULT hr = m_doc.Open(path.c_str());
  if (FAILED(hr)) return ShowFailure((L"The graph file " + path + L" cannot be opened").c_str(), hr);
  LeaveRemote();
  ShowOwn();
}

// A remote graph is saved too, always under a name asked for: the file is this viewer's.
bool CViewerWindow::SaveDocument(bool bAskName) {
  if (!m_doc.IsOpen() && m_report.link != LinkState::Connected) return false;
  std::wstring path = m_doc.Path();
  if ((bAskName || path.empty()) && !AskFileName(m_hWnd, true, L"Save Graph As", kGraphFiles, &path)) return false;
  if (!m_doc.IsOpen()) {
    EditGraph(L"The graph cannot be saved as " + path, [path](IGraphBuilder* pGraph) {
      std::vector<uint8_t> bytes;
      return SaveGraphFile(pGraph, path.c_str(), &bytes);
    });
    return true;
  }
  const HRESULT hr = m_doc.Save(path.c_str());
  if (FAILED(hr)) {
    ShowFailure((L"The graph cannot be saved as " + path).c_str(), hr);
    return false;
  }
  ShowOwn();
  return true;
}

// The platform's source, splitter and decoders for the file, added to the graph shown (a new
// own graph when there is none); a refusal leaves the graph as it was.
void CViewerWindow::OnRenderFile() {
  std::wstring path;
  if (!AskFileName(m_hWnd, false, L"Render Media File", kMediaFiles, &path)) return;
  if (!m_doc.IsOpen() && m_report.link != LinkState::Connected) {
    const HRESULT hr = m_doc.New();
    if (FAILED(hr)) return ShowFailure(L"A new graph cannot be made", hr);
    LeaveRemote();
  }
  EditGraph(L"The file " + path + L" cannot be rendered",
            [path](IGraphBuilder* pGraph) { return RenderFileWhole(pGraph, path.c_str()); });
}

void CViewerWindow::ShowFailure(LPCWSTR pszWhat, HRESULT hr) {
  wchar_t szCode[32];
  std::swprintf(szCode, 32, L" (0x%08X).", static_cast<unsigned>(hr));
  const std::wstring text = std::wstring(pszWhat) + szCode;
  ::MessageBoxW(m_hWnd, text.c_str(), kAppTitle, MB_OK | MB_ICONEXCLAMATION);
}
