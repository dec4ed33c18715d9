#pragma once

// Shared by the resource script and the code; plain macros, as the resource compiler reads them.
#define IDI_QUORVEL 1
#define IDB_OPEN_FOLDER 10
#define IDB_FLOPPY_DISK 11
#define IDB_SCISSORS 12
// The same pictures drawn at twice the size, for 144 dots per inch and above.
#define IDB_OPEN_FOLDER_2X 20
#define IDB_FLOPPY_DISK_2X 21
#define IDB_SCISSORS_2X 22

#define IDD_INPUT_BOX 100
#define IDC_INPUT_PROMPT 101
#define IDC_INPUT_TEXT 102
