#include "KeyboardInput.h"

#include <vector>

#include "UiDriver.h"

namespace harness {

namespace {

INPUT Key(WORD vk, bool bUp) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = bUp ? KEYEVENTF_KEYUP : 0;
  return input;
}

}  // namespace

bool TypeChord(HWND hWndTop, std::initializer_list<WORD> modifiers, WORD vk) {
  if (!WaitUntil([&] {
        ::SetForegroundWindow(hWndTop);
        return ::GetForegroundWindow() == hWndTop;
      }))
    return false;
  std::vector<INPUT> inputs;
  for (WORD modifier : modifiers) inputs.push_back(Key(modifier, false));
  inputs.push_back(Key(vk, false));
  inputs.push_back(Key(vk, true));
  for (auto it = modifiers.end(); it != modifiers.begin();) inputs.push_back(Key(*--it, true));
  return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

}  // namespace harness
