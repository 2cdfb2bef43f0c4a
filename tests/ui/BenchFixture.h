// The dialog run modally in this process with the real graph: Wine's graph manager and renderer,
// our Resizer and Video Generator. The driver clicks, types and reads as a tester does; where a
// test must see inside, it asks the dialog's thread.
//
//   BenchTest             fixture: COM, the runner, and the driver's steps below
//   BenchTest::Click      BM_CLICK on a control, returned once the command has run
//   BenchTest::Enter      the text typed into a box and Enter pressed in it
//   BenchTest::Build      "Build graph" on the generated chain (or a source chosen before)
//   BenchTest::BuildWith  the same, with every object of one class answered by a double
//   BenchTest::ChooseRow  a row of the algorithm list chosen, as the list reports it
//   BenchTest::TryEverySetting  every setting command, by button, by Enter and by the list
//   BenchTest::Graph      runs a function on the dialog's thread with the dialog's test graph
//   BenchTest::CatchBox   runs an action and takes the "Resizer Test" box it brings
//   VideoWindow           the renderer's top-level window of this process, if shown
#pragma once

#include <gmock/gmock.h>

#include <functional>
#include <string>

#include "DialogRunner.h"
#include "MainDialog.h"
#include "UiDriver.h"

HWND VideoWindow();

class BenchTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  void Click(HWND hDlg, int id);
  void Enter(HWND hDlg, int idBox, LPCWSTR pszText);
  void SetText(HWND hDlg, int idBox, LPCWSTR pszText);
  void ChooseRow(HWND hDlg, int nRow);
  // pszTyped in the three value boxes first; the flags and the output type clicked once.
  void TryEverySetting(HWND hDlg, LPCWSTR pszTyped);
  // True once the title shows a built graph.
  bool Build(HWND hDlg);
  // pObject answers the build's creations of clsid; it must live in this thread's apartment.
  bool BuildWith(HWND hDlg, REFCLSID clsid, IUnknown* pObject);
  void Graph(const std::function<void(CGraph& graph)>& fn);
  // False when no box came within the bound.
  bool CatchBox(const std::function<void()>& fnAction, harness::MessageBoxInfo* pBox);
  bool NoBoxOpen() const;
  // The generator's stream shortened, so that a test plays to the end in a moment.
  void ShortenStream(LONG lDurationMs);

  static std::wstring Text(HWND hDlg, int id) { return harness::ReadText(::GetDlgItem(hDlg, id)); }
  static bool Checked(HWND hDlg, int id) { return ::IsDlgButtonChecked(hDlg, id) == BST_CHECKED; }

  harness::DialogRunnerOf<CMainDialog> m_runner;
};
