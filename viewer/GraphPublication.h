// GraphPublication: a graph in the running object table, served from an apartment of its own.
//
//   PublishGraph    registers an object under an item name from a new single-threaded
//                   apartment, whose thread then serves every call other processes make into
//                   it and into whatever those calls hand out (filters, pins, enumerators)
//   WithdrawGraph   revokes the registration and ends that apartment
//
// Ending the apartment releases every stub it holds. A client that keeps a proxy, ends
// without releasing it or crashes therefore keeps nothing of the object alive, which
// disconnecting the objects one by one cannot promise: an enumerator a client holds is out
// of the owner's reach and holds the graph. Calls from other processes run on the
// publication's thread, beside the owner's.
#pragma once

#include <objbase.h>
#include <windows.h>

// The table's own result (MK_S_MONIKERALREADYREGISTERED included) with *pdwCookie set, or a
// failure with *pdwCookie 0. pUnk must be usable from any thread, as a filter graph is.
HRESULT PublishGraph(IUnknown* pUnk, LPCWSTR pszItemName, DWORD* pdwCookie);

// Cookie 0 is nothing published. A cookie the table gave elsewhere is revoked directly. Waits
// at most dwTimeoutMs for the apartment to end (a call from another process may be running
// in it), then leaves it to end by itself.
void WithdrawGraph(DWORD dwCookie, DWORD dwTimeoutMs);
