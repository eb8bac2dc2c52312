/* Resource identifiers of window_action.rc. */
#define IDD_SETTINGS 100
#define IDC_DEFAULT_ACTION 101
