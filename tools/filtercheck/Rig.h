// CRig: a fresh instance of the filter under test between the checker's own source and
// sink, connected directly (no graph) or inside Wine's filter graph manager.
//
//   CRig rig(check);
//   if (!rig.Make(64, 48)) return;           // filter + pins found
//   rig.ConnectInput(); rig.ConnectOutput(); rig.SetState(State_Running); ...
// Every step records its own failure in the check and answers false. Stop, then the
// connections, are undone when the rig goes, except after Abandon (a hung filter).
#pragma once

#include <atlcomcli.h>

#include "Check.h"
#include "FilterDll.h"
#include "IResizerControl.h"
#include "TestSink.h"
#include "TestSource.h"

namespace filtercheck {

using ATL::CComPtr;
using ATL::CComQIPtr;

// The reference count an object reports, by an AddRef and a Release.
ULONG RefCount(IUnknown* pUnk);
// Whether two interface pointers are one object (their IUnknowns match).
bool SameObject(IUnknown* pA, IUnknown* pB);
// A filter's first pin of a direction, by QueryPinInfo; null when it has none.
HRESULT FindPinByDirection(IBaseFilter* pFilter, PIN_DIRECTION dir, IPin** ppPin);

class CRig {
public:
  explicit CRig(CCheck& check) : m_check(check) {}
  ~CRig();
  CRig(const CRig&) = delete;
  CRig& operator=(const CRig&) = delete;

  // A new filter, its two pins, its control, and a source of cx x cy.
  bool Make(int cx, int cy);
  // The three filters in a new filter graph manager (before any connection).
  bool MakeGraph();
  bool ConnectInput();
  bool ConnectOutput();
  // Downstream first, as the graph manager does; each filter's answer must succeed.
  bool SetState(FILTER_STATE state);
  // A picture of the source's size with times from frame index i (40 ms a frame).
  HRESULT Push(const Picture& picture, int iFrame);
  // Pushes one picture and waits (bounded) for the sink's copy.
  bool Transfer(const Picture& picture, Picture* pOut);
  // Leaves everything as it is (the filter hangs): nothing is released.
  void Abandon();

  CCheck& m_check;
  CComPtr<IBaseFilter> m_spFilter;
  CComPtr<IPin> m_spIn, m_spOut;
  CComQIPtr<IResizerControl> m_spControl;
  CComPtr<CTestSource> m_spSource;
  CComPtr<CTestSink> m_spSink;
  CComPtr<IGraphBuilder> m_spGraph;
  int m_cx = 0, m_cy = 0;
};

}  // namespace filtercheck
