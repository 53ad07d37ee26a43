/* Admit: an optional export beside the two of admit.h. A line's own accounts library may lack
 * it, so the station looks it up with GetProcAddress and takes its absence for "nobody". */
#ifndef VARNEX_DEVICES_ADMIT_USER_H
#define VARNEX_DEVICES_ADMIT_USER_H

#include <stddef.h>
#include <stdint.h>

#include "devices/admit.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The user name of the operator whom ADMIT_Admit let in during this process, terminated and
 * cut to `size` characters; returns its length, 0 when nobody logged on. */
ADMIT_API int32_t ADMIT_GetUserName(wchar_t* buffer, int32_t size);
typedef int32_t (*ADMIT_GetUserNameProc)(wchar_t* buffer, int32_t size);

#ifdef __cplusplus
}
#endif

#endif /* VARNEX_DEVICES_ADMIT_USER_H */
