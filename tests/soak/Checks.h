// The rules the soak holds the bench to after every action, checked against what the screen
// shows, what Linux saw and what the running object table answers.
//
//   Failure   a broken rule: its kind (a shorter replay must break the same) and what was seen
//   Figures   what a run measured: answer times by action, assertions, handles and memory
//   Checker   the rules, and what they remember between actions on one bench
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "Actions.h"
#include "Bench.h"

namespace soak {

struct Failure {
  std::string kind;
  std::string what;
};

struct Figures {
  std::map<std::string, std::vector<DWORD>> answerMs;  // by action, as KindName and control
  std::map<std::string, int> assertions;               // the bench's assertion lines, counted
  std::map<std::string, int> boxes;                    // the bench's message boxes, by their first line
  int cUnbindable = 0;                                 // reads of the published graph that the table could not bind
  int cBuilds = 0;                                     // builds of the generated chain measured
  int cReconnects = 0;                                 // actions that may have reconnected the renderer
  int cJudged = 0;                                     // times a bench had enough builds to be judged
  int closes[4] = {};                                  // benches closed, by the route taken
  long lHandleGrowth = 0;                              // the most any bench grew over its measured builds
  long long llPrivateGrowth = 0;                       // the most growth beyond allowances in both halves
};

class Checker {
public:
  // bTraceCounts prints the bench's private memory and handles after each action.
  Checker(Bench& bench, DWORD dwAnswerBoundMs, Figures* pFigures, bool bTraceCounts)
      : m_bench(bench), m_dwAnswerBoundMs(dwAnswerBoundMs), m_figures(*pFigures), m_bTraceCounts(bTraceCounts) {}

  void Before(const Action& action);
  // False with the first rule the action broke.
  bool After(const Action& action, Outcome outcome, Failure* pFailure);
  // After the bench was closed: how Linux saw it end.
  bool AfterClose(Failure* pFailure);

private:
  bool Alive(Failure* pFailure);
  bool Output(Failure* pFailure);
  bool Viewers(Failure* pFailure);
  bool VideoWindows(const Action& action, Outcome outcome, Failure* pFailure);
  bool Published(Failure* pFailure);
  bool ControlsShowTheResizer(Failure* pFailure);
  bool Flat(Failure* pFailure);
  void Remember(const Action& action, Outcome outcome);

  Bench& m_bench;
  const DWORD m_dwAnswerBoundMs;
  Figures& m_figures;
  const bool m_bTraceCounts;
  std::vector<HWND> m_videoBefore;
  // Controls that may show something else than the resizer: typed and not applied, or
  // refused and kept, or not read back after a change the dialog does not refresh.
  std::set<int> m_stale;
  // The counts after each build of the generated chain, with the renderer's reconnections so far.
  struct Sample {
    DWORD cHandles;
    SIZE_T cbPrivate;
    long cReconnects;
  };
  // Growth between two samples beyond what their builds and reconnections are allowed.
  long long PrivateExcess(size_t nFrom, size_t nTo) const;
  std::vector<Sample> m_samples;
  long m_cReconnects = 0;
};

}  // namespace soak
