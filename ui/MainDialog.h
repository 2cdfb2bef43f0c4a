// The bench's one window and its value boxes.
//
//   CEditControl  subclass of a value box: Enter sends the matching "Set ..." button's command
//   CMainDialog   the modal dialog of template 101
#pragma once

#include <atlbase.h>
#include <atlwin.h>

#include "Graph.h"
#include "resource.h"

// windowsx.h, which dshow.h brings in, makes it a macro; the framework's member is meant.
#undef SubclassWindow

// Posted by the graph manager when events are waiting.
const UINT WM_GRAPHNOTIFY = WM_APP + 123;

// Enter in a value box (212, 224, 226) runs its button's command (211, 223, 225); every other key
// is the edit control's. Tab and Escape stay with the dialog manager.
class CEditControl : public CWindowImpl<CEditControl> {
public:
  BEGIN_MSG_MAP(CEditControl)
    MESSAGE_HANDLER(WM_GETDLGCODE, OnGetDlgCode)
    MESSAGE_HANDLER(WM_CHAR, OnChar)
  END_MSG_MAP()

  LRESULT OnGetDlgCode(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  LRESULT OnChar(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
};

class CMainDialog : public CDialogImpl<CMainDialog> {
public:
  enum { IDD = IDD_MAIN };

  CMainDialog();
  virtual ~CMainDialog();

  BEGIN_MSG_MAP(CMainDialog)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    MESSAGE_HANDLER(WM_GRAPHNOTIFY, OnGraphNotify)
    MESSAGE_HANDLER(WM_VIDEOREPAINT, OnVideoRepaint)
    COMMAND_ID_HANDLER(IDC_BTN_LOAD, OnLoad)
    COMMAND_HANDLER(IDC_EDIT_FILE, EN_CHANGE, OnFileNameChange)
    COMMAND_ID_HANDLER(IDC_BTN_VIDGEN, OnVideoGenerator)
    COMMAND_ID_HANDLER(IDC_BTN_BUILD, OnBuildGraph)
    COMMAND_ID_HANDLER(IDC_BTN_SHOW, OnShowGraph)
    COMMAND_ID_HANDLER(IDC_BTN_SET_CLIP, OnSetClippingRect)
    COMMAND_ID_HANDLER(IDC_CHECK_FLIP, OnFlip)
    COMMAND_HANDLER(IDC_COMBO_ALGO, CBN_SELCHANGE, OnAlgorithmChange)
    COMMAND_ID_HANDLER(IDC_CHECK_ANTIALIAS, OnAntialiasing)
    COMMAND_ID_HANDLER(IDC_CHECK_AUTO_SS, OnAutoSupersampling)
    COMMAND_ID_HANDLER(IDC_BTN_SET_OUTSIZE, OnSetOutputSize)
    COMMAND_ID_HANDLER(IDC_BTN_SET_COEFFS, OnSetResizingCoeffs)
    COMMAND_RANGE_HANDLER(IDC_RADIO_FIXED, IDC_RADIO_VARIABLE, OnOutputType)
    COMMAND_ID_HANDLER(IDC_BTN_PLAY, OnPlay)
    COMMAND_ID_HANDLER(IDC_BTN_PAUSE, OnPause)
    COMMAND_ID_HANDLER(IDC_BTN_STOP, OnStop)
    COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  END_MSG_MAP()

  LRESULT OnInitDialog(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  // Drains the graph's event queue: the end of the stream stops and rewinds the graph.
  LRESULT OnGraphNotify(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  LRESULT OnVideoRepaint(UINT, WPARAM, LPARAM, BOOL&) {
    m_graph.RepaintVideo();
    return 0;
  }

  // Graph creation
  LRESULT OnLoad(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
  LRESULT OnFileNameChange(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
  LRESULT OnVideoGenerator(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
  LRESULT OnBuildGraph(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
  LRESULT OnShowGraph(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);

  // Resizer settings: each does nothing without the resizer's controls or while the dialog
  // itself writes the settings into the controls.
  LRESULT OnSetClippingRect(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
  LRESULT OnFlip(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
  LRESULT OnAlgorithmChange(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
  LRESULT OnAntialiasing(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
  LRESULT OnAutoSupersampling(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
  LRESULT OnSetOutputSize(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
  LRESULT OnSetResizingCoeffs(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
  LRESULT OnOutputType(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);

  // Playback, and the end of the dialog with the graph torn down first.
  LRESULT OnPlay(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
  LRESULT OnPause(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
  LRESULT OnStop(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
  LRESULT OnCancel(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);

  // The dialog's message box: the text, the description of hr and the code, captioned "Resizer Test".
  int ShowError(LPCWSTR pszText, HRESULT hr);

  // Reads exactly nNumbers comma-separated numbers; a null, empty or blank text reads as zeros.
  // On false the array holds what was read up to the fault and zeros behind it.
  static bool ParseNumbers(LPCWSTR psz, UINT nNumbers, int* pArrNumbers);
  static bool ParseNumbers(LPCWSTR psz, UINT nNumbers, double* pArrNumbers);

  // The open-file dialog for a graph file; pszFile (MAX_PATH characters) holds the initial
  // name and receives the chosen path. False when cancelled or failed.
  bool SelectFile(LPWSTR pszFile);
  // The controls that need a graph; "Video Generator" only with one in the graph.
  void EnableControls(bool bEnable);
  // Every setting of the resizer into the controls, except the clipping rectangle.
  LRESULT RefreshSettings();
  // Output size, resizing coefficients and output type.
  void RefreshOutputSettings();

  // State, in this order.
  WCHAR m_szFileName[MAX_PATH];
  CGraph m_graph;
  CEditControl m_editClip;
  CEditControl m_editOutSize;
  CEditControl m_editCoeffs;
  bool m_bUpdating;

private:
  // The common pattern of the check boxes and the output-type buttons.
  void SetFlagFromButton(int idButton, HRESULT (CGraph::*pfnSet)(BOOL), LPCWSTR pszRefusal);
  // A setting handler's common start.
  bool CanChangeSettings() const { return m_graph.HasResizer() && !m_bUpdating; }
};
