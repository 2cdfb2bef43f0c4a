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
  long lHandleGrowth = 0;                              // the most any bench grew over its measured builds
  long long llPrivateGrowth = 0;
};

class Checker {
public:
  Checker(Bench& bench, DWORD dwAnswerBoundMs, Figures* pFigures)
      : m_bench(bench), m_dwAnswerBoundMs(dwAnswerBoundMs), m_figures(*pFigures) {}

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
  std::vector<HWND> m_videoBefore;
  // Controls that may show something else than the resizer: typed and not applied, or
  // refused and kept, or not read back after a change the dialog does not refresh.
  std::set<int> m_stale;
  struct Sample {
    DWORD cHandles;
    SIZE_T cbPrivate;
  };
  std::vector<Sample> m_samples;
};

}  // namespace soak
