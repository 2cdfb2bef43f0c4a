// A media type as text, for the viewer and its property page.
//
//   DescribeMediaType   major type, subtype, format and sample size, one per line (CRLF)
//   FreeMediaTypeBlock  frees what an AM_MEDIA_TYPE filled by a pin holds
#pragma once

#include <dshow.h>

#include <string>

std::wstring DescribeMediaType(const AM_MEDIA_TYPE& mt);
void FreeMediaTypeBlock(AM_MEDIA_TYPE* pmt);
