#include "Checks.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>

#include "GraphReadBack.h"
#include "NumberList.h"
#include "ProcessCounts.h"
#include "UiDriver.h"

namespace soak {

namespace {

// The generated chain's first builds warm caches up; growth is measured from the last of them,
// and judged once enough builds followed that one graph's worth of handles (a renderer's some
// 35, which a single build can also take and give back later) is not a trend.
const size_t kWarmUpBuilds = 3;
const size_t kJudgedBuilds = 8;
// Wine keeps one handle of each graph released, and 35 more of each Render of a video output
// (36 a build, measured with our generator rendered alone; 1 with it connected straight to a
// renderer): allowed for each build. A graph kept alive whole shows beyond it, in its video
// window and its megabytes of buffers.
const long kHandlesPerBuild = 40;
const long kHandleSlack = 64;
// Wine's Video Mixing Renderer (7 and 9) makes a new Direct3D device at every connection and
// never releases the one before: 11.3 to 11.8 MiB and about 2 handles each, whatever the
// frame size, measured with our generator alone reconnected to it. Each action that may
// change the resizer's output size on a built graph is allowed one.
const long kHandlesPerReconnect = 3;
const long long kPrivatePerReconnect = 12LL * 1024 * 1024;
// A leak keeps growing build over build; a cache filled once, or memory a viewer's visit
// holds until the next build, is a step. So memory is judged on both halves of the last
// judged builds: growth beyond the allowances in each of them is a leak.
const long long kPrivatePerBuild = 512 * 1024;
const long long kPrivateSlackPerHalf = 12LL * 1024 * 1024;
// How long a released graph's video window may take to go.
const DWORD kWindowGoneBoundMs = 3000;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

bool Fail(Failure* pFailure, const char* pszKind, const std::string& what) {
  *pFailure = Failure{pszKind, what};
  return false;
}

std::string Label(const Action& action) {
  std::string label = KindName(action.kind);
  if (action.kind == Kind::Click || action.kind == Kind::ViewerCommand || action.kind == Kind::Value)
    label += " " + std::to_string(action.n);
  return label;
}

std::vector<HWND> VideoWindowsOf(DWORD dwProcessId) {
  struct Query {
    DWORD dwProcessId;
    std::vector<HWND> found;
  } q = {dwProcessId, {}};
  // Hidden ones too: a renderer creates its window hidden, so a graph left alive may show none.
  ::EnumWindows(
      [](HWND hWnd, LPARAM lParam) -> BOOL {
        auto& q = *reinterpret_cast<Query*>(lParam);
        DWORD dwProcessId = 0;
        ::GetWindowThreadProcessId(hWnd, &dwProcessId);
        if (dwProcessId == q.dwProcessId && harness::TitleOf(hWnd) == L"ActiveMovie Window") q.found.push_back(hWnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&q));
  return q.found;
}

// A new output size, applied or given back, reconnects the resizer's output to the renderer.
bool MayReconnectTheRenderer(const Action& action) {
  return (action.kind == Kind::Value && action.mode != 2) ||
         (action.kind == Kind::Click && (action.n == 227 || action.n == 228));
}

bool IsSettingClick(const Action& action) {
  return (action.kind == Kind::Click && action.n >= 213 && action.n <= 228) || action.kind == Kind::Algorithm;
}

}  // namespace

void Checker::Before(const Action& action) {
  if (action.kind == Kind::Click && action.n == 206) m_videoBefore = VideoWindowsOf(m_bench.ProcessId());
}

bool Checker::After(const Action& action, Outcome outcome, Failure* pFailure) {
  if (!Alive(pFailure)) return false;
  DWORD dwElapsedMs = 0;
  if (!m_bench.Answers(m_dwAnswerBoundMs, &dwElapsedMs))
    return Fail(pFailure, "no-answer", "the bench did not answer within " + std::to_string(m_dwAnswerBoundMs) + " ms");
  m_figures.answerMs[Label(action)].push_back(dwElapsedMs);
  if (m_bTraceCounts)
    std::printf("  after %s: %zu KiB private, %lu handles\n", Describe(action).c_str(),
                harness::PrivateBytes(m_bench.Process()) / 1024, harness::OpenHandles(m_bench.ProcessId()));
  Remember(action, outcome);
  return Output(pFailure) && Viewers(pFailure) && VideoWindows(action, outcome, pFailure) && Published(pFailure) &&
         ControlsShowTheResizer(pFailure) && Flat(pFailure);
}

bool Checker::AfterClose(Failure* pFailure) {
  const int nStatus = m_bench.LinuxStatus(10000);
  if (!Output(pFailure) || !Viewers(pFailure)) return false;
  if (nStatus != 0)
    return Fail(pFailure, "exit-status", "the bench ended with Linux status " + std::to_string(nStatus));
  return true;
}

bool Checker::Alive(Failure* pFailure) {
  if (!m_bench.Ended()) return true;
  Output(pFailure);
  return Fail(pFailure, "bench-ended",
              "the bench's process ended by itself, Linux status " + std::to_string(m_bench.LinuxStatus(10000)));
}

bool Checker::Output(Failure* pFailure) {
  for (const std::string& line : m_bench.NewOutput()) {
    if (line.find("nhandled ") != std::string::npos || line.find("Segmentation fault") != std::string::npos)
      return Fail(pFailure, "crash", line);
    const size_t nAssert = line.find("Assertion failed: ");
    if (nAssert != std::string::npos) ++m_figures.assertions[line.substr(line.rfind('\\', nAssert) + 1)];
  }
  return true;
}

bool Checker::Viewers(Failure* pFailure) {
  for (const auto& ended : m_bench.EndedViewers()) {
    if (ended.second == 0) continue;
    char sz[96];
    std::snprintf(sz, sizeof sz, "the viewer (pid %lx) ended with code 0x%lX", ended.first, ended.second);
    return Fail(pFailure, "viewer-exit", sz);
  }
  return true;
}

bool Checker::VideoWindows(const Action& action, Outcome outcome, Failure* pFailure) {
  if (action.kind == Kind::Click && action.n == 206 && outcome == Outcome::Done) {
    // Only a build refused for an empty file name keeps the graph it had.
    HWND hBox = m_bench.MessageBox();
    const bool bKept = hBox && harness::ReadMessageBox(hBox).text.rfind(L".grf file not selected", 0) == 0;
    if (!bKept && !harness::WaitUntil(
                      [&] {
                        return std::none_of(m_videoBefore.begin(), m_videoBefore.end(),
                                            [](HWND hWnd) { return ::IsWindow(hWnd); });
                      },
                      kWindowGoneBoundMs))
      return Fail(pFailure, "stale-video-window", "a video window of the graph before the build is still there");
  }
  const size_t cWindows = VideoWindowsOf(m_bench.ProcessId()).size();
  if (cWindows > 1) return Fail(pFailure, "video-windows", std::to_string(cWindows) + " video windows");
  return true;
}

bool Checker::Published(Failure* pFailure) {
  const size_t cEntries = PublishedBy(m_bench.ProcessId()).size();
  if (cEntries > 1) return Fail(pFailure, "rot-entries", std::to_string(cEntries) + " running-object-table entries");
  return true;
}

bool Checker::ControlsShowTheResizer(Failure* pFailure) {
  // Compared only where a tester reads them: the dialog free, a graph built and published.
  if (!::IsWindowEnabled(m_bench.Dialog()) || m_bench.MessageBox() || !::IsWindowEnabled(m_bench.Item(211)))
    return true;
  const std::vector<PublishedGraph> graphs = PublishedBy(m_bench.ProcessId());
  if (graphs.size() != 1) return true;
  lumivar::ResizerSettings settings;
  const HRESULT hr = ReadResizerSettings(graphs[0], &settings);
  if (hr == S_FALSE) return true;
  // Registered weakly, the graph goes out of Wine's table's reach once the last remote client
  // let go of it (this check's own read too): counted, not held against the bench.
  if (hr == MK_E_UNAVAILABLE || hr == CO_E_OBJNOTCONNECTED || hr == RPC_E_DISCONNECTED) {
    ++m_figures.cUnbindable;
    return true;
  }
  if (hr != S_OK) {
    char sz[96];
    std::snprintf(sz, sizeof sz, "the published graph's resizer could not be read: 0x%08lX", hr);
    return Fail(pFailure, "read-back", sz);
  }
  // The bench's own formatting: runtimes round a tie such as 1.5703125 to six places differently.
  wchar_t szSize[64], szCoeffs[64];
  FormatOutputSize(szSize, 64, static_cast<int>(settings.OutputSize().cx), static_cast<int>(settings.OutputSize().cy));
  double dX = 0, dY = 0;
  settings.Coefficients(&dX, &dY);
  FormatResizingCoeffs(szCoeffs, 64, dX, dY);
  const struct {
    int id;
    bool bSame;
    std::string shown;
  } rows[] = {
      {220, ::SendMessageW(m_bench.Item(220), CB_GETCURSEL, 0, 0) + 1 == settings.Algorithm(),
       std::to_string(::SendMessageW(m_bench.Item(220), CB_GETCURSEL, 0, 0)) + " for algorithm " +
           std::to_string(settings.Algorithm())},
      {221, harness::IsChecked(m_bench.Item(221)) == settings.Antialiasing(), "antialiasing"},
      {222, harness::IsChecked(m_bench.Item(222)) == settings.AutoSupersampling(), "auto supersampling"},
      {213, harness::IsChecked(m_bench.Item(213)) == settings.Flip(), "flip"},
      {227,
       harness::IsChecked(m_bench.Item(227)) == settings.FixedOutput() &&
           harness::IsChecked(m_bench.Item(228)) != settings.FixedOutput(),
       "fixed output"},
      {224, harness::ReadText(m_bench.Item(224)) == szSize,
       Narrow(harness::ReadText(m_bench.Item(224))) + " for " + Narrow(szSize)},
      {226, harness::ReadText(m_bench.Item(226)) == szCoeffs,
       Narrow(harness::ReadText(m_bench.Item(226))) + " for " + Narrow(szCoeffs)},
  };
  for (const auto& row : rows)
    if (!row.bSame && !m_stale.count(row.id))
      return Fail(pFailure, "settings", "control " + std::to_string(row.id) + " shows " + row.shown);
  return true;
}

long long Checker::PrivateExcess(size_t nFrom, size_t nTo) const {
  const Sample& from = m_samples[nFrom];
  const Sample& to = m_samples[nTo];
  return static_cast<long long>(to.cbPrivate) - static_cast<long long>(from.cbPrivate) -
         static_cast<long long>(nTo - nFrom) * kPrivatePerBuild -
         (to.cReconnects - from.cReconnects) * kPrivatePerReconnect;
}

bool Checker::Flat(Failure* pFailure) {
  if (m_samples.size() < kWarmUpBuilds + kJudgedBuilds) return true;
  const Sample& base = m_samples[kWarmUpBuilds - 1];
  const Sample& last = m_samples.back();
  const long cBuilds = static_cast<long>(m_samples.size() - kWarmUpBuilds);
  const long lHandles = static_cast<long>(last.cHandles) - static_cast<long>(base.cHandles) -
                        kHandlesPerReconnect * (last.cReconnects - base.cReconnects);
  const size_t nLast = m_samples.size() - 1;
  const long long llEarly = PrivateExcess(nLast - kJudgedBuilds, nLast - kJudgedBuilds / 2);
  const long long llLate = PrivateExcess(nLast - kJudgedBuilds / 2, nLast);
  ++m_figures.cJudged;
  m_figures.lHandleGrowth = std::max(m_figures.lHandleGrowth, lHandles);
  m_figures.llPrivateGrowth = std::max(m_figures.llPrivateGrowth, std::min(llEarly, llLate));
  char sz[160];
  if (lHandles > kHandlesPerBuild * cBuilds + kHandleSlack) {
    std::snprintf(sz, sizeof sz, "%ld handles more after %ld builds", lHandles, cBuilds);
    return Fail(pFailure, "handle-leak", sz);
  }
  if (std::min(llEarly, llLate) > kPrivateSlackPerHalf) {
    std::snprintf(sz, sizeof sz, "private memory grew %lld KiB, then %lld KiB more than allowed over %zu builds each",
                  llEarly / 1024, llLate / 1024, kJudgedBuilds / 2);
    return Fail(pFailure, "memory-leak", sz);
  }
  return true;
}

void Checker::Remember(const Action& action, Outcome outcome) {
  if (outcome != Outcome::Done) return;
  if (MayReconnectTheRenderer(action) && ::IsWindowEnabled(m_bench.Item(211))) {
    ++m_cReconnects;
    ++m_figures.cReconnects;
  }
  HWND hBox = m_bench.MessageBox();
  const std::wstring boxText = hBox ? harness::ReadMessageBox(hBox).text : std::wstring();
  if (hBox) ++m_figures.boxes[Narrow(boxText.substr(0, boxText.find(L'\n')))];
  if (action.kind == Kind::Click && action.n == 206) {
    m_stale.clear();
    // The generated chain, built and nothing else about: a comparable state for the counts.
    if (!hBox && ::IsWindowEnabled(m_bench.Item(211)) && harness::IsChecked(m_bench.Item(202)) && !m_bench.Viewer()) {
      m_samples.push_back(
          Sample{harness::OpenHandles(m_bench.ProcessId()), harness::PrivateBytes(m_bench.Process()), m_cReconnects});
      ++m_figures.cBuilds;
    }
  } else if (action.kind == Kind::Value && action.mode == 2) {
    m_stale.insert(action.n);
  } else if (action.kind == Kind::Value && action.n == 212) {
    // The clipping rectangle changes the output size or the coefficients, and the dialog
    // reads neither back after it.
    m_stale.insert({224, 226});
  } else if (action.kind == Kind::Value || action.kind == Kind::GeneratorPage) {
    if (boxText.rfind(L"Can't show", 0) != 0) {
      for (int id : {224, 226, 227}) m_stale.erase(id);
    }
  } else if (IsSettingClick(action) && boxText.rfind(L"Can't", 0) == 0) {
    // A refused flag, type or algorithm keeps the control's new state.
    m_stale.insert(action.kind == Kind::Algorithm ? 220 : action.n == 228 ? 227 : action.n);
  }
}

}  // namespace soak
