// The common dialogs (colour, font, open and save file) from "comdlg32.dll",
// bound when one is first opened. Linked with the program, that library and
// the printing libraries it brings along cost about 1.5 MB of private memory
// and part of every start, for dialogs most runs never open.
#pragma once
#include <windows.h>
#include <commdlg.h>

// Each as its platform function; FALSE when the library or the function is missing.
BOOL CommonChooseColour(CHOOSECOLORW* cc);
BOOL CommonChooseFont(CHOOSEFONTW* cf);
BOOL CommonGetOpenFileName(OPENFILENAMEW* ofn);
BOOL CommonGetSaveFileName(OPENFILENAMEW* ofn);
