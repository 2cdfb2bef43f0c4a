// The classes Proppage.dll serves.
//
//   CLSID_MediaTypePage   a read-only page showing the media type of a pin's
//                         connection (the object it is given must expose IPin);
//                         its class key is also how the bench tells that the
//                         viewer's tools are installed
#pragma once

#include <guiddef.h>

// {29E07010-BD27-11CE-AB59-00AA00577DA1}
DEFINE_GUID(CLSID_MediaTypePage, 0x29e07010, 0xbd27, 0x11ce, 0xab, 0x59, 0x00, 0xaa, 0x00, 0x57, 0x7d, 0xa1);
