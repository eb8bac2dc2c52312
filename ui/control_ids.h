// Control ids of the settings window and its four pages, a hundred for each. The build writes
// them into the end-to-end tests' Python module (scripts/make-e2e-ids.py), which reads each as
// one line `constexpr WORD kName = number;`.
#pragma once

#include <windows.h>

// The settings window's buttons and its tabs.
constexpr WORD kHelpId = 101;
constexpr WORD kOKId = 102;
constexpr WORD kCloseId = 103;
constexpr WORD kPagesId = 104;

// プログラム: the assignments.
constexpr WORD kKeyListId = 201;
constexpr WORD kProgramId = 202;
constexpr WORD kKeyId = 203;
constexpr WORD kKeyResetId = 204;
constexpr WORD kPathId = 205;
constexpr WORD kArgumentsId = 206;
constexpr WORD kWorkPathId = 207;
constexpr WORD kAddId = 208;
constexpr WORD kUpdateId = 209;
constexpr WORD kDeleteId = 210;
constexpr WORD kPathButtonId = 211;
constexpr WORD kWorkPathButtonId = 212;
constexpr WORD kRepeatId = 213;
constexpr WORD kFinderId = 214;
constexpr WORD kKeyNoteId = 215;
constexpr WORD kScopeId = 216;
constexpr WORD kScopeListId = 217;
constexpr WORD kKeyFindId = 218;
constexpr WORD kKeyFindCountId = 219;
constexpr WORD kExportId = 220;
constexpr WORD kImportId = 221;
constexpr WORD kActionId = 230;
constexpr WORD kKeysResetId = 231;
constexpr WORD kRaiseId = 232;
constexpr WORD kMinimizeId = 233;
constexpr WORD kSequenceId = 240;

// キーの名前: names for keys without one.
constexpr WORD kKeyNameListId = 301;
constexpr WORD kSrcKeyId = 302;
constexpr WORD kDestNameId = 303;
constexpr WORD kKeyAddId = 304;
constexpr WORD kKeyUpdateId = 305;
constexpr WORD kKeyDeleteId = 306;
constexpr WORD kKeyNameFindId = 307;
constexpr WORD kKeyNameFindCountId = 308;

// 設定: the key guide's look and the start-up shortcut.
constexpr WORD kShowKeyViewId = 401;
constexpr WORD kColorPanelId = 410;  // 410-416, one per colour panel in the order of TColorIndex
constexpr WORD kSelFontId = 420;
constexpr WORD kKeyViewPosId = 421;
constexpr WORD kStartUpId = 422;
constexpr WORD kHideCursorId = 423;
constexpr WORD kSendUnmatchedKeysId = 424;
constexpr WORD kExcludeProgramsId = 425;
constexpr WORD kKeyViewDelayId = 426;
constexpr WORD kSequenceTimeoutId = 427;

// プラグイン: the plug-in registrations.
constexpr WORD kPluginListId = 501;
constexpr WORD kPlugPathId = 502;
constexpr WORD kValueId = 503;
constexpr WORD kMacroId = 504;
constexpr WORD kPlugAddId = 505;
constexpr WORD kPlugUpdateId = 506;
constexpr WORD kPlugDeleteId = 507;
constexpr WORD kPluginSettingId = 508;
constexpr WORD kPluginPathButtonId = 509;
