// Resource identifiers of the main dialog: its template and its controls.
#pragma once

#define IDD_MAIN 101

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Graph creation
#define IDC_RADIO_GRF 201
#define IDC_RADIO_VIDGEN 202
#define IDC_BTN_LOAD 203
#define IDC_EDIT_FILE 204
#define IDC_BTN_VIDGEN 205
#define IDC_BTN_BUILD 206
#define IDC_BTN_SHOW 207

// Clipping and flipping
#define IDC_BTN_SET_CLIP 211
#define IDC_EDIT_CLIP 212
#define IDC_CHECK_FLIP 213

// Resizing
#define IDC_COMBO_ALGO 220
#define IDC_CHECK_ANTIALIAS 221
#define IDC_CHECK_AUTO_SS 222
#define IDC_BTN_SET_OUTSIZE 223
#define IDC_EDIT_OUTSIZE 224
#define IDC_BTN_SET_COEFFS 225
#define IDC_EDIT_COEFFS 226
#define IDC_RADIO_FIXED 227
#define IDC_RADIO_VARIABLE 228

// Playback
#define IDC_BTN_PLAY 230
#define IDC_BTN_PAUSE 231
#define IDC_BTN_STOP 232
