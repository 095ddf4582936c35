// The program's version and identity, read by the version resource and by the
// code alike. Plain macros, because the resource compiler reads this file too.
#pragma once

#define LUMARIND_VERSION_MAJOR 1
#define LUMARIND_VERSION_MINOR 0
#define LUMARIND_VERSION_REVISION 1
#define LUMARIND_VERSION_RESOURCE 1, 0, 0, 1
#define LUMARIND_VERSION_TEXT "1.00.0001"

#define LUMARIND_PRODUCT_NAME "Tolvarn"
#define LUMARIND_FAMILY_PREFIX "Tolvarn - "
#define LUMARIND_INTERNAL_NAME "Lumarind"
#define LUMARIND_TITLE LUMARIND_FAMILY_PREFIX LUMARIND_INTERNAL_NAME
#define LUMARIND_DESCRIPTION LUMARIND_TITLE " 1.00"
#define LUMARIND_ORIGINAL_FILENAME "Lumarind.EXE"
#define LUMARIND_COMPANY "Tolvarn Software"
#define LUMARIND_COPYRIGHT "Copyright (C) 2026 Tolvarn Software. Dedicated to Mira Tolvarn."
#define LUMARIND_TRADEMARKS "Distributed under the MIT License; see Lumarind.txt."
#define LUMARIND_DEDICATION "Посвящается Мире Толварн."

#define LUMARIND_WIDEN2(text) L##text
#define LUMARIND_WIDEN(text) LUMARIND_WIDEN2(text)
