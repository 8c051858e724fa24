// Resource ids of the player program, shared by player.rc and the code.
#pragma once

#define IDI_PLAYER 101
#define IDM_PLAYER 103
#define IDI_PLAYER_SMALL 104
#define IDD_PLAYER_ABOUT 105
#define IDB_PLAYER_PICTURE 106

#define IDC_ABOUT_LINK 1000

#define IDM_PLAY_VIDEO 40001
#define IDM_STOP_VIDEO 40002
#define IDM_ABOUT 40003
#define IDM_PAUSE_VIDEO 40004
