#pragma once
// Resource identifiers shared by the .rc file and the code.

#define IDI_BARSMITH      1   // main window icon, 16 x 16 and 32 x 32
#define IDI_HEADER_ARROW  2   // the information header's built-in icon, 16 x 16
#define IDI_WEBPAGE       3   // web page picture of the main window's header, 32 x 32
#define IDB_LOGO          10  // the publisher's logo in the About window, 67 x 143
