// Resource numbers shared by the resource script and the C++ code.
// Plain #defines only: windres reads this file too.
#ifndef QUILLBAY_RESOURCE_IDS_H
#define QUILLBAY_RESOURCE_IDS_H

// Program icon. The lowest icon number, so Explorer shows it for the executable.
#define IDI_PROGRAM 1

// The 23 images of the main image list, in index order (IDI_MAIN_FIRST + index).
// The drive-state images (3, 5, 6, 12) are also the notification-area pictures;
// their icons hold every size the notification area asks for.
#define IDI_MAIN_FIRST 100
#define IDI_MAIN_COUNT 23
#define IDI_MAIN_INFORMATION 100           // 0: information message; About
#define IDI_MAIN_WARNING 101               // 1: warning message
#define IDI_MAIN_ERROR 102                 // 2: error message
#define IDI_MAIN_DRIVE_CONNECTED 103       // 3: drive connected; Connect selected drive
#define IDI_MAIN_DISCONNECT_DRIVE 104      // 4: Disconnect selected drive
#define IDI_MAIN_DRIVE_UNKNOWN 105         // 5: drive state unknown; picture at start-up
#define IDI_MAIN_DRIVE_DISCONNECTED 106    // 6: drive disconnected
#define IDI_MAIN_CONNECT_ALL 107           // 7: Connect all drives
#define IDI_MAIN_DISCONNECT_ALL 108        // 8: Disconnect all drives
#define IDI_MAIN_ADD_DRIVE 109             // 9: Add network drive
#define IDI_MAIN_REMOVE_DRIVE 110          // 10: Remove network drive
#define IDI_MAIN_PROPERTIES 111            // 11: Properties
#define IDI_MAIN_DRIVE_ERROR 112           // 12: drive in error
#define IDI_MAIN_PREFERENCES 113           // 13: Preferences
#define IDI_MAIN_IMPORT 114                // 14: Import network drives
#define IDI_MAIN_HELP 115                  // 15: Help
#define IDI_MAIN_UNUSED_16 116             // 16: not used (plain network drive)
#define IDI_MAIN_OPEN 117                  // 17: Open
#define IDI_MAIN_UNUSED_18 118             // 18: not used (reconnect arrows)
#define IDI_MAIN_UNUSED_19 119             // 19: not used (timer)
#define IDI_MAIN_PROGRAM 120               // 20: program message; program rows
#define IDI_MAIN_VOLUME 121                // 21: volume message; volume rows
#define IDI_MAIN_REMOVE_ALL 122            // 22: Remove all network drives

// Pictures of the language list, in the order of its image list
// (IDI_LANGUAGE_FIRST + picture index). Indices 1 and 8 belong to no
// language and hold a neutral globe, so the list loads without gaps.
#define IDI_LANGUAGE_FIRST 200
#define IDI_LANGUAGE_COUNT 10
#define IDI_LANGUAGE_ENGLISH 200           // 0
#define IDI_LANGUAGE_UNUSED_1 201          // 1
#define IDI_LANGUAGE_DUTCH 202             // 2: Nederlands
#define IDI_LANGUAGE_GERMAN 203            // 3: Deutsch
#define IDI_LANGUAGE_FRENCH 204            // 4: Français
#define IDI_LANGUAGE_ITALIAN 205           // 5: Italiano
#define IDI_LANGUAGE_SPANISH 206           // 6: Español
#define IDI_LANGUAGE_SWEDISH 207           // 7: Svenska
#define IDI_LANGUAGE_UNUSED_8 208          // 8
#define IDI_LANGUAGE_DANISH 209            // 9: Dansk

// Section headings of the drive properties dialog (Image1 to Image4).
#define IDI_SECTION_MAP_DRIVE 300          // "Map network drive"
#define IDI_SECTION_USER_NAME 301          // "Connect using a different user name"
#define IDI_SECTION_RUN_PROGRAMS 302       // "Run programs"
#define IDI_SECTION_TRUECRYPT 303          // "TrueCrypt integration"

// 32 x 32 pictures of the program and volume dialogs (their Image1).
#define IDI_DIALOG_RUN_PROGRAM 310
#define IDI_DIALOG_TRUECRYPT_VOLUME 311

// Tab pictures of the preferences dialog, 32 x 32, in tab order.
#define IDI_TAB_GENERAL 320
#define IDI_TAB_LANGUAGE 321
#define IDI_TAB_TRUECRYPT 322
#define IDI_TAB_ADVANCED 323

// Glyphs of the order buttons beside the program and volume lists.
#define IDI_MOVE_UP 330
#define IDI_MOVE_DOWN 331

// Glyph of the browse button beside the TrueCrypt program location.
#define IDI_BROWSE 340

// About picture, 52 x 52: an icon (also 78 and 104 for larger DPI)
// and the same picture as a 32-bit bitmap with alpha.
#define IDI_ABOUT 350
#define IDB_ABOUT 351

// Version resource and manifest use the numbers Windows expects (1).

#endif
