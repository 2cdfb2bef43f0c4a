#include "TraceRecorder.h"

namespace {
TraceRecorder* g_pCurrent = nullptr;
const wchar_t szLevel[] = L"ATLTRACE_LEVEL";
}  // namespace

TraceRecorder::TraceRecorder(LPCWSTR pszLevel) {
  WCHAR sz[64] = {};
  m_bHadLevel = ::GetEnvironmentVariableW(szLevel, sz, 64) != 0;
  m_previousLevel = sz;
  ::SetEnvironmentVariableW(szLevel, pszLevel);
  ATL::AtlTraceLoadSettings();
  g_pCurrent = this;
  m_pfnPrevious = ATL::AtlSetTraceHandler(&TraceRecorder::Record);
}

TraceRecorder::~TraceRecorder() {
  ATL::AtlSetTraceHandler(m_pfnPrevious);
  g_pCurrent = nullptr;
  ::SetEnvironmentVariableW(szLevel, m_bHadLevel ? m_previousLevel.c_str() : nullptr);
  ATL::AtlTraceLoadSettings();
}

std::vector<std::wstring> TraceRecorder::Texts() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_texts;
}

void TraceRecorder::Record(LPCWSTR pszText, const char*, int) {
  std::lock_guard<std::mutex> lock(g_pCurrent->m_mutex);
  g_pCurrent->m_texts.push_back(pszText);
}
