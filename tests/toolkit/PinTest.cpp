// GetPin, CheckPin and RenderFilter on doubles: every failure and every rule of the choice.
#include <gmock/gmock.h>

#include <memory>

#include "AssertRecorder.h"
#include "DSGraph.h"
#include "FreeRecorder.h"
#include "TestSupport.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

const char kHrIsSOk[] = "hr == ((HRESULT)0L)";
const char kNextFailed[] = "!L\"CheckPin(): spEnumMT->Next() FAILED\"";
const char kEnumMTFailed[] = "!L\"CheckPin(): pPin->EnumMediaTypes() FAILED\"";
const char kCantFind[] = "!L\"RenderFilter(): Can't find disconnected output pin\"";
const char kRenderFailed[] = "!L\"RenderFilter(): pGraph->Render() FAILED\"";

enum Connection { kFree, kConnected };

// A filter of doubles whose pins are enumerated in the order they are added.
// On leaving, every reference is back with its test, every media type record
// freed exactly once.
class PinBoard {
public:
  PinBoard() { filter.pPins = &enumerator; }
  ~PinBoard() {
    EXPECT_EQ(1u, filter.Refs());
    EXPECT_EQ(1u, enumerator.Refs());
    EXPECT_EQ(1u, peer.Refs());
    EXPECT_EQ(1u, unk.Refs());
    for (auto& pPin : pins) EXPECT_EQ(1u, pPin->Refs());
    EXPECT_TRUE(frees.Active());
    for (auto& pTypes : types) {
      EXPECT_EQ(1u, pTypes->Refs());
      for (void* pv : pTypes->blocks) EXPECT_EQ(1, frees.Count(pv));
    }
  }

  // A pin offering the given major types, each with a format block and a pUnk.
  FakePin& Add(PIN_DIRECTION dir, Connection conn = kFree, std::vector<GUID> majors = {}) {
    pins.emplace_back(new FakePin(dir));
    FakePin& pin = *pins.back();
    if (conn == kConnected) pin.pPeer = &peer;
    types.emplace_back(new FakeEnumMediaTypes);
    for (const GUID& major : majors) types.back()->m_items.push_back({major, &unk});
    pin.pMediaTypes = types.back().get();
    enumerator.m_items.push_back(&pin);
    return pin;
  }
  IPin* Pin(int n) { return pins[n].get(); }

  FreeRecorder frees;  // first, so that it outlives everything it watches
  FakeFilter filter;
  FakeEnumPins enumerator;
  FakePin peer{PINDIR_INPUT};
  FakeUnknown unk;
  std::vector<std::unique_ptr<FakePin>> pins;
  std::vector<std::unique_ptr<FakeEnumMediaTypes>> types;
};

TEST(GetPin, PreconditionsInTheirOrder) {
  FakeFilter filter;
  FakePin held;
  AssertRecorder asserts;
  EXPECT_EQ(E_POINTER, GetPin(&filter, false, false, GUID_NULL, nullptr));
  EXPECT_THAT(asserts.Texts(), ElementsAre("ppPin != 0"));
  asserts.Clear();

  // The output is cleared before the filter is looked at, and not released.
  IPin* pOut = &held;
  EXPECT_EQ(E_FAIL, GetPin(nullptr, false, false, GUID_NULL, &pOut));
  EXPECT_THAT(asserts.Texts(),
              ElementsAre("*ppPin == 0 && L\"The pin pointer must be free\"", "pFilter != 0"));
  EXPECT_EQ(nullptr, pOut);
  EXPECT_EQ(1u, held.Refs());
  EXPECT_EQ(1u, filter.Refs());
}

