// Soak.exe: a seeded stream of random tester's actions over the real bench and our viewer,
// every rule checked after every action; on a failure the shortest action list that still
// breaks the same rule, found by delta debugging over the recorded actions. Run by
// scripts/soak, which starts each bench under Wine so that Linux sees its status.
//
//   Soak.exe FOLDER SECONDS SEED [SHRINK_SECONDS]   a run; its figures on standard output
//   Soak.exe FOLDER --replay FILE                   the actions of FILE (one a line) on a fresh bench,
//                                                   the bench's private memory and handles after each
//
// FOLDER is the folder scripts/soak shares (a Windows path); "START n" on standard output
// asks it for bench n. Exit code 0 when no rule broke.
#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Actions.h"
#include "Bench.h"
#include "Checks.h"

namespace {

using soak::Action;
using soak::Failure;

const DWORD kAnswerBoundMs = 10000;
const DWORD kCloseBoundMs = 15000;
const wchar_t kSamples[] = L"C:\\CVS\\Dev\\Filters\\Video\\Lumivar\\Graphs\\";

// The files the file box and the open-file dialog choose from, the broken ones made in the
// shared folder: a graph file cut in half, a text file, a missing file, a path too long.
soak::Palette MakePalette(const std::wstring& folder) {
  soak::Palette palette;
  for (const wchar_t* pszName : {L"Test.GRF", L"TestSettings.GRF", L"TestFile.GRF"}) {
    palette.files.push_back(kSamples + std::wstring(pszName));
    palette.existingFiles.push_back(palette.files.back());
  }
  std::ifstream in((kSamples + std::wstring(L"Test.GRF")).c_str(), std::ios::binary);
  const std::string graph((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::wstring cut = folder + L"\\cut.grf", text = folder + L"\\text.grf";
  std::ofstream(cut.c_str(), std::ios::binary) << graph.substr(0, graph.size() / 2);
  std::ofstream(text.c_str(), std::ios::binary) << "not a graph file";
  palette.existingFiles.insert(palette.existingFiles.end(), {cut, text});
  palette.files.insert(palette.files.end(),
                       {cut, text, folder + L"\\missing.grf", L"", folder + L"\\" + std::wstring(300, L'x') + L".grf"});
  return palette;
}

struct Run {
  std::wstring folder;
  int nNextBench = 1;
  soak::Figures figures;
  int cActions = 0;
  bool bTraceCounts = false;  // each action's private memory and handles printed, for a replay
};

// One bench's life: started, driven, closed; the actions it saw are kept for the shrinking.
class Life {
public:
  explicit Life(Run& run) : m_run(run), m_bench(new soak::Bench(soak::Supervisor{run.folder}, run.nNextBench++)) {}

  bool Start(Failure* pFailure) {
    std::string error;
    if (m_bench->Start(&error)) {
      m_checker.reset(new soak::Checker(*m_bench, kAnswerBoundMs, &m_run.figures, m_run.bTraceCounts));
      return true;
    }
    *pFailure = Failure{"start", error};
    return false;
  }

  soak::Bench& Bench() { return *m_bench; }
  const std::vector<Action>& Actions() const { return m_actions; }

  // False with the rule the action broke. A CloseBench action ends this life.
  bool Step(const Action& action, Failure* pFailure) {
    m_actions.push_back(action);
    ++m_run.cActions;
    if (action.kind == soak::Kind::CloseBench) return Close(action.mode, pFailure);
    m_checker->Before(action);
    std::string why;
    const soak::Outcome outcome = soak::Perform(*m_bench, action, &why);
    if (outcome == soak::Outcome::Stuck) {
      if (m_bench->Ended()) return m_checker->After(action, outcome, pFailure);
      *pFailure = Failure{"stuck", why};
      return false;
    }
    return m_checker->After(action, outcome, pFailure);
  }

  bool Close(int nRoute, Failure* pFailure) {
    m_bClosed = true;
    if (m_bench->Ended()) return m_checker->After(Action{soak::Kind::CloseBench}, soak::Outcome::Done, pFailure);
    int nTaken = 3;
    const bool bEnded = m_bench->Close(nRoute, kCloseBoundMs, &nTaken);
    ++m_run.figures.closes[nTaken];
    if (!bEnded) {
      *pFailure = Failure{"close", "the bench did not end within 15 s of its close"};
      return false;
    }
    return m_checker->AfterClose(pFailure);
  }
  bool Closed() const { return m_bClosed; }
  // A failed bench goes before the next one starts: closed if it still can be, else ended.
  void End() {
    int nTaken = 3;
    if (!m_bClosed && !m_bench->Ended()) m_bench->Close(3, kCloseBoundMs, &nTaken);
    m_bench.reset();
    m_bClosed = true;
  }

private:
  Run& m_run;
  std::unique_ptr<soak::Bench> m_bench;
  std::unique_ptr<soak::Checker> m_checker;
  std::vector<Action> m_actions;
  bool m_bClosed = false;
};

// The actions on a fresh bench, closed by Escape at the end unless they close it themselves.
bool Replay(Run& run, const std::vector<Action>& actions, Failure* pFailure) {
  Life life(run);
  if (!life.Start(pFailure)) return false;
  for (const Action& action : actions) {
    if (!life.Step(action, pFailure)) {
      life.End();
      return false;
    }
    if (life.Closed()) return true;
  }
  return life.Close(0, pFailure);
}

// Delta debugging (ddmin) over the actions: the shortest list found within the bound that
// still breaks a rule of the same kind.
std::vector<Action> Shrink(Run& run, std::vector<Action> actions, const std::string& kind, DWORD dwBoundMs) {
  const DWORD dwStart = ::GetTickCount();
  auto breaks = [&](const std::vector<Action>& candidate) {
    Failure failure;
    const bool bBroke = !Replay(run, candidate, &failure) && failure.kind == kind;
    std::printf("shrink: %zu actions %s\n", candidate.size(), bBroke ? "break it" : "pass");
    std::fflush(stdout);
    return bBroke;
  };
  size_t nParts = 2;
  while (actions.size() >= 2 && ::GetTickCount() - dwStart < dwBoundMs) {
    const size_t cChunk = (actions.size() + nParts - 1) / nParts;
    bool bReduced = false;
    for (size_t nStart = 0; nStart < actions.size() && ::GetTickCount() - dwStart < dwBoundMs; nStart += cChunk) {
      const size_t nEnd = std::min(actions.size(), nStart + cChunk);
      std::vector<Action> chunk(actions.begin() + nStart, actions.begin() + nEnd);
      std::vector<Action> rest(actions.begin(), actions.begin() + nStart);
      rest.insert(rest.end(), actions.begin() + nEnd, actions.end());
      if (chunk.size() < actions.size() && breaks(chunk)) {
        actions = chunk;
        nParts = 2;
        bReduced = true;
        break;
      }
      if (nParts > 2 && breaks(rest)) {
        actions = rest;
        nParts = std::max<size_t>(nParts - 1, 2);
        bReduced = true;
        break;
      }
    }
    if (!bReduced) {
      if (nParts >= actions.size()) break;
      nParts = std::min(actions.size(), nParts * 2);
    }
  }
  return actions;
}

void PrintFigures(const Run& run, DWORD dwElapsedMs) {
  std::printf("soak: %d actions in %.0f s on %d benches\n", run.cActions, dwElapsedMs / 1000.0, run.nNextBench - 1);
  std::printf("soak: answer times (ms), median / max / count:\n");
  for (const auto& entry : run.figures.answerMs) {
    std::vector<DWORD> times = entry.second;
    std::sort(times.begin(), times.end());
    std::printf("  %-22s %5lu %6lu %5zu\n", entry.first.c_str(), times[times.size() / 2], times.back(), times.size());
  }
  std::printf(
      "soak: %d builds of the generated chain measured, %d renderer reconnections allowed for, %d judgements; "
      "most growth after warm-up: %ld handles; private memory beyond the allowances in both halves of the judged "
      "builds: %lld KiB\n",
      run.figures.cBuilds, run.figures.cReconnects, run.figures.cJudged, run.figures.lHandleGrowth,
      run.figures.llPrivateGrowth / 1024);
  std::printf("soak: benches closed by Escape %d, the close box %d, the system menu %d, WM_CLOSE %d\n",
              run.figures.closes[0], run.figures.closes[1], run.figures.closes[2], run.figures.closes[3]);
  std::printf("soak: %d reads of the bench's published graph the table could not bind\n", run.figures.cUnbindable);
  for (const auto& entry : run.figures.boxes)
    std::printf("soak: message box %dx: %s\n", entry.second, entry.first.c_str());
  for (const auto& entry : run.figures.assertions)
    std::printf("soak: assertion %dx: %s\n", entry.second, entry.first.c_str());
}

void PrintActions(const char* pszTitle, const std::vector<Action>& actions, const std::wstring& file) {
  std::printf("%s (%zu):\n", pszTitle, actions.size());
  std::ofstream out(file.c_str());
  for (const Action& action : actions) {
    std::printf("  %s\n", soak::Describe(action).c_str());
    out << soak::Describe(action) << "\n";
  }
}

int ReportFailure(Run& run, unsigned uSeed, const Failure& failure, const std::vector<Action>& actions,
                  DWORD dwShrinkMs) {
  std::printf("FAIL seed %u: %s: %s\n", uSeed, failure.kind.c_str(), failure.what.c_str());
  PrintActions("actions of the failing bench", actions, run.folder + L"\\failure-actions.txt");
  std::fflush(stdout);
  const std::vector<Action> shortest = Shrink(run, actions, failure.kind, dwShrinkMs);
  PrintActions("shortest action list that breaks it", shortest, run.folder + L"\\failure-shortest.txt");
  return 1;
}

int Soak(Run& run, DWORD dwSeconds, unsigned uSeed, DWORD dwShrinkSeconds) {
  const soak::Palette palette = MakePalette(run.folder);
  std::mt19937 rng(uSeed);
  const DWORD dwStart = ::GetTickCount();
  std::printf("soak: seed %u, %lu s\n", uSeed, dwSeconds);
  while (::GetTickCount() - dwStart < dwSeconds * 1000) {
    Life life(run);
    Failure failure;
    if (!life.Start(&failure)) return ReportFailure(run, uSeed, failure, {}, 0);
    while (!life.Closed()) {
      const bool bTimeUp = ::GetTickCount() - dwStart >= dwSeconds * 1000;
      const Action action =
          bTimeUp ? Action{soak::Kind::CloseBench} : soak::Draw(rng, soak::Observe(life.Bench()), palette);
      if (!life.Step(action, &failure)) {
        const std::vector<Action> actions = life.Actions();
        life.End();
        PrintFigures(run, ::GetTickCount() - dwStart);
        return ReportFailure(run, uSeed, failure, actions, dwShrinkSeconds * 1000);
      }
    }
  }
  PrintFigures(run, ::GetTickCount() - dwStart);
  std::printf("soak: no rule broken\n");
  return 0;
}

int ReplayFile(Run& run, const std::wstring& file) {
  std::ifstream in(file.c_str());
  std::vector<Action> actions;
  for (std::string line; std::getline(in, line);) {
    Action action;
    if (soak::Parse(line, &action)) actions.push_back(action);
  }
  Failure failure;
  const DWORD dwStart = ::GetTickCount();
  run.bTraceCounts = true;
  const bool bPassed = Replay(run, actions, &failure);
  PrintFigures(run, ::GetTickCount() - dwStart);
  if (bPassed) {
    std::printf("replay: %zu actions, no rule broken\n", actions.size());
    return 0;
  }
  std::printf("replay: FAIL %s: %s\n", failure.kind.c_str(), failure.what.c_str());
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: Soak.exe FOLDER SECONDS SEED [SHRINK_SECONDS] | Soak.exe FOLDER --replay FILE\n");
    return 2;
  }
  if (FAILED(::CoInitialize(nullptr))) return 3;
  Run run;
  run.folder = argv[1];
  int nExit;
  if (std::wstring(argv[2]) == L"--replay")
    nExit = ReplayFile(run, argv[3]);
  else
    nExit = Soak(run, std::wcstoul(argv[2], nullptr, 10), std::wcstoul(argv[3], nullptr, 10),
                 argc > 4 ? std::wcstoul(argv[4], nullptr, 10) : 180);
  std::fflush(stdout);
  ::CoUninitialize();
  return nExit;
}
