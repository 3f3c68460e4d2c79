#pragma once
// Installer texts by name. Each value is the text's French identifier; every
// other language's block holds the same text at this value plus the block's
// offset below (LoadText and TextId add it). Plain #defines so that the
// resource scripts can share them.

// Offsets of the language blocks in strings.rc, in the order of the file.
#define IDS_BLOCK_FRENCH 0
#define IDS_BLOCK_ENGLISH 1000
#define IDS_BLOCK_GERMAN 2000
#define IDS_BLOCK_SPANISH 3000
#define IDS_BLOCK_PORTUGUESE 4000
#define IDS_BLOCK_ITALIAN 5000
#define IDS_BLOCK_DUTCH 6000
#define IDS_BLOCK_DANISH 7000
#define IDS_BLOCK_TURKISH 8000
#define IDS_BLOCK_CHINESE 9000
#define IDS_BLOCK_BULGARIAN 10000
#define IDS_BLOCK_ROMANIAN 11000
#define IDS_BLOCK_CZECH 12000
#define IDS_BLOCK_NORWEGIAN 13000
#define IDS_BLOCK_GREEK 14000
#define IDS_BLOCK_POLISH 15000
#define IDS_BLOCK_HEBREW 16000

#define IDS_INSTALLER_WORD 1000          // "Installer", in the window title
#define IDS_OK_BUTTON 1001
#define IDS_CANCEL_BUTTON 1002
#define IDS_ABOUT_ENTRY 1003             // "About '%1'"
#define IDS_EXIT_BUTTON 1004
#define IDS_BACK_BUTTON 1005
#define IDS_NEXT_BUTTON 1006
#define IDS_INSTALL_BUTTON 1007
#define IDS_BROWSE_BUTTON 1008
#define IDS_START_MENU_GROUP 1009
#define IDS_FOLDER_GROUP 1010
#define IDS_RESULT_OK 1011               // ends a log-box line
#define IDS_RESULT_FAILED 1012           // ends a log-box line
#define IDS_UNINSTALL_SHORTCUT 1013      // "Uninstall %1"
#define IDS_LANGUAGE_LABEL 1014
#define IDS_MODE_GROUP 1015
#define IDS_MODE_QUICK 1016
#define IDS_MODE_ADVANCED 1017
#define IDS_SAMPLE_FOLDER 1018           // "%1 Examples"

#define IDS_INFO_INSTALL 1100            // "'%1' Installation."
#define IDS_INFO_UPDATE 1101             // "Update from '%1' to '%2'."
#define IDS_INFO_SAME_VERSION 1102       // "'%1' is already installed."
#define IDS_INFO_NEWER_VERSION 1103      // "A more recent Version (%1) ..."
#define IDS_CONFIRM_REINSTALL 1104
#define IDS_STATUS_CONTINUE_OR_EXIT 1105 // "Click on '%1' to continue or on '%2' ..."
#define IDS_STATUS_CONTINUE 1106         // "Click on '%1' to continue."
#define IDS_STATUS_EXIT 1107             // "Click on '%1' to exit Installation."
#define IDS_STATUS_START_INSTALL 1108    // "Click on '%1' to start Installation."
#define IDS_COPYRIGHT 1109
#define IDS_CONFIRM_EXIT 1110
#define IDS_FOLDER_PROMPT 1111           // "Select '%1' Installation Folder."
#define IDS_MENU_SHORTCUT_OPTION 1112
#define IDS_DESKTOP_SHORTCUT_OPTION 1113
#define IDS_PREPARING 1114               // "Preparing Installation..."
#define IDS_COPYING_FILE 1115            // "Copying File  %1..."
#define IDS_CREATING_SHORTCUTS 1117      // "Shortcuts Creation..."
#define IDS_WRITING_REGISTRY 1118        // "Registry Data Writing..."
#define IDS_WRITING_INSTALL_DATA 1119    // "Installation Data Writing..."
#define IDS_INSTALL_COMPLETE 1120        // "Installation is complete."
#define IDS_INSTALL_FAILED 1121          // "Installation failed (Error Code %1)."
#define IDS_SUMMARY_HEADING 1122         // "Installation Options"
#define IDS_SUMMARY_FOLDER 1123
#define IDS_SUMMARY_MENU_SHORTCUT 1124
#define IDS_SUMMARY_DESKTOP_SHORTCUT 1125
#define IDS_NEED_ADMIN 1126
#define IDS_CLOSE_PRODUCT 1127           // "You should close '%1' ..."
#define IDS_INSTALLER_NOT_TRANSLATED 1129
