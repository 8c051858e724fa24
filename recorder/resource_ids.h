// Resource, control and command identifiers of the recorder. Plain #defines:
// the resource script includes this file too.
#pragma once

// Resources
#define IDR_MAIN_MENU          101
#define IDI_PROGRAM            102  // first icon group: the class and program icon
#define IDI_PROGRAM_SMALL      103
#define IDD_LOCATOR            104
#define IDD_CAPTURE_SETTINGS   105
#define IDB_TOOLBAR            106  // 96 x 24, four 24 x 24 button faces
#define IDB_IDLE_PICTURE       107  // 314 x 180
#define IDD_ABOUT              108
#define IDC_LOCATOR_CURSOR     109
#define IDI_LOCATOR            111
#define IDR_SELFPLAYER         112  // type "FILEDATA": the carried player program
#define IDI_DOCUMENT           113  // fourth icon group: icon index 3 of ".zuv" files
#define IDD_PROGRESS           114
#define IDD_EXPORT_PROGRESS    115  // the export's percentage and Cancel
#define IDD_CUT                116  // the cut window
#define IDD_COUNTDOWN          200  // the seconds left before a recording starts

// Controls
#define IDC_FRAME_RATE         1000  // capture settings: frame-rate combo box
#define IDC_DESTINATION_FILE   1001  // capture settings: file name edit
#define IDC_BROWSE             1002  // capture settings: "Browse"
#define IDC_LOCATOR_ICON       1003  // locator: the icon dragged onto a window
#define IDC_ABOUT_LINK         1003  // About: the web page link
#define IDC_PROGRESS_TEXT      1003  // progress window: the stage text
#define IDC_WHOLE_SCREEN       1004  // locator: "Whole Screen"
#define IDC_WINDOW_INFO        1006  // locator: the chosen window's description
#define IDC_EXPORT_PERCENT     1007  // export progress: "Exporting... 42%"
// The export progress window's icon. Not -1 (0xFFFF), the id of a message
// box's text: this window has a caption too and is no message box.
#define IDC_EXPORT_ICON        1008
#define IDC_AREA               170   // locator: "&Area...", opens the area selector
// The cut window. Every control has an id of its own: none is 0xFFFF, the
// id of a message box's text.
#define IDC_CUT_PICTURE        1010  // the picture at the position
#define IDC_CUT_TRACKBAR       1011  // the position, one step per record
#define IDC_CUT_POSITION       1012  // "0:01.3, frame 20"
#define IDC_CUT_PART           1013  // the part's ends and length
#define IDC_CUT_SET_START      1014
#define IDC_CUT_SET_END        1015
#define IDC_CUT_TRIM           1016
#define IDC_CUT_SAVE           1017
// Capture settings: the recording keys, the countdown, the minimised window.
#define IDC_START_AFTER        201
#define IDC_PAUSE_KEY          202
#define IDC_STOP_KEY           203
#define IDC_MINIMISE           204
#define IDC_COUNTDOWN_SECONDS  205  // countdown: the seconds left
#define IDC_COUNTDOWN_HINT     206  // countdown: "Esc or F8 cancels"

// Texts
#define IDS_INVALID_KEY        210  // caption of the boxes that refuse a recording key
#define IDS_KEYS_SAME          211
#define IDS_KEY_ESCAPE         212
#define IDS_KEY_TYPES          213
#define IDS_KEY_F12            214

// Commands of the main menu and the toolbar
#define ID_CAPTURE             40001
#define ID_STOP                40002
#define ID_PLAY                40003
#define ID_PAUSE               40004
#define ID_LOAD                40006
#define ID_ABOUT               40007
#define ID_MAKE_SELF_PLAYING   40008
#define ID_EXTRACT             40011
#define ID_RESTORE_ASSOCIATION 40012
#define ID_SET_ASSOCIATION     40013  // greyed: the association is set at every start
#define ID_EXPORT_APNG         40014
#define ID_EXPORT_GIF          40015
#define ID_CUT                 40016
