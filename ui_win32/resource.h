// The numbers of the Windows program's own resources: its dialog templates and their controls.
// The icons 1 (the program's) and 2 (piece files') come from cmake/windows/program.rc.in.
#pragma once

// Dialog templates.
#define IDD_NEW_PANEL 100       // the piece-size panel under the New dialog
#define IDD_ASSEMBLE_PANEL 101  // the panel over the assemble folder dialog
#define IDD_CHOOSE_SIZE 102     // the piece-size dialog of the start-up add
#define IDD_PROTECT 103
#define IDD_ERROR_LIST 104
#define IDD_ABOUT 105

// Controls.
#define IDC_CUSTOM 1001    // "Cus&tomed size:" (New panel)
#define IDC_SPECIFIC 1002  // "&Specific size:" (a radio button on the panel, a box alone)
#define IDC_SIZE_LABEL 1003
#define IDC_SIZE_VALUE 1004
#define IDC_UNIT_LABEL 1005
#define IDC_UNIT 1006
#define IDC_PRESET_LABEL 1007
#define IDC_PRESET 1008
#define IDC_FOLDER_LABEL 1010
#define IDC_FOLDER 1011
#define IDC_PROTECT_TEXT 1020
#define IDC_REDUNDANCY_LABEL 1021
#define IDC_REDUNDANCY 1022
#define IDC_ERRORS 1030
#define IDC_ABOUT_ICON 1040
#define IDC_ABOUT_VERSION 1041
#define IDC_ABOUT_COPYRIGHT 1042
#define IDC_ABOUT_TEAM 1043
#define IDC_ABOUT_LINK1 1044
#define IDC_ABOUT_LINK2 1045

// The main window's children.
#define IDC_TOOLBAR 2001
#define IDC_LIST 2002
#define IDC_STATUS 2003
#define IDC_PROGRESS 2004
// Menu and toolbar commands are kCommandBase + the session's command number.
#define IDM_COMMAND_BASE 3000
