#pragma once
// Identifiers of the installer's resources, shared by the .rc files and the code.

#define IDR_MAINFRAME 128        // application icon group
#define IDB_SIDE_PICTURE 137     // wizard side bitmap, 87 x 171, 256 colours
#define IDI_FLAG_FIRST 141       // flag icons 141 ... 157
#define IDI_FLAG_LAST 157

#define RT_TW_PAYLOAD 260        // payload resource type
#define IDR_PAYLOAD 134          // payload resource name
