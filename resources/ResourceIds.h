// Identifiers shared by the resource script and the code.
#pragma once

#define LUMARIND_ICON_NAME "A_MAIN"

#define IDD_ABOUT 100
#define IDC_ABOUT_ICON 1001
#define IDC_ABOUT_TITLE 1002
#define IDC_ABOUT_VERSION 1003
#define IDC_ABOUT_DESCRIPTION 1004
#define IDC_ABOUT_COPYRIGHT 1005
#define IDC_ABOUT_TRADEMARKS 1006
#define IDC_ABOUT_DEDICATION 1007
#define IDC_ABOUT_EXTRA 1008

// The Explorer command's name, which its MUIVerb names as "@Lumarind.exe,-NNN".
#define IDS_EXPLORER_COPY_VERB 101
