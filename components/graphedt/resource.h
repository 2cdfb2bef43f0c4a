// Resource and command identifiers of graphedt.exe.
#pragma once

#define IDR_MAIN 100
#define IDD_CONNECT 101
#define IDD_INSERT 102

// The connect command's identifier is part of the viewer's contract with the bench.
#define ID_FILE_CONNECT 32820
#define ID_FILE_DISCONNECT 32821
#define ID_FILE_EXIT 32822
#define ID_FILE_NEW 32823
#define ID_FILE_OPEN 32824
#define ID_FILE_SAVE 32825
#define ID_FILE_SAVEAS 32826
#define ID_EDIT_REMOVE 32827
#define ID_FILE_RENDER 32828
#define ID_EDIT_INSERT 32829
#define ID_GRAPH_RUN 32830
#define ID_GRAPH_PAUSE 32831
#define ID_GRAPH_STOP 32832
#define ID_GRAPH_REFRESH 32833
#define ID_GRAPH_MEDIATYPE 32834
#define ID_GRAPH_NEXT 32835
#define ID_GRAPH_RENDERPIN 32836
#define ID_GRAPH_PROPERTIES 32837

#define IDC_GRAPHLIST 1001
#define IDC_LISTREFRESH 1002
#define IDC_ELEMENTS 2001
#define IDC_STATUS 2002
#define IDC_DETAIL 2003
#define IDC_INSERT_SEARCH 3001
#define IDC_INSERT_CATEGORY 3002
#define IDC_INSERT_LIST 3003
#define IDC_INSERT_DETAIL 3004
