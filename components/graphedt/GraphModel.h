// What the viewer knows of a connected graph: a copy of its filters, pins,
// connections and state, read through the graph's interfaces at one moment.
//
//   GraphModel    the copy; equal copies draw the same picture
//   ReadGraph     fills a copy from a filter graph (local or in another process); every
//                 reference it takes is released before it returns, and an answer that
//                 breaks its interface's promise (success without the object) refuses the read
//   IsLostServer  a result that means the graph's process is gone
#pragma once

#include <dshow.h>

#include <string>
#include <vector>

#include "GraphDescription.h"

struct PinModel {
  std::wstring name;
  bool bOutput = false;
  // The peer, by indexes into GraphModel::filters and its pins; -1 when unconnected.
  int nPeerFilter = -1;
  int nPeerPin = -1;
  std::wstring mediaType;  // of the connection, read on the output side
  // The connection's type when connected, else the types the pin prefers (at most kMaxTypes).
  std::vector<graphfile::MediaTypeDesc> types;

  static const size_t kMaxTypes = 16;

  bool operator==(const PinModel& other) const {
    return name == other.name && bOutput == other.bOutput && nPeerFilter == other.nPeerFilter &&
           nPeerPin == other.nPeerPin && mediaType == other.mediaType && types == other.types;
  }
};

struct FilterModel {
  std::wstring name;
  CLSID clsid = CLSID_NULL;  // CLSID_NULL when the filter does not tell it
  std::vector<PinModel> pins;

  bool operator==(const FilterModel& other) const {
    return name == other.name && clsid == other.clsid && pins == other.pins;
  }
};

// One connection, by its output side.
struct ConnectionRef {
  int nFilter;
  int nPin;
};

struct GraphModel {
  std::vector<FilterModel> filters;
  bool bHasState = false;  // false when the graph's state cannot be read
  OAFilterState state = State_Stopped;

  bool operator==(const GraphModel& other) const {
    return filters == other.filters && bHasState == other.bHasState && state == other.state;
  }
  bool operator!=(const GraphModel& other) const { return !(*this == other); }

  std::vector<ConnectionRef> Connections() const;
  // "Video Generator.Output -> Resizer.Input"
  std::wstring ConnectionName(const ConnectionRef& connection) const;
};

HRESULT ReadGraph(IFilterGraph* pGraph, GraphModel* pModel);
bool IsLostServer(HRESULT hr);
