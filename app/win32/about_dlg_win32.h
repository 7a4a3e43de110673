// The About box, from template 100: the program's description and version, and its copyright,
// read from the program's own version resource.
#pragma once

#include <windows.h>

INT_PTR run_about_box(HWND owner);
