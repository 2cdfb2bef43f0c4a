// The check bodies, one function a rule (the table of them is in Checks.cpp).
#pragma once

#include "Check.h"
#include "Rig.h"

namespace filtercheck {

// Every DirectShow filter (FilterChecks.cpp, ConnectionChecks.cpp, StreamChecks.cpp).
void CheckInterfaces(CCheck& check);
void CheckAggregation(CCheck& check);
void CheckRefCounts(CCheck& check);
void CheckPinEnumeration(CCheck& check);
void CheckPinIdentity(CCheck& check);
void CheckMediaTypes(CCheck& check);
void CheckStates(CCheck& check);
void CheckConnectionRefusals(CCheck& check);
void CheckConnection(CCheck& check);
void CheckAllocator(CCheck& check);
void CheckSamples(CCheck& check);
void CheckNewSegment(CCheck& check);
void CheckEndOfStream(CCheck& check);
void CheckFlush(CCheck& check);
void CheckSeeking(CCheck& check);
void CheckQuality(CCheck& check);
void CheckTypeQueryDeadlock(CCheck& check);

// What a resizer promises (ResizerChecks.cpp, FrameChecks.cpp, PersistChecks.cpp).
void CheckSettings(CCheck& check);
void CheckRefusals(CCheck& check);
void CheckWrongState(CCheck& check);
void CheckOutputSize(CCheck& check);
void CheckFrames(CCheck& check);
void CheckVersion(CCheck& check);
void CheckPersistence(CCheck& check);

// Frames a second at 1080p -> 720p for each algorithm, one note a line; not a check.
void MeasureSpeed(CCheck& check);

}  // namespace filtercheck
