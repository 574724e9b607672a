// Resource identifiers of the installer, shared by the resource scripts and the C++ code.
// Plain #defines so that windres and the compiler read the same file.
#ifndef SARVELIO_INSTALLER_RESOURCE_H
#define SARVELIO_INSTALLER_RESOURCE_H

// ---- Icons and bitmaps --------------------------------------------------
#define IDR_MAINFRAME 128 // program icon
#define IDI_PROGRAM 128

// Language flags (16 x 12, with a 32 x 24 image); there is no icon 159.
#define IDI_FLAG_FIRST 141
#define IDI_FLAG_GERMAN 141
#define IDI_FLAG_DANISH 142
#define IDI_FLAG_SPANISH 143
#define IDI_FLAG_FRENCH 144
#define IDI_FLAG_ENGLISH 145
#define IDI_FLAG_ITALIAN 146
#define IDI_FLAG_DUTCH 147
#define IDI_FLAG_PORTUGUESE 148
#define IDI_FLAG_TURKISH 149
#define IDI_FLAG_BULGARIAN 150
#define IDI_FLAG_ROMANIAN 151
#define IDI_FLAG_CHINESE 152
#define IDI_FLAG_CZECH 153
#define IDI_FLAG_NORWEGIAN 154
#define IDI_FLAG_GREEK 155
#define IDI_FLAG_POLISH 156
#define IDI_FLAG_HEBREW 157
#define IDI_FLAG_VIETNAMESE 158
#define IDI_FLAG_JAPANESE 160
#define IDI_FLAG_HUNGARIAN 161
#define IDI_FLAG_SERBIAN 162
#define IDI_FLAG_LAST 162

#define IDB_BANNER 137 // 87 x 171, 8 bits per pixel

// ---- Payload: the bzip2 archive of the files to install -----------------
#define RT_PAYLOAD 260 // custom resource type
#define IDR_PAYLOAD 134

// ---- Dialog templates ---------------------------------------------------
#define IDD_ABOUTBOX 100
#define IDD_INSTALL_FRAME 102   // CInstallDlg, the wizard frame
#define IDD_PAGE_START 132      // CDlgStart: language and situation
#define IDD_PAGE_PATH 133       // CDlgPath: installation folder
#define IDD_PAGE_SHORTCUT 134   // CDlgShortcut: start-menu folder, shortcuts
#define IDD_PAGE_INSTALL 135    // CDlgInstall: log, progress, status
#define IDD_PAGE_MODE 136       // CDlgMode: quick or advanced installation
#define IDD_PAGE_END 137        // CDlgEnd: final message

// ---- Controls of the dialog templates (dialogs.rc) ----------------------
#ifndef IDC_STATIC
#define IDC_STATIC (-1) // controls the code never addresses
#endif
// Frame (102); its buttons are IDOK (Next), IDCANCEL (Exit) and IDC_BACK.
#define IDC_BACK 3
#define IDC_SEPARATOR 1002       // etched line above the buttons
#define IDC_BANNER_BACKDROP 1005 // white strip behind the banner picture
// About box (100)
#define IDC_ABOUT_PRODUCT 1019 // product and version text
#define IDC_ABOUT_LEGAL 1020   // legal notice
// Shared by the pages
#define IDC_INSTRUCTION 1003 // instruction or status line at the foot of a page
#define IDC_BROWSE 1006      // Browse... (path and shortcut pages)
#define IDC_FOLDER_EDIT 1007 // folder edit box (path and shortcut pages)
// Start page (132)
#define IDC_SITUATION 1016
#define IDC_LEGAL_NOTICE 1020
#define IDC_LANGUAGE_CAPTION 1022
#define IDC_LANGUAGE_LIST 1023
// Mode page (136)
#define IDC_QUICK_INSTALL 1018
#define IDC_ADVANCED_INSTALL 1019
#define IDC_METHOD_GROUP 1021
// Path page (133)
#define IDC_FOLDER_GROUP 1008
#define IDC_FOLDER_LABEL 1009
// Shortcut page (134)
#define IDC_DESKTOP_CHECK 1010
#define IDC_MENU_CHECK 1011
#define IDC_MENU_GROUP 1012
// Install page (135)
#define IDC_PROGRESS 1014
#define IDC_INSTALL_LOG 1015
// End page (137)
#define IDC_FINAL_MESSAGE 1016

// System-menu command of the About box.
#define IDM_ABOUTBOX 16

