// The message box through which the bench shows a failure or a notice.
//
//   ErrorMessageBox   joins a text, the platform's description of a result code and the code itself
#pragma once

#include <windows.h>

// Shows "text\ndescription\nError 0xCODE" (the parts that exist) under pszCaption and returns
// MessageBoxW's answer, 0 when the box cannot be shown. pszText may be null; hr 0 shows the text
// alone. A non-zero code with style 0 (MB_OK) gets the error icon. The owner is hWndOwner while it
// is a window, else the active window. Composed without heap memory; the text is cut to 1023 characters.
int ErrorMessageBox(HWND hWndOwner, LPCWSTR pszText, LPCWSTR pszCaption, HRESULT hr, UINT uType);
