// The bench's published graph read from this process through the running object table: a
// second look at the bench's state, independent of its dialog.
//
//   PublishedBy          the table's graph entries of one process
//   ReadResizerSettings  the settings of a published graph's resizer, from the record its
//                        IPersistStream saves (the proxies are released before it returns)
#pragma once

#include <windows.h>

#include <vector>

#include "PublishedGraphs.h"
#include "ResizerSettings.h"

namespace soak {

std::vector<PublishedGraph> PublishedBy(DWORD dwProcessId);

// S_FALSE when the graph holds no resizer.
HRESULT ReadResizerSettings(const PublishedGraph& graph, lumivar::ResizerSettings* pSettings);

}  // namespace soak