// ---- Message catalogue --------------------------------------------------
// Base numbers of the French block. The same message of another language is
// the base number plus that language's catalogue offset (English 1000,
// German 2000, ...); a text of only "#" means "not translated".
#define IDS_INSTALLER 1000                // "Installer"
#define IDS_OK 1001                       // button "OK"
#define IDS_CANCEL 1002                   // "Cancel"
#define IDS_ABOUT 1003                    // "About '%1'"
#define IDS_EXIT 1004                     // "Exit"
#define IDS_BACK 1005                     // "Back"
#define IDS_NEXT 1006                     // "Next"
#define IDS_INSTALL 1007                  // "Install"
#define IDS_BROWSE 1008                   // "Browse..."
#define IDS_START_MENU 1009               // "Start menu" (shortcut page group box)
#define IDS_FOLDER_SELECTION 1010         // "Installation Folder Selection"
#define IDS_STEP_OK 1011                  // "OK" at the end of a log line
#define IDS_STEP_FAILED 1012              // "Failed" at the end of a log line
#define IDS_UNINSTALL_SHORTCUT 1013       // "Uninstall %1" (shortcut name)
#define IDS_SELECT_LANGUAGE 1014          // "Select Installation Langage"
#define IDS_INSTALL_METHOD 1015           // "Installation Method"
#define IDS_QUICK_INSTALL 1016            // "Quick Installation (Recommended)"
#define IDS_ADVANCED_INSTALL 1017         // "Advanced Installation"
#define IDS_EXAMPLES_FOLDER 1018          // "%1 Examples" (samples folder name)
#define IDS_SITUATION_INSTALL 1100        // "'%1' Installation."
#define IDS_SITUATION_UPDATE 1101         // "Update from '%1' to '%2'."
#define IDS_ALREADY_INSTALLED 1102        // "'%1' is already installed."
#define IDS_NEWER_INSTALLED 1103          // "A more recent Version (%1) is already installed."
#define IDS_CONFIRM_REINSTALL 1104        // "Do you confirm Reinstallation ?"
#define IDS_CLICK_CONTINUE_OR_EXIT 1105   // "Click on '%1' to continue or on '%2' to exit Installation."
#define IDS_CLICK_CONTINUE 1106           // "Click on '%1' to continue."
#define IDS_CLICK_EXIT 1107               // "Click on '%1' to exit Installation."
#define IDS_CLICK_START 1108              // "Click on '%1' to start Installation."
#define IDS_LEGAL_NOTICE 1109             // one-line legal-protection notice, %1 = product
#define IDS_CONFIRM_EXIT 1110             // "Installation is not complete. ... exit Installation ?"
#define IDS_SELECT_FOLDER 1111            // "Select '%1' Installation Folder."
#define IDS_MENU_SHORTCUT 1112            // "Create a Shortcut in the following Menu:"
#define IDS_DESKTOP_SHORTCUT 1113         // "Create a Shortcut on the Desktop."
#define IDS_PREPARING 1114                // "Preparing Installation..."
#define IDS_COPYING_FILE 1115             // "Copying File  %1..."
#define IDS_CREATING_SHORTCUTS 1117       // "Shortcuts Creation..."
#define IDS_WRITING_REGISTRY 1118         // "Registry Data Writing..."
#define IDS_WRITING_INSTALL_DATA 1119     // "Installation Data Writing..."
#define IDS_INSTALL_COMPLETE 1120         // "Installation is complete."
#define IDS_INSTALL_FAILED 1121           // "Installation failed (Error Code %1)."
#define IDS_INSTALL_OPTIONS 1122          // "Installation Options" (summary heading)
#define IDS_SUMMARY_FOLDER 1123           // "Installation Folder: %1."
#define IDS_SUMMARY_MENU_SHORTCUT 1124    // "Creating a Shortcut in the Start Menu (Folder %1)."
#define IDS_SUMMARY_DESKTOP_SHORTCUT 1125 // "Creating a Shortcut on the Desktop."
#define IDS_NEED_ADMIN 1126               // "You should have Administrator Rights ..."
#define IDS_CLOSE_PRODUCT 1127            // "You should close '%1' before continuing Installation."
#define IDS_CHOOSE_LANGUAGE_FALLBACK 1129 // "'%1' will be installed in the selected Langage, ..."

#endif // SARVELIO_INSTALLER_RESOURCE_H
