/* Menu command identifiers, shared by the resource script and the program. */
#pragma once

#define IDM_HEAVYCLEAN 101
#define IDM_ABOUT 102
#define IDM_SMALLCLEAN 103
#define IDM_HIDE 104
#define IDM_EXIT 105
