// The filter graphs that other processes published in the running object table.
//
//   PublishedGraph        one entry: its cookie name, process and graph number, list text
//   ParseCookieName       reads "FilterGraph %08x pid %08x" (with or without the "!" delimiter), each
//                         number of 8 to 16 digits as a 64-bit publisher may write it
//   ListPublishedGraphs   every entry of that form from other processes, in table order
//   BindPublishedGraph    the graph published under a cookie name, from the table
#pragma once

#include <dshow.h>

#include <string>
#include <vector>

struct PublishedGraph {
  std::wstring cookieName;  // the item name, without the delimiter
  DWORD dwProcessId = 0;
  DWORD dwGraph = 0;  // the low 32 bits of the number the cookie name carries
  std::wstring text;  // what the connect dialog lists
};

bool ParseCookieName(LPCWSTR pszName, DWORD* pdwGraph, DWORD* pdwProcessId);

// Entries of this process are left out: a viewer does not show itself.
HRESULT ListPublishedGraphs(std::vector<PublishedGraph>* pGraphs);

HRESULT BindPublishedGraph(const std::wstring& cookieName, IFilterGraph** ppGraph);
