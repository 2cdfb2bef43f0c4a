// Display forms of the value boxes, the forms CMainDialog::ParseNumbers reads back.
//
// Each writes into a buffer of cch characters; a longer result is cut to cch - 1 and terminated.
#pragma once

#include <windows.h>

#include <cstddef>

const size_t cchClipText = 128;
const size_t cchValueText = 64;

void FormatClippingRect(LPWSTR psz, size_t cch, const RECT& rc);          // "%i, %i, %i, %i"
void FormatOutputSize(LPWSTR psz, size_t cch, int cx, int cy);            // "%i, %i"
void FormatResizingCoeffs(LPWSTR psz, size_t cch, double dX, double dY);  // "%f, %f"
