// Resource and command identifiers, shared by the resource scripts and the code.
// Plain #defines: the resource compiler reads this file too.
#pragma once

// ---- Menus (soft-key bars and popups)
#define IDR_LIST_MENU 1                 // ListMenuBar
#define IDR_SETTINGS_DROPDOWN 144       // drop-down menu of button 40019 ("設定")
#define IDR_ACTION_MENU 147             // action menu ("アクション")
#define IDR_THREAD_MENU 148             // ThreadMenuBar
#define IDR_MENU_OK 154                 // about box, key help
#define IDR_MENU_OK_CANCEL 155          // jump, settings, debug settings
#define IDR_MENU_RESPONSE_DETAIL 156    // response detail dialog
#define IDR_MENU_REPLY 157              // modal reply editor
#define IDR_LIST_MENU_ALT 159           // ListMenuBar with Settings.Flag bit 1
#define IDR_THREAD_MENU_ALT 160         // ThreadMenuBar with Settings.Flag bit 1
#define IDR_MENU_BOARD_SOURCE 161       // board-list source dialog

// ---- Accelerators
#define IDR_ACCELERATORS 107

// ---- Dialog templates
#define IDD_ABOUT 105
#define IDD_SETTINGS 109
#define IDD_PROGRESS 114                // modeless progress dialog
#define IDD_REPLY_EDITOR 126
#define IDD_JUMP 129                    // response-number jump
#define IDD_RESPONSE_DETAIL 131
#define IDD_KEYHELP_VIEW 133            // response view keys ("キー説明")
#define IDD_KEYHELP_KEYS 134            // accelerators ("キー操作")
#define IDD_DEBUG_SETTINGS 146
#define IDD_NET_PROGRESS 147            // modal progress of a network operation
#define IDD_BOARD_SOURCE 148            // board-list source ("板一覧取得先")

// ---- Icons and bitmaps
#define IDI_QUORVEX 106                 // program icon
#define IDI_THREAD_HELD 116             // thread list state 1
#define IDI_THREAD_NOT_HELD 127         // thread list state 0
#define IDI_THREAD_NEW 128              // thread list state 2
#define IDB_LIST_TOOLBAR 110            // 5 images of 16 x 16
#define IDB_THREAD_TOOLBAR 112          // 8 images of 16 x 16
#define LIST_TOOLBAR_IMAGES 5
#define THREAD_TOOLBAR_IMAGES 8

// ---- Command bars (control ids)
#define IDC_LIST_TOOLBAR 1
#define IDC_THREAD_TOOLBAR 2

// ---- Commands: menus, soft keys, command-bar buttons, accelerators
#define IDM_ABOUT 40001                 // "バージョン情報"
#define IDM_EXIT 40002                  // "終了"
#define IDM_HELP 40003                  // "ヘルプ"
#define IDM_ONLINE 40010                // "オンライン"
#define IDM_SWITCH_VIEW 40011           // "レス表示" / "スレ一覧表示"
#define IDM_RELOAD_LIST 40012           // "スレ一覧再読み込み"
#define IDM_UPDATE_CHECK 40013          // "更新チェック" / "スレリスト更新チェック"
#define IDM_RELOAD_THREAD 40014         // "スレ再読み込み"
#define IDM_COPY_DIALOG 40015           // "コピペダイアログ"
#define IDM_WRITE 40016                 // "レス書き"
#define IDM_CLOSE_THREAD 40017          // "スレを閉じる"
#define IDM_DELETE_LOG 40018            // "ログ削除"
#define IDM_SETTINGS_MENU 40019         // command-bar drop-down button
#define IDM_FOCUS_CATEGORY 40030        // "カテゴリ一覧"
#define IDM_FOCUS_BOARD 40031           // "板一覧"
#define IDM_FOCUS_OPEN_THREADS 40032    // "表示レス一覧"
#define IDM_FOCUS_THREAD_LIST 40033     // "スレ一覧"
#define IDM_FOCUS_RESPONSE_VIEW 40034   // "レス表示"
#define IDM_SEARCH 40035                // "検索"
#define IDM_SETTINGS 40036              // "設定"
#define IDM_DEBUG_SETTINGS 40040        // "デバッグ設定"
#define IDM_ADD_FAVORITE_BOARD 40041    // "お気に入り板登録"
#define IDM_ADD_FAVORITE_THREAD 40042   // "お気に入りスレ登録"
#define IDM_JUMP_RESPONSE 40043         // "レス番ジャンプ"
#define IDM_JUMP_END 40044              // "末尾へジャンプ"
#define IDM_THREAD_MAX 40046            // "スレリスト数制限"
#define IDM_REMOVE_FAVORITE_THREAD 40047 // "お気に入りスレから削除"
#define IDM_SEARCH_ALT 40059            // "検索" of menu 160
#define IDM_CTRL6 40060                 // accelerator Ctrl+6
#define IDM_FETCH_BOARD_LIST 40069      // "板一覧取得"
#define IDM_SHOW_LOCAL_LIST 40070       // posted: thread list from the local files
#define IDM_SORT_NEW_ALT 40072          // "新着順ソート" of menu 159
#define IDM_SORT_NEW 40073              // "新着順ソート"
#define IDM_LOG_ONLY 1042               // "ログのみ"

