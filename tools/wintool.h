// What the parts of wintool share: window handles as text, the windows of the desktop, and the
// commands kept in files of their own.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

HWND ParseHandle(const char* text);
unsigned long long HandleValue(HWND window);

std::string ClassOf(HWND window);
// The caption the system keeps for the window, read without a message to its program.
std::string CaptionOf(HWND window);
std::vector<HWND> TopLevelWindows();
std::vector<HWND> ChildWindows(HWND parent);

// wintool_windows.cpp: windows as lines of one format.
int PrintTree(const char* windowClass);
int PrintChildren(HWND parent);
int PrintInfo(HWND window);

// wintool_remote.cpp: what is read out of another process.
int PrintRows(HWND list);
int PrintProcess(HWND window);
int PrintText(HWND window);
int PrintToolTips();

// wintool_platform.cpp: answers of the platform itself.
int PrintLinkTarget(const char* link);
int PrintKeyNames(int count, char** flags);
