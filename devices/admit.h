/* Admit: the accounts library. */
#ifndef VARNEX_DEVICES_ADMIT_H
#define VARNEX_DEVICES_ADMIT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && defined(ADMIT_BUILDING)
#define ADMIT_API __declspec(dllexport)
#elif defined(_WIN32)
#define ADMIT_API __declspec(dllimport)
#else
#define ADMIT_API
#endif

/* Shows the operator log-on: 1 = full rights, 2 = restricted, anything else = refused. */
ADMIT_API int32_t ADMIT_Admit(void);
/* Shows the account editor. */
ADMIT_API int32_t ADMIT_ManageAccounts(void);

#ifdef __cplusplus
}
#endif

#endif /* VARNEX_DEVICES_ADMIT_H */