// ---- Main window children (their notifications arrive as commands)
#define IDC_CATEGORY_SELECTOR 1001
#define IDC_BOARD_SELECTOR 1002
#define IDC_OPEN_THREAD_SELECTOR 1003
#define IDC_THREAD_LIST 1004
#define IDC_RESPONSE_VIEW 1005
#define IDC_THREAD_SEARCH 1006
#define IDC_RESPONSE_SEARCH 1007

// ---- Dialog controls
#define IDC_BBSTABLE 1010               // board-list source: URL
#define IDC_PROXY_USE 1012              // settings
#define IDC_PROXY_NAME 1013
#define IDC_PROXY_PORT 1014
#define IDC_THREAD_MAX 1015
#define IDC_FONT_SIZE 1016
#define IDC_SURE_LINES 1018
#define IDC_REPLY_NAME 1021             // reply editor
#define IDC_REPLY_MAIL 1022
#define IDC_REPLY_SAGE 1023
#define IDC_REPLY_MESSAGE 1024
#define IDC_JUMP_SPIN 1025              // jump dialog
#define IDC_JUMP_NUMBER 1027
#define IDC_DETAIL_BODY 1028            // response detail dialog
#define IDC_DETAIL_NUMBER 1029
#define IDM_DETAIL_GET 1030             // its soft-key commands
#define IDC_DETAIL_SPIN 1032
#define IDC_DETAIL_NAME 1033
#define IDC_DETAIL_MAIL 1034
#define IDC_DETAIL_DATE 1035
#define IDC_DETAIL_ID 1036
#define IDC_FONT 1040                   // settings: font combo box
#define IDC_DEBUG_MODE 1043             // debug settings
#define IDC_LOGS_EXCLUDED 1044
#define IDC_TOOLBAR_VISIBLE 1050        // settings
#define IDC_FREE_MEMORY 1052            // about box
#define IDM_DETAIL_COPY 1054

// Key codes the shell hands over.
#define VK_BACK_KEY 27                  // the Smartphone Back key arrives as Escape

// ---- A new thread from the thread list
#define IDD_NEW_THREAD_EDITOR 180       // the reply editor's fields under a title
#define IDC_NEW_THREAD_TITLE 1120
#define IDM_NEW_THREAD 40120            // 新規スレ作成 (Ctrl+N)

// ---- Fallen threads and moved boards (190-199, 1140-1159, 40140-40159)
#define IDI_THREAD_FALLEN 190           // thread list state 3

// ---- NG lists ("あぼーん"): dialogs 170-179, controls 1100-1119, commands 40100-40119
#define IDD_NG_LIST 170                 // "NG一覧"
#define IDD_NG_TITLE 171                // "NGスレタイ登録"
#define IDR_MENU_NG_LIST 170            // its soft keys
#define IDC_NG_ENTRIES 1100
#define IDC_NG_LAPSE_DAYS 1101
#define IDC_NG_TRANSPARENT 1102
#define IDC_NG_CHAIN 1103
#define IDC_NG_TITLE_TEXT 1104
#define IDM_NG_ADD_TITLE 40100          // "NGスレタイ登録"
#define IDM_NG_LIST 40101               // "NG一覧"
#define IDM_NG_ADD_ID 40102             // response detail: "NG ID"
#define IDM_NG_ADD_NAME 40103           // "NG 名前"
#define IDM_NG_ADD_WORD 40104           // "NG ワード (選択)"
#define IDM_NG_REMOVE 40105             // NG list: "削除"
