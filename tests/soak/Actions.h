// The tester's actions the soak draws: each a value that is printed, read back and replayed
// on a fresh bench.
//
//   Kind      what an action does; n, mode and text say with what (below)
//   Action    one action
//   Scene     what the screen offers now: a message box, a graph's controls, a viewer
//   Palette   the files and values actions choose from
//   Draw      a random action for the scene, from the seeded generator
//   Perform   the action done the way a tester does it, waiting (bounded) for what it opens
//             and closes; Skipped when the screen gives it no way (a disabled control, no viewer)
//   Describe  an action's line; Parse reads it back; KindName its first word
#pragma once

#include <windows.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "Bench.h"

namespace soak {

enum class Kind {
  Source,           // n: 201 ".grf" or 202 the generated chain
  TypeFile,         // text: the file box's new text
  LoadFile,         // text: the file chosen in the open-file dialog; empty: the dialog cancelled
  Click,            // n: a button or check box of the dialog (205 is GeneratorPage)
  Algorithm,        // n: the list's row
  Value,            // n: box 212, 224 or 226; text typed; mode 0: Enter, 1: its button, 2: left typed
  GeneratorPage,    // text: the stream's duration typed, empty: unchanged; mode 0: OK, 1: Cancel
  CloseBox,         // the bench's message box closed by its button
  CloseBench,       // mode: 0 Escape, 1 close box, 2 system menu, 3 WM_CLOSE
  ViewerConnect,    // mode 0: the bench's graph chosen in the connect dialog, 1: the dialog cancelled
  ViewerCommand,    // n: the viewer's command (disconnect, run, pause, stop, refresh)
  ViewerMediaType,  // the first connection's media type page opened and closed
  ViewerClose,      // mode 0: WM_CLOSE, 1: File > Exit
};

struct Action {
  explicit Action(Kind k = Kind::Click, int nArg = 0, int nMode = 0, std::wstring textArg = std::wstring())
      : kind(k), n(nArg), mode(nMode), text(std::move(textArg)) {}
  Kind kind;
  int n;
  int mode;
  std::wstring text;
};

struct Scene {
  bool bMessageBox = false;
  bool bGraphControls = false;
  bool bGenerator = false;
  bool bViewer = false;
};

struct Palette {
  std::vector<std::wstring> files;          // for the file box: good, missing, cut, not a graph, too long, empty
  std::vector<std::wstring> existingFiles;  // for the open-file dialog
};

Scene Observe(const Bench& bench);
Action Draw(std::mt19937& rng, const Scene& scene, const Palette& palette);

enum class Outcome { Done, Skipped, Stuck };
Outcome Perform(Bench& bench, const Action& action, std::string* pWhy);

const char* KindName(Kind kind);
std::string Describe(const Action& action);
bool Parse(const std::string& line, Action* pAction);

}  // namespace soak
