/* The version, names and notices of every shipped Varnex binary, in one place. Read by the
 * resource compiler (VersionInfo.rc) and by C and C++ code; plain macros only. */
#ifndef VARNEX_STATION_APP_VARNEXVERSION_H
#define VARNEX_STATION_APP_VARNEXVERSION_H

#define VARNEX_VERSION_MAJOR 1
#define VARNEX_VERSION_MINOR 0
#define VARNEX_VERSION_PATCH 0
#define VARNEX_VERSION_BUILD 1

/* The same numbers as text; the window title shows them as "1.0.0001". */
#define VARNEX_VERSION_TEXT "1, 0, 0, 1"

#define VARNEX_PRODUCT_NAME "Varnex"
#define VARNEX_COMPANY_NAME "Varnex line tools"
#define VARNEX_LEGAL_COPYRIGHT "Copyright (C) 2026 Varnex line tools"
/* Empty for a release; a build made for one line carries its mark here ("_P<mark>" in the
 * title). */
#define VARNEX_SPECIAL_BUILD ""

#endif /* VARNEX_STATION_APP_VARNEXVERSION_H */
