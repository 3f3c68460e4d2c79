#pragma once
// Identifiers of the dialog templates and their controls, shared by
// dialogs.rc, the wizard and the tests that drive it.

#define IDD_ABOUTBOX 100
#define IDD_INSTALL_FRAME 102
#define IDD_PAGE_START 132
#define IDD_PAGE_PATH 133
#define IDD_PAGE_SHORTCUT 134
#define IDD_PAGE_INSTALL 135
#define IDD_PAGE_MODE 136
#define IDD_PAGE_END 137

#define IDM_ABOUTBOX 16          // system-menu command of the About entry

// Frame
#define IDC_BACK 3
#define IDC_SIDE_PANEL 1005
#define IDC_SEPARATOR 1002

// Shared by several pages
#define IDC_STATUS 1003
#define IDC_INFO 1016

// Start page
#define IDC_LANGUAGE_LABEL 1022
#define IDC_LANGUAGE_LIST 1023
#define IDC_COPYRIGHT 1020

// Mode page
#define IDC_MODE_GROUP 1021
#define IDC_MODE_QUICK 1018
#define IDC_MODE_ADVANCED 1019

// Folder and shortcut pages
#define IDC_BROWSE 1006
#define IDC_FOLDER 1007
#define IDC_PATH_GROUP 1008
#define IDC_PATH_LABEL 1009
#define IDC_DESKTOP_SHORTCUT 1010
#define IDC_MENU_SHORTCUT 1011
#define IDC_MENU_GROUP 1012

// Install page
#define IDC_PROGRESS 1014
#define IDC_LOG 1015

// About box
#define IDC_ABOUT_TITLE 1019
#define IDC_ABOUT_COPYRIGHT 1020