TEST(GetPin, FailuresEndTheSearchWithTheirCode) {
  struct Case {
    const char* label;
    void (*arrange)(PinBoard&);
    HRESULT hr;
    const char* text;
    int nNextCalls;
  } cases[] = {
      {"EnumPins fails", [](PinBoard& b) { b.filter.hrEnumPins = E_OUTOFMEMORY; }, E_OUTOFMEMORY,
       kHrIsSOk, 0},
      {"EnumPins answers an odd success code", [](PinBoard& b) { b.filter.hrEnumPins = 2; }, 2,
       kHrIsSOk, 0},
      {"Next fails",
       [](PinBoard& b) {
         b.enumerator.nFailAt = 0;
         b.enumerator.hrFail = VFW_E_ENUM_OUT_OF_SYNC;
       },
       VFW_E_ENUM_OUT_OF_SYNC, kHrIsSOk, 1},
      {"Next answers an odd success code with a pin",
       [](PinBoard& b) {
         b.enumerator.nFailAt = 0;
         b.enumerator.hrFail = 2;
         b.enumerator.bDeliverOnFail = true;
       },
       2, kHrIsSOk, 1},
      {"Next claims a pin it does not deliver",
       [](PinBoard& b) {
         b.enumerator.nFailAt = 0;
         b.enumerator.hrFail = S_OK;
       },
       E_FAIL, "cFetched == 1", 1},
      {"QueryDirection fails", [](PinBoard& b) { b.pins[0]->hrQueryDirection = E_UNEXPECTED; },
       E_UNEXPECTED, "!L\"GetPin(): spPin->QueryDirection() FAILED\"", 1},
      {"QueryDirection answers S_FALSE", [](PinBoard& b) { b.pins[0]->hrQueryDirection = S_FALSE; },
       S_FALSE, "!L\"GetPin(): spPin->QueryDirection() FAILED\"", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    PinBoard board;
    board.Add(PINDIR_OUTPUT);
    board.Add(PINDIR_OUTPUT);
    c.arrange(board);
    IPin* pOut = nullptr;
    AssertRecorder asserts;
    EXPECT_EQ(c.hr, GetPin(&board.filter, false, false, GUID_NULL, &pOut));
    EXPECT_THAT(asserts.Texts(), ElementsAre(c.text));
    EXPECT_EQ(nullptr, pOut);
    EXPECT_EQ(c.nNextCalls, board.enumerator.nNextCalls);
  }
}

TEST(GetPin, ChoosesTheFirstQualifyingPin) {
  struct Case {
    const char* label;
    void (*arrange)(PinBoard&);
    bool bInput;
    bool bConnected;
    const GUID& majorType;
    int nChosen;  // -1: none qualifies, S_FALSE
    std::vector<const char*> texts;
  } cases[] = {
      {"no pins", [](PinBoard&) {}, false, false, GUID_NULL, -1, {}},
      {"only the other direction",
       [](PinBoard& b) {
         b.Add(PINDIR_INPUT);
         b.Add(PINDIR_INPUT);
       },
       false, false, GUID_NULL, -1, {}},
      {"only the other connection state",
       [](PinBoard& b) {
         b.Add(PINDIR_OUTPUT, kConnected);
         b.Add(PINDIR_OUTPUT, kConnected);
       },
       false, false, GUID_NULL, -1, {}},
      {"first of two",
       [](PinBoard& b) {
         b.Add(PINDIR_OUTPUT);
         b.Add(PINDIR_OUTPUT);
       },
       false, false, GUID_NULL, 0, {}},
      {"behind another direction and state",
       [](PinBoard& b) {
         b.Add(PINDIR_INPUT);
         b.Add(PINDIR_OUTPUT, kConnected);
         b.Add(PINDIR_OUTPUT);
       },
       false, false, GUID_NULL, 2, {}},
      {"an input",
       [](PinBoard& b) {
         b.Add(PINDIR_OUTPUT);
         b.Add(PINDIR_INPUT);
       },
       true, false, GUID_NULL, 1, {}},
      {"a connected one",
       [](PinBoard& b) {
         b.Add(PINDIR_OUTPUT);
         b.Add(PINDIR_OUTPUT, kConnected);
       },
       false, true, GUID_NULL, 1, {}},
      {"an odd ConnectedTo is never free",
       [](PinBoard& b) {
         FakePin& pin = b.Add(PINDIR_OUTPUT, kConnected);
         pin.hrConnectedTo = E_UNEXPECTED;
       },
       false, false, GUID_NULL, -1, {}},
      {"an odd ConnectedTo is never connected",
       [](PinBoard& b) {
         FakePin& pin = b.Add(PINDIR_OUTPUT, kConnected);
         pin.hrConnectedTo = S_FALSE;
       },
       false, true, GUID_NULL, -1, {}},
      {"only the first media type counts",
       [](PinBoard& b) {
         b.Add(PINDIR_OUTPUT, kFree, {MEDIATYPE_Audio, MEDIATYPE_Video});
         b.Add(PINDIR_OUTPUT, kFree, {MEDIATYPE_Video, MEDIATYPE_Audio});
       },
       false, false, MEDIATYPE_Video, 1, {}},
      {"no media type is skipped when a type is wanted",
       [](PinBoard& b) { b.Add(PINDIR_OUTPUT); }, false, false, MEDIATYPE_Video, -1,
       {kNextFailed}},
      {"no media type qualifies without a type test",
       [](PinBoard& b) { b.Add(PINDIR_OUTPUT); }, false, false, GUID_NULL, 0, {}},
      {"a failing CheckPin only skips the pin",
       [](PinBoard& b) {
         b.Add(PINDIR_OUTPUT, kFree, {MEDIATYPE_Video}).hrEnumMediaTypes = E_OUTOFMEMORY;
         b.Add(PINDIR_OUTPUT, kFree, {MEDIATYPE_Video});
       },
       false, false, MEDIATYPE_Video, 1, {kEnumMTFailed}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    PinBoard board;
    c.arrange(board);
    CComPtr<IPin> spPin;
    AssertRecorder asserts;
    EXPECT_EQ(c.nChosen < 0 ? S_FALSE : S_OK,
              GetPin(&board.filter, c.bInput, c.bConnected, c.majorType, &spPin));
    EXPECT_THAT(asserts.Texts(), ElementsAreArray(c.texts));
    if (c.nChosen < 0) {
      EXPECT_EQ(nullptr, spPin.p);
      continue;
    }
    EXPECT_EQ(board.Pin(c.nChosen), spPin.p);
    // The test's and the caller's.
    EXPECT_EQ(2u, board.pins[c.nChosen]->Refs());
    // The chosen pin ends the search.
    EXPECT_EQ(c.nChosen + 1, board.enumerator.nNextCalls);
  }
}

TEST(CheckPin, NullPin) {
  AssertRecorder asserts;
  EXPECT_EQ(E_INVALIDARG, CheckPin(nullptr, MEDIATYPE_Video));
  EXPECT_THAT(asserts.Texts(), ElementsAre("pPin != 0"));
}

TEST(CheckPin, ComparesTheFirstMediaTypeAndFreesItsRecord) {
  struct Case {
    const char* label;
    std::vector<GUID> majors;
    void (*arrange)(FakePin&);
    HRESULT hr;
    std::vector<const char*> texts;
  } cases[] = {
      {"match", {MEDIATYPE_Video}, [](FakePin&) {}, S_OK, {}},
      {"another type", {MEDIATYPE_Audio}, [](FakePin&) {}, S_FALSE, {}},
      {"a later match does not count", {MEDIATYPE_Audio, MEDIATYPE_Video}, [](FakePin&) {}, S_FALSE,
       {}},
      {"no media type", {}, [](FakePin&) {}, S_FALSE, {kNextFailed}},
      {"EnumMediaTypes fails", {MEDIATYPE_Video},
       [](FakePin& p) { p.hrEnumMediaTypes = VFW_E_NOT_CONNECTED; }, VFW_E_NOT_CONNECTED,
       {kEnumMTFailed}},
      {"EnumMediaTypes answers S_FALSE", {MEDIATYPE_Video},
       [](FakePin& p) { p.hrEnumMediaTypes = S_FALSE; }, S_FALSE, {kEnumMTFailed}},
      {"Next fails", {MEDIATYPE_Video},
       [](FakePin& p) {
         p.pMediaTypes->nFailAt = 0;
         p.pMediaTypes->hrFail = E_OUTOFMEMORY;
       },
       E_OUTOFMEMORY, {kNextFailed}},
      {"Next answers an odd success code with a record", {MEDIATYPE_Video},
       [](FakePin& p) {
         p.pMediaTypes->nFailAt = 0;
         p.pMediaTypes->hrFail = 2;
         p.pMediaTypes->bDeliverOnFail = true;
       },
       2, {kNextFailed}},
      {"Next claims a record it does not deliver", {MEDIATYPE_Video},
       [](FakePin& p) {
         p.pMediaTypes->nFailAt = 0;
         p.pMediaTypes->hrFail = S_OK;
       },
       E_FAIL, {"!L\"CheckPin(): pmt = NULL\""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    PinBoard board;
    FakePin& pin = board.Add(PINDIR_OUTPUT, kFree, c.majors);
    c.arrange(pin);
    AssertRecorder asserts;
    EXPECT_EQ(c.hr, CheckPin(&pin, MEDIATYPE_Video));
    EXPECT_THAT(asserts.Texts(), ElementsAreArray(c.texts));
    EXPECT_LE(pin.pMediaTypes->nNextCalls, 1);
  }
}

TEST(RenderFilter, Preconditions) {
  FakeGraph graph;
  FakeFilter filter;
  AssertRecorder asserts;
  EXPECT_EQ(E_INVALIDARG, RenderFilter(nullptr, nullptr));
  EXPECT_THAT(asserts.Texts(), ElementsAre("pGraph != 0"));
  asserts.Clear();
  // GetPin would answer E_FAIL; RenderFilter checks first.
  EXPECT_EQ(E_INVALIDARG, RenderFilter(&graph, nullptr));
  EXPECT_THAT(asserts.Texts(), ElementsAre("pFilter != 0"));
  EXPECT_EQ(1u, graph.Refs());
  EXPECT_EQ(1u, filter.Refs());
}

TEST(RenderFilter, WithoutAFreeOutputRendersNothing) {
  struct Case {
    const char* label;
    void (*arrange)(PinBoard&);
    HRESULT hr;
    std::vector<const char*> texts;
  } cases[] = {
      {"all outputs connected",
       [](PinBoard& b) {
         b.Add(PINDIR_INPUT);
         b.Add(PINDIR_OUTPUT, kConnected);
       },
       S_FALSE, {kHrIsSOk, kCantFind}},
      {"GetPin fails",
       [](PinBoard& b) {
         b.Add(PINDIR_OUTPUT);
         b.filter.hrEnumPins = E_OUTOFMEMORY;
       },
       E_OUTOFMEMORY, {kHrIsSOk, kHrIsSOk, kCantFind}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    PinBoard board;
    c.arrange(board);
    FakeGraph graph;
    AssertRecorder asserts;
    EXPECT_EQ(c.hr, RenderFilter(&graph, &board.filter));
    EXPECT_THAT(asserts.Texts(), ElementsAreArray(c.texts));
    EXPECT_THAT(graph.rendered, IsEmpty());
    EXPECT_EQ(1u, graph.Refs());
  }
}

TEST(RenderFilter, RendersTheFirstFreeOutputAndReturnsRendersAnswer) {
  struct Case {
    HRESULT hrRender;
    std::vector<const char*> texts;
  } cases[] = {
      {S_OK, {}},
      {VFW_S_PARTIAL_RENDER, {kRenderFailed}},
      {VFW_E_CANNOT_RENDER, {kRenderFailed}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hrRender);
    PinBoard board;
    board.Add(PINDIR_INPUT);
    board.Add(PINDIR_OUTPUT, kConnected);
    board.Add(PINDIR_OUTPUT);
    board.Add(PINDIR_OUTPUT);
    FakeGraph graph;
    graph.hrRender = c.hrRender;
    AssertRecorder asserts;
    EXPECT_EQ(c.hrRender, RenderFilter(&graph, &board.filter));
    EXPECT_THAT(asserts.Texts(), ElementsAreArray(c.texts));
    EXPECT_THAT(graph.rendered, ElementsAre(board.Pin(2)));
    EXPECT_EQ(1u, graph.Refs());
  }
}

}  // namespace
