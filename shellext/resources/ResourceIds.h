#pragma once
// Resource numbers of the library; shared by the resource script and the code that loads them.
// Plain numbers without <windows.h>, so that the portable rule tables can name them too.

// Bitmaps
#define IDB_MENU_DROVANA 107 // submenu and item 1
#define IDB_MENU_ITEM4 112
#define IDB_MENU_ITEM3 113
#define IDB_MENU_ITEM2 114
#define IDB_MENU_ITEM5 115
#define IDB_PROMPT_FRAME 116     // 26 x 27, frame around the user picture
#define IDB_PROMPT_SEPARATOR 117 // 2 x 38
#define IDB_PROMPT_CROSS 118     // 18 x 18
#define IDB_PROMPT_BAND 119      // 10 x 44, stretched behind the band
#define IDB_DEFAULT_AVATAR 120   // 26 x 26

// Icons
#define IDI_PRODUCT 121 // the product mark: Explorer's command menu on Windows 11

// Sign-in prompt dialog and its controls
#define IDD_SIGNIN_PROMPT 111
#define IDC_PROMPT_NICKNAME 1001
#define IDC_PROMPT_LINK 1002
#define IDC_PROMPT_PICTURE 1006
#define IDC_PROMPT_STATUS 1007

// Strings 122..147 (the copy guard's messages, the prompt's texts, the product name)
#define IDS_FIRST_MESSAGE 122
#define IDS_GUARD_CAPTION 124
#define IDS_PROMPT_LOGIN_NOW 145
#define IDS_PROMPT_NOT_LOGIN 146
#define IDS_PRODUCT_NAME 147
