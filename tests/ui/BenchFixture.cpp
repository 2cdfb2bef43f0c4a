#include "BenchFixture.h"

#include "ClassSubstitute.h"
#include "VideoGenerator.h"

HWND VideoWindow() { return harness::FindTopWindow(::GetCurrentProcessId(), nullptr, L"ActiveMovie Window"); }

void BenchTest::SetUp() { ASSERT_EQ(S_OK, ::CoInitialize(nullptr)); }

void BenchTest::TearDown() { ::CoUninitialize(); }

void BenchTest::Click(HWND hDlg, int id) {
  ::PostMessageW(::GetDlgItem(hDlg, id), BM_CLICK, 0, 0);
  ASSERT_TRUE(m_runner.FlushPosted());
}

void BenchTest::SetText(HWND hDlg, int idBox, LPCWSTR pszText) {
  ::SendMessageW(::GetDlgItem(hDlg, idBox), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(pszText));
}

void BenchTest::Enter(HWND hDlg, int idBox, LPCWSTR pszText) {
  HWND hBox = ::GetDlgItem(hDlg, idBox);
  SetText(hDlg, idBox, pszText);
  ::SendMessageW(hDlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(hBox), TRUE);
  harness::PressKey(hBox, VK_RETURN);
  ASSERT_TRUE(m_runner.FlushPosted());
}

void BenchTest::ChooseRow(HWND hDlg, int nRow) {
  HWND hCombo = ::GetDlgItem(hDlg, IDC_COMBO_ALGO);
  ::SendMessageW(hCombo, CB_SETCURSEL, nRow, 0);
  ::PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDC_COMBO_ALGO, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hCombo));
  ASSERT_TRUE(m_runner.FlushPosted());
}

void BenchTest::TryEverySetting(HWND hDlg, LPCWSTR pszTyped) {
  for (int id : {IDC_EDIT_CLIP, IDC_EDIT_OUTSIZE, IDC_EDIT_COEFFS}) SetText(hDlg, id, pszTyped);
  for (int id : {IDC_BTN_SET_CLIP, IDC_BTN_SET_OUTSIZE, IDC_BTN_SET_COEFFS, IDC_CHECK_FLIP, IDC_CHECK_ANTIALIAS,
                 IDC_CHECK_AUTO_SS, IDC_RADIO_VARIABLE})
    Click(hDlg, id);
  Enter(hDlg, IDC_EDIT_COEFFS, pszTyped);
  ChooseRow(hDlg, 0);
}

bool BenchTest::Build(HWND hDlg) {
  Click(hDlg, IDC_BTN_BUILD);
  return harness::ReadText(hDlg).rfind(L"Test for ", 0) == 0;
}

bool BenchTest::BuildWith(HWND hDlg, REFCLSID clsid, IUnknown* pObject) {
  ClassSubstitute substitute(clsid, [pObject](REFIID riid, void** ppv) { return pObject->QueryInterface(riid, ppv); });
  return substitute.Active() && Build(hDlg);
}

void BenchTest::Graph(const std::function<void(CGraph& graph)>& fn) {
  m_runner.OnDialogThread([&] { fn(m_runner.Dialog().m_graph); });
}

bool BenchTest::CatchBox(const std::function<void()>& fnAction, harness::MessageBoxInfo* pBox) {
  harness::MessageBoxCatcher catcher;
  fnAction();
  return catcher.Take(pBox);
}

bool BenchTest::NoBoxOpen() const {
  return harness::FindMessageBox(::GetCurrentProcessId(), L"Resizer Test") == nullptr;
}

void BenchTest::ShortenStream(LONG lDurationMs) {
  Graph([&](CGraph& graph) {
    CComQIPtr<IVideoGeneratorSettings> spSettings(graph.m_spVidGen);
    ASSERT_TRUE(spSettings);
    VideoGeneratorSettings settings = {};
    ASSERT_EQ(S_OK, spSettings->GetSettings(&settings));
    settings.lDurationMs = lDurationMs;
    ASSERT_EQ(S_OK, spSettings->SetSettings(&settings));
  });
}
