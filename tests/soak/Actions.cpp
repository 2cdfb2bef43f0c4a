#include "Actions.h"

#include <cstdio>
#include <cwchar>
#include <functional>

#include "UiDriver.h"
#include "resource.h"

namespace soak {

namespace {

const DWORD kOpenBoundMs = 10000;

struct KindNameRow {
  Kind kind;
  const char* pszName;
};
const KindNameRow kKindNames[] = {
    {Kind::Source, "Source"},
    {Kind::TypeFile, "TypeFile"},
    {Kind::LoadFile, "LoadFile"},
    {Kind::Click, "Click"},
    {Kind::Algorithm, "Algorithm"},
    {Kind::Value, "Value"},
    {Kind::GeneratorPage, "GeneratorPage"},
    {Kind::CloseBox, "CloseBox"},
    {Kind::CloseBench, "CloseBench"},
    {Kind::ViewerConnect, "ViewerConnect"},
    {Kind::ViewerCommand, "ViewerCommand"},
    {Kind::ViewerMediaType, "ViewerMediaType"},
    {Kind::ViewerClose, "ViewerClose"},
};

// Each box's values: valid ones drawn at random, refused ones and ones that do not parse.
struct BoxValues {
  int idBox;
  int idButton;
  std::vector<const wchar_t*> refused;
  std::vector<const wchar_t*> unparsable;
};
const BoxValues kBoxes[] = {
    {212,
     211,
     {L"10,10,5,5", L"0,0,9999,9999", L"-1,0,10,10", L"5,5,5,5"},
     {L"a,b,c,d", L"1,2,3", L"1,2,3,4,", L"1 2 3 4"}},
    {224, 223, {L"0,10", L"9000,100", L"-5,5", L"8193,1", L""}, {L"wide,high", L"320", L"320 240", L"0x10,5"}},
    {226, 225, {L"0,1", L"-1,1", L"100,100", L"inf,1", L"nan,nan"}, {L"1,5;2", L"x", L"1.5", L"1.5,2.4,"}},
};
const wchar_t* const kDurations[] = {L"", L"300", L"700", L"1500", L"20000"};
const int kViewerCommands[] = {ID_FILE_DISCONNECT, ID_GRAPH_RUN, ID_GRAPH_PAUSE, ID_GRAPH_STOP, ID_GRAPH_REFRESH};
const int kSettingButtons[] = {213, 221, 222, 227, 228};

int Uniform(std::mt19937& rng, int nFrom, int nTo) { return std::uniform_int_distribution<int>(nFrom, nTo)(rng); }

template <class T, size_t N>
const T& OneOf(std::mt19937& rng, const T (&rg)[N]) {
  return rg[Uniform(rng, 0, static_cast<int>(N) - 1)];
}
template <class T>
const T& OneOf(std::mt19937& rng, const std::vector<T>& items) {
  return items[Uniform(rng, 0, static_cast<int>(items.size()) - 1)];
}

std::wstring ValidValue(std::mt19937& rng, int idBox) {
  wchar_t sz[64];
  if (idBox == 212) {
    const int left = Uniform(rng, 0, 300), top = Uniform(rng, 0, 200);
    std::swprintf(sz, 64, L"%d,%d,%d,%d", left, top, Uniform(rng, left + 1, 640), Uniform(rng, top + 1, 480));
  } else if (idBox == 224) {
    std::swprintf(sz, 64, L"%d, %d", Uniform(rng, 16, 1280), Uniform(rng, 16, 960));
  } else {
    std::swprintf(sz, 64, L"%.2f,%.2f", Uniform(rng, 25, 200) / 100.0, Uniform(rng, 25, 200) / 100.0);
  }
  return sz;
}

Action DrawValue(std::mt19937& rng) {
  const BoxValues& box = OneOf(rng, kBoxes);
  Action action{Kind::Value, box.idBox, Uniform(rng, 0, 4) / 2};
  const int nSort = Uniform(rng, 0, 9);
  action.text = nSort < 6   ? ValidValue(rng, box.idBox)
                : nSort < 8 ? OneOf(rng, box.refused)
                            : OneOf(rng, box.unparsable);
  return action;
}

// One weighted row of the draw: taken only where the scene offers it.
struct Choice {
  int nWeight;
  bool bOffered;
  std::function<Action()> fnMake;
};

bool Enabled(const Bench& bench, int id) { return ::IsWindowEnabled(bench.Item(id)) != FALSE; }

bool Click(HWND hWnd) { return hWnd && ::IsWindowEnabled(hWnd) && ::PostMessageW(hWnd, BM_CLICK, 0, 0); }

// A top-level window of a process whose title holds the text.
HWND WindowWithTitle(DWORD dwProcessId, const std::wstring& part) {
  struct Query {
    DWORD dwProcessId;
    const std::wstring& part;
    HWND hWnd;
  } q = {dwProcessId, part, nullptr};
  ::EnumWindows(
      [](HWND hWnd, LPARAM lParam) -> BOOL {
        auto& q = *reinterpret_cast<Query*>(lParam);
        DWORD dwProcessId = 0;
        ::GetWindowThreadProcessId(hWnd, &dwProcessId);
        if (dwProcessId != q.dwProcessId || !::IsWindowVisible(hWnd) ||
            harness::TitleOf(hWnd).find(q.part) == std::wstring::npos)
          return TRUE;
        q.hWnd = hWnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&q));
  return q.hWnd;
}

HWND OwnedWindow(HWND hWndOwner) {
  struct Query {
    HWND hWndOwner;
    HWND hWnd;
  } q = {hWndOwner, nullptr};
  ::EnumWindows(
      [](HWND hWnd, LPARAM lParam) -> BOOL {
        auto& q = *reinterpret_cast<Query*>(lParam);
        if (::GetWindow(hWnd, GW_OWNER) != q.hWndOwner || !::IsWindowVisible(hWnd)) return TRUE;
        q.hWnd = hWnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&q));
  return q.hWnd;
}

bool Gone(HWND hWnd) {
  return harness::WaitUntil([&] { return !::IsWindow(hWnd); }, kOpenBoundMs);
}

Outcome Stuck(std::string* pWhy, const char* pszWhat) {
  *pWhy = pszWhat;
  return Outcome::Stuck;
}

Outcome LoadFile(Bench& bench, const Action& action, std::string* pWhy) {
  if (!Click(bench.Item(203))) return Outcome::Skipped;
  HWND hOpen = harness::WaitForTopWindow(bench.ProcessId(), L"#32770", L"Select GRF file or All file", kOpenBoundMs);
  if (!hOpen) return Stuck(pWhy, "no open-file dialog");
  HWND hName = nullptr;
  if (!harness::WaitUntil([&] { return (hName = harness::FindDescendant(hOpen, 0x47C)) != nullptr; }, kOpenBoundMs))
    return Stuck(pWhy, "no file name field in the open-file dialog");
  harness::SetText(hName, action.text.c_str());
  ::PostMessageW(::GetDlgItem(hOpen, action.text.empty() ? IDCANCEL : IDOK), BM_CLICK, 0, 0);
  return Gone(hOpen) ? Outcome::Done : Stuck(pWhy, "the open-file dialog stayed open");
}

Outcome GeneratorPage(Bench& bench, const Action& action, std::string* pWhy) {
  if (!Click(bench.Item(205))) return Outcome::Skipped;
  HWND hFrame =
      harness::WaitForTopWindow(bench.ProcessId(), L"#32770", L"Properties for Video Generator", kOpenBoundMs);
  if (!hFrame) return Stuck(pWhy, "no property frame for the generator");
  // The page shows its values once its duration box (1004 in VideoGenerator.dll) has a text.
  HWND hDuration = nullptr;
  if (!harness::WaitUntil(
          [&] {
            hDuration = harness::FindDescendant(hFrame, 1004);
            return hDuration && !harness::ReadText(hDuration).empty();
          },
          kOpenBoundMs))
    return Stuck(pWhy, "the generator's page shows no duration");
  if (!action.text.empty()) harness::SetText(hDuration, action.text.c_str());
  ::PostMessageW(::GetDlgItem(hFrame, action.mode == 0 ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
  // A value the generator refuses (any change while the graph plays or pauses) is told in a
  // box and keeps the frame open, as the tester then closes both.
  HWND hBox = nullptr;
  harness::WaitUntil(
      [&] {
        hBox = harness::FindMessageBox(bench.ProcessId(), L"Video Generator");
        return hBox || !::IsWindow(hFrame);
      },
      kOpenBoundMs);
  if (hBox) {
    harness::CloseMessageBox(hBox);
    if (!Gone(hBox)) return Stuck(pWhy, "the generator page's message box stayed open");
    ::PostMessageW(::GetDlgItem(hFrame, IDCANCEL), BM_CLICK, 0, 0);
  }
  return Gone(hFrame) ? Outcome::Done : Stuck(pWhy, "the generator's property frame stayed open");
}

Outcome ApplyValue(Bench& bench, const Action& action) {
  HWND hBox = bench.Item(action.n);
  if (!::IsWindowEnabled(hBox)) return Outcome::Skipped;
  harness::SetText(hBox, action.text.c_str());
  if (action.mode == 0) {
    DWORD_PTR dwResult = 0;
    ::SendMessageTimeoutW(bench.Dialog(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(hBox), TRUE, SMTO_ABORTIFHUNG,
                          kOpenBoundMs, &dwResult);
    harness::PressKey(hBox, VK_RETURN);
  } else if (action.mode == 1) {
    for (const BoxValues& box : kBoxes)
      if (box.idBox == action.n) Click(bench.Item(box.idButton));
  }
  return Outcome::Done;
}

Outcome ChooseAlgorithm(Bench& bench, int nRow) {
  HWND hCombo = bench.Item(220);
  if (!::IsWindowEnabled(hCombo)) return Outcome::Skipped;
  DWORD_PTR dwResult = 0;
  ::SendMessageTimeoutW(hCombo, CB_SETCURSEL, nRow, 0, SMTO_ABORTIFHUNG, kOpenBoundMs, &dwResult);
  // Posted: a refusal's message box would hold a sent command until it is closed.
  ::PostMessageW(bench.Dialog(), WM_COMMAND, MAKEWPARAM(220, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hCombo));
  return Outcome::Done;
}

Outcome CloseBox(Bench& bench, std::string* pWhy) {
  HWND hBox = bench.MessageBox();
  if (!hBox) return Outcome::Skipped;
  harness::CloseMessageBox(hBox);
  return Gone(hBox) ? Outcome::Done : Stuck(pWhy, "the message box stayed open");
}

Outcome ViewerConnect(Bench& bench, const Action& action, std::string* pWhy) {
  HWND hViewer = bench.Viewer();
  if (!hViewer) return Outcome::Skipped;
  ::PostMessageW(hViewer, WM_COMMAND, MAKEWPARAM(ID_FILE_CONNECT, 1), 0);
  HWND hDialog = nullptr, hList = nullptr;
  if (!harness::WaitUntil(
          [&] {
            hDialog = OwnedWindow(hViewer);
            return hDialog && (hList = ::FindWindowExW(hDialog, nullptr, L"ListBox", nullptr)) != nullptr;
          },
          kOpenBoundMs))
    return ::IsWindow(hViewer) ? Stuck(pWhy, "no connect dialog in the viewer") : Outcome::Skipped;
  wchar_t szPid[32];
  std::swprintf(szPid, 32, L"pid %x ", static_cast<unsigned>(bench.ProcessId()));
  int nItem = -1;
  const std::vector<std::wstring> items = harness::ListBoxItems(hList);
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].rfind(szPid, 0) == 0) nItem = static_cast<int>(i);
  WORD wButton = IDCANCEL;
  if (action.mode == 0 && nItem >= 0) {
    ::PostMessageW(hList, LB_SETCURSEL, nItem, 0);
    wButton = IDOK;
  }
  ::PostMessageW(hDialog, WM_COMMAND, wButton, 0);
  return Gone(hDialog) ? Outcome::Done : Stuck(pWhy, "the viewer's connect dialog stayed open");
}

Outcome ViewerMediaType(Bench& bench, std::string* pWhy) {
  HWND hViewer = bench.Viewer();
  HWND hElements = hViewer ? ::GetDlgItem(hViewer, IDC_ELEMENTS) : nullptr;
  if (!hElements) return Outcome::Skipped;
  const std::vector<std::wstring> items = harness::ListBoxItems(hElements);
  int nItem = -1;
  for (size_t i = 0; i < items.size() && nItem < 0; ++i)
    if (items[i].rfind(L"Connection: ", 0) == 0) nItem = static_cast<int>(i);
  if (nItem < 0) return Outcome::Skipped;
  ::PostMessageW(hElements, LB_SETCURSEL, nItem, 0);
  ::PostMessageW(hViewer, WM_COMMAND, MAKEWPARAM(IDC_ELEMENTS, LBN_SELCHANGE), reinterpret_cast<LPARAM>(hElements));
  ::PostMessageW(hViewer, WM_COMMAND, ID_GRAPH_MEDIATYPE, 0);
  DWORD dwViewer = 0;
  ::GetWindowThreadProcessId(hViewer, &dwViewer);
  HWND hFrame = nullptr;
  if (!harness::WaitUntil([&] { return (hFrame = WindowWithTitle(dwViewer, L"Media Type")) != nullptr; },
                          kOpenBoundMs)) {
    // A refresh in between may have taken the selection away: then nothing was to open.
    const DWORD_PTR nSelected = ::SendMessageW(hElements, LB_GETCURSEL, 0, 0);
    return ::IsWindow(hViewer) && nSelected == static_cast<DWORD_PTR>(nItem)
               ? Stuck(pWhy, "no media type page in the viewer")
               : Outcome::Skipped;
  }
  ::PostMessageW(hFrame, WM_COMMAND, IDCANCEL, 0);
  return Gone(hFrame) ? Outcome::Done : Stuck(pWhy, "the viewer's media type page stayed open");
}

Outcome ViewerClose(Bench& bench, const Action& action, std::string* pWhy) {
  HWND hViewer = bench.Viewer();
  if (!hViewer) return Outcome::Skipped;
  if (action.mode == 0)
    ::PostMessageW(hViewer, WM_CLOSE, 0, 0);
  else
    ::PostMessageW(hViewer, WM_COMMAND, ID_FILE_EXIT, 0);
  return Gone(hViewer) ? Outcome::Done : Stuck(pWhy, "the viewer stayed open");
}

}  // namespace

Scene Observe(const Bench& bench) {
  Scene scene;
  scene.bMessageBox = bench.MessageBox() != nullptr;
  scene.bGraphControls = Enabled(bench, 211);
  scene.bGenerator = Enabled(bench, 205);
  scene.bViewer = bench.Viewer() != nullptr;
  return scene;
}

Action Draw(std::mt19937& rng, const Scene& scene, const Palette& palette) {
  const bool bFree = !scene.bMessageBox;
  const bool bGraph = bFree && scene.bGraphControls;
  const Choice choices[] = {
      {60, scene.bMessageBox, [] { return Action{Kind::CloseBox}; }},
      {10, bFree,
       [] {
         return Action{Kind::Click, 206};
       }},
      {4, bFree,
       [&] {
         return Action{Kind::Source, Uniform(rng, 201, 202)};
       }},
      {4, bFree,
       [&] {
         return Action{Kind::TypeFile, 0, 0, OneOf(rng, palette.files)};
       }},
      {2, bFree,
       [&] {
         return Action{Kind::LoadFile, 0, 0, Uniform(rng, 0, 3) == 0 ? L"" : OneOf(rng, palette.existingFiles)};
       }},
      {4, bFree,
       [] {
         return Action{Kind::Click, 207};
       }},
      {14, bGraph, [&] { return DrawValue(rng); }},
      {9, bGraph,
       [&] {
         return Action{Kind::Click, OneOf(rng, kSettingButtons)};
       }},
      {4, bGraph,
       [&] {
         return Action{Kind::Algorithm, Uniform(rng, 0, 7)};
       }},
      {11, bGraph,
       [&] {
         return Action{Kind::Click, Uniform(rng, 230, 232)};
       }},
      {3, bFree && scene.bGenerator,
       [&] {
         return Action{Kind::GeneratorPage, 0, Uniform(rng, 0, 4) / 4, OneOf(rng, kDurations)};
       }},
      {3, scene.bViewer,
       [&] {
         return Action{Kind::ViewerConnect, 0, Uniform(rng, 0, 3) / 3};
       }},
      {5, scene.bViewer,
       [&] {
         return Action{Kind::ViewerCommand, OneOf(rng, kViewerCommands)};
       }},
      {2, scene.bViewer, [] { return Action{Kind::ViewerMediaType}; }},
      {2, scene.bViewer,
       [&] {
         return Action{Kind::ViewerClose, 0, Uniform(rng, 0, 1)};
       }},
      {1, true,
       [&] {
         return Action{Kind::CloseBench, 0, scene.bMessageBox ? 3 : Uniform(rng, 0, 3)};
       }},
  };
  int nTotal = 0;
  for (const Choice& choice : choices) nTotal += choice.bOffered ? choice.nWeight : 0;
  int nPick = Uniform(rng, 0, nTotal - 1);
  for (const Choice& choice : choices) {
    if (!choice.bOffered) continue;
    if (nPick < choice.nWeight) return choice.fnMake();
    nPick -= choice.nWeight;
  }
  return Action{Kind::CloseBox};
}

Outcome Perform(Bench& bench, const Action& action, std::string* pWhy) {
  // A tester cannot reach the dialog's controls under a modal window.
  const bool bDialogFree = ::IsWindowEnabled(bench.Dialog()) != FALSE;
  switch (action.kind) {
    case Kind::Source:
    case Kind::Click:
      return bDialogFree && Click(bench.Item(action.n)) ? Outcome::Done : Outcome::Skipped;
    case Kind::TypeFile:
      if (!bDialogFree) return Outcome::Skipped;
      harness::SetText(bench.Item(204), action.text.c_str());
      return Outcome::Done;
    case Kind::LoadFile:
      return bDialogFree ? LoadFile(bench, action, pWhy) : Outcome::Skipped;
    case Kind::Algorithm:
      return bDialogFree ? ChooseAlgorithm(bench, action.n) : Outcome::Skipped;
    case Kind::Value:
      return bDialogFree ? ApplyValue(bench, action) : Outcome::Skipped;
    case Kind::GeneratorPage:
      return bDialogFree ? GeneratorPage(bench, action, pWhy) : Outcome::Skipped;
    case Kind::CloseBox:
      return CloseBox(bench, pWhy);
    case Kind::CloseBench:
      return Outcome::Skipped;  // the run closes and replaces the bench itself
    case Kind::ViewerConnect:
      return ViewerConnect(bench, action, pWhy);
    case Kind::ViewerCommand: {
      HWND hViewer = bench.Viewer();
      return hViewer && ::PostMessageW(hViewer, WM_COMMAND, action.n, 0) ? Outcome::Done : Outcome::Skipped;
    }
    case Kind::ViewerMediaType:
      return ViewerMediaType(bench, pWhy);
    case Kind::ViewerClose:
      return ViewerClose(bench, action, pWhy);
  }
  return Outcome::Skipped;
}

const char* KindName(Kind kind) {
  for (const KindNameRow& name : kKindNames)
    if (name.kind == kind) return name.pszName;
  return "?";
}

std::string Describe(const Action& action) {
  char sz[64];
  std::snprintf(sz, sizeof sz, "%s %d %d \"", KindName(action.kind), action.n, action.mode);
  // The texts are plain ASCII paths and values.
  return sz + std::string(action.text.begin(), action.text.end()) + "\"";
}

bool Parse(const std::string& line, Action* pAction) {
  char szName[32] = {};
  int n = 0, mode = 0, cchHead = 0;
  if (std::sscanf(line.c_str(), "%31s %d %d \"%n", szName, &n, &mode, &cchHead) != 3 || cchHead == 0) return false;
  const size_t nEnd = line.rfind('"');
  if (nEnd == std::string::npos || nEnd < static_cast<size_t>(cchHead)) return false;
  for (const KindNameRow& name : kKindNames) {
    if (std::string(szName) != name.pszName) continue;
    pAction->kind = name.kind;
    pAction->n = n;
    pAction->mode = mode;
    pAction->text.assign(line.begin() + cchHead, line.begin() + nEnd);
    return true;
  }
  return false;
}

}  // namespace soak
