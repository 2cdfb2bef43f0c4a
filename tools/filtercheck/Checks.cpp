#include "Checks.h"

namespace filtercheck {

const std::vector<CheckInfo>& AllChecks() {
  static const std::vector<CheckInfo> kChecks = {
      {"filter.interfaces", "interfaces it must and must not show, one identity through each", CheckInterfaces, 10000},
      {"filter.aggregation", "aggregation refused without IID_IUnknown, the outer unknown honoured", CheckAggregation,
       10000},
      {"filter.refcounts", "one reference a call, counts back where they started, freed by its last release",
       CheckRefCounts, 10000},
      {"filter.states", "Stop, Pause, Run and GetState, unconnected and connected", CheckStates, 10000},
      {"pins.enumeration", "EnumPins: Next, Skip, Reset, Clone, counts, never out of sync", CheckPinEnumeration, 10000},
      {"pins.identity", "FindPin, QueryPinInfo, QueryDirection, QueryId", CheckPinIdentity, 10000},
      {"pins.media-types", "EnumMediaTypes before and after connection, QueryAccept", CheckMediaTypes, 10000},
      {"pins.connection-refusals", "wrong direction, already connected, unacceptable types, while running",
       CheckConnectionRefusals, 10000},
      {"pins.connection", "ReceiveConnection, ConnectionMediaType, ConnectedTo, Disconnect", CheckConnection, 10000},
      {"pins.allocator", "GetAllocator, NotifyAllocator, GetAllocatorRequirements, the buffer asked downstream",
       CheckAllocator, 10000},
      {"stream.samples", "samples delivered in order with their times; none taken while stopped", CheckSamples, 15000},
      {"stream.new-segment", "NewSegment passed on", CheckNewSegment, 15000},
      {"stream.end-of-stream", "EndOfStream passed on after the last sample", CheckEndOfStream, 15000},
      {"stream.flush", "BeginFlush and EndFlush passed on, nothing delivered while flushing", CheckFlush, 15000},
      {"stream.seeking", "seeking asked of the output reaches the pin upstream", CheckSeeking, 10000},
      {"stream.quality", "IQualityControl on the output pin, its messages passed upstream", CheckQuality, 10000},
      {"stream.type-query-deadlock", "the sink may ask about types on the streaming thread while Stop runs",
       CheckTypeQueryDeadlock, 20000},
      {"resizer.settings", "every IResizerControl setting: defaults, set and read back", CheckSettings, 10000},
      {"resizer.refusals", "null pointers, out-of-range values, invalid clips refused with nothing changed",
       CheckRefusals, 10000},
      {"resizer.wrong-state", "a new output size refused while paused or running, other settings taken",
       CheckWrongState, 15000},
      {"resizer.output-size", "fixed and variable output, clip, coefficients, reconnection when the size changes",
       CheckOutputSize, 20000},
      {"resizer.frames", "every algorithm's frames against a double-precision reference, flip and clip included",
       CheckFrames, 30000},
      {"resizer.version", "IFilterVersion", CheckVersion, 10000},
      {"resizer.persistence", "a saved record loads back; a cut or corrupt one is refused with nothing changed",
       CheckPersistence, 20000},
  };
  return kChecks;
}

}  // namespace filtercheck
