// Two hundred builds from the dialog leave no more behind than two hundred graphs built and
// closed without it, which is what Wine keeps per graph; the last graph's manager is released.
#include "BenchFixture.h"

#include "ProcessCounts.h"

namespace {

const int cCycles = 200;
// Enough bare graphs to know Wine's share of one; fewer than the dialog's, to spare the suite.
const int cBareGraphs = 40;

struct Held {
  long cHandles;
  long cThreads;
  long long cbPrivate;
};

Held Now() {
  return {static_cast<long>(harness::OpenHandles()), static_cast<long>(harness::LiveThreads()),
          static_cast<long long>(harness::PrivateBytes())};
}

Held Growth(const Held& before, const Held& after) {
  return {after.cHandles - before.cHandles, after.cThreads - before.cThreads, after.cbPrivate - before.cbPrivate};
}

TEST_F(BenchTest, TwoHundredBuildsLeaveNoMoreThanWineKeepsPerGraph) {
  Held dialog = {}, bare = {};
  DWORD cThreadsAtStart = 0;
  bool bThreadsBack = false, bEveryBuild = true;
  ULONG cLastRefs = 1;
  m_runner.Run([&](HWND hDlg) {
    // The first builds load what stays loaded: quartz, the renderer's window class.
    ASSERT_TRUE(Build(hDlg));
    ASSERT_TRUE(Build(hDlg));
    Graph([](CGraph& graph) { graph.Close(); });
    ASSERT_TRUE(harness::ThreadsDownTo(MAXDWORD));
    cThreadsAtStart = harness::LiveThreads();

    const Held atStart = Now();
    const DWORD dwStart = ::GetTickCount();
    for (int i = 0; i < cCycles && bEveryBuild; ++i) bEveryBuild = Build(hDlg);
    std::printf("%lu ms a build from the dialog\n", (::GetTickCount() - dwStart) / cCycles);
    IGraphBuilder* pLast = nullptr;
    Graph([&](CGraph& graph) {
      pLast = graph.m_spGraph;
      pLast->AddRef();
      graph.Close();
    });
    cLastRefs = pLast->Release();
    bThreadsBack = harness::ThreadsDownTo(cThreadsAtStart);
    const Held afterDialog = Now();
    dialog = Growth(atStart, afterDialog);

    // The same graphs without the dialog: built on its thread for its window, and closed.
    Graph([&](CGraph&) {
      for (int i = 0; i < cBareGraphs; ++i) {
        CGraph graph;
        EXPECT_EQ(S_OK, graph.BuildVidGenGraph(hDlg, WM_GRAPHNOTIFY));
        graph.Close();
      }
    });
    harness::ThreadsDownTo(cThreadsAtStart);
    bare = Growth(afterDialog, Now());
  });
  EXPECT_TRUE(bEveryBuild);
  EXPECT_EQ(0u, cLastRefs) << "no reference left on the graph manager after Close";
  EXPECT_TRUE(bThreadsBack) << "threads " << cThreadsAtStart << " -> " << harness::LiveThreads();
  std::printf("growth: %d builds from the dialog %ld handles, %lld KiB; %d bare graphs %ld handles, %lld KiB\n",
              cCycles, dialog.cHandles, dialog.cbPrivate / 1024, cBareGraphs, bare.cHandles, bare.cbPrivate / 1024);
  const long nScale = cCycles / cBareGraphs;
  EXPECT_LE(dialog.cHandles, bare.cHandles * nScale + 10);
  EXPECT_LE(dialog.cThreads, 0);
  // Private memory moves with Wine's heaps; a leak of the dialog's own would show as a steady
  // surplus over Wine's per graph, kilobytes a build.
  EXPECT_LE(dialog.cbPrivate, bare.cbPrivate * nScale + 4 * 1024 * 1024);
}

}  // namespace
