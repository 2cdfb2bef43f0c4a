// Graphs with the generator built, played and released over and over leave
// no thread, handle or reference behind.
#include <gtest/gtest.h>

#include "GraphTestUtil.h"
// After windows.h, which it needs.
#include <tlhelp32.h>
#include "SinkFilter.h"

namespace {

DWORD ThreadCount() {
  HANDLE hSnap = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (hSnap == INVALID_HANDLE_VALUE) return 0;
  DWORD cThreads = 0;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL b = ::Thread32First(hSnap, &entry); b; b = ::Thread32Next(hSnap, &entry))
    if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ++cThreads;
  ::CloseHandle(hSnap);
  return cThreads;
}

DWORD HandleCount() {
  DWORD cHandles = 0;
  ::GetProcessHandleCount(::GetCurrentProcess(), &cHandles);
  return cHandles;
}

// One graph's life: generator into a sink or Wine's renderer, played to the
// end, stopped, released. Returns the generator's last reference count.
ULONG PlayOnce(bool bRenderer) {
  const VideoGeneratorSettings settings = {64, 48, 25, 200};
  IBaseFilter* pGenerator = nullptr;
  CSinkFilter* pSink = nullptr;
  {
    CComPtr<IGraphBuilder> spGraph;
    EXPECT_EQ(S_OK, spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
    EXPECT_EQ(S_OK, CreateGenerator(&pGenerator, &settings));
    if (!spGraph || !pGenerator) return MAXDWORD;
    EXPECT_EQ(S_OK, spGraph->AddFilter(pGenerator, L"Video Generator"));
    CComPtr<IPin> spOut = FirstPin(pGenerator, PINDIR_OUTPUT);
    if (bRenderer) {
      EXPECT_EQ(S_OK, spGraph->Render(spOut));
    } else {
      EXPECT_EQ(S_OK, CSinkFilter::Create(&pSink));
      EXPECT_EQ(S_OK, spGraph->AddFilter(pSink, L"Sink"));
      EXPECT_EQ(S_OK, spGraph->ConnectDirect(spOut, pSink->Input(), nullptr));
    }
    CComQIPtr<IMediaControl, &IID_IMediaControl> spControl(spGraph);
    CGraphEvents events(spGraph);
    EXPECT_GE(spControl->Run(), 0);
    if (bRenderer) {
      EXPECT_TRUE(events.WaitFor(EC_COMPLETE, 3000));
    } else {
      EXPECT_TRUE(pSink->Input()->WaitForEndOfStream(3000));
    }
    EXPECT_EQ(S_OK, spControl->Stop());
  }
  if (pSink) {
    EXPECT_EQ(0u, pSink->Release());
  }
  return pGenerator->Release();
}

// Waits, at most 3 s, for the counts to come back to what they were.
bool BackTo(DWORD cThreads, DWORD cHandles) {
  for (int i = 0; i < 300; ++i) {
    if (ThreadCount() <= cThreads && HandleCount() <= cHandles) return true;
    ::Sleep(10);
  }
  return false;
}

TEST(LeakTest, ManyGraphsLeaveNothingBehind) {
  // The first round loads what stays loaded (quartz, the renderer's window class).
  ASSERT_EQ(0u, PlayOnce(false));
  ASSERT_EQ(0u, PlayOnce(true));
  ASSERT_TRUE(BackTo(MAXDWORD, MAXDWORD));
  const DWORD cThreads = ThreadCount(), cHandles = HandleCount();
  for (int i = 0; i < 30; ++i) ASSERT_EQ(0u, PlayOnce(false)) << "sink round " << i;
  for (int i = 0; i < 3; ++i) ASSERT_EQ(0u, PlayOnce(true)) << "renderer round " << i;
  EXPECT_TRUE(BackTo(cThreads, cHandles)) << "threads " << cThreads << " -> " << ThreadCount() << ", handles "
                                          << cHandles << " -> " << HandleCount();
}

}  // namespace
