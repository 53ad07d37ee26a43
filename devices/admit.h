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

/* The machine policy that only an administrator can set (the installer's "require log-on"
   option): a REG_DWORD value under HKEY_LOCAL_MACHINE. Non-zero: the station asks for the
   log-on whatever its configuration says, and without an accounts file only an elevated
   administrator may create the first account. */
#define ADMIT_POLICY_KEY L"SOFTWARE\\Varnex"
#define ADMIT_POLICY_REQUIRE_LOGON L"RequireLogOn"

/* Shows the operator log-on: 1 = full rights, 2 = restricted, anything else = refused. */
ADMIT_API int32_t ADMIT_Admit(void);
/* Shows the account editor. */
ADMIT_API int32_t ADMIT_ManageAccounts(void);

#ifdef __cplusplus
}
#endif

#endif /* VARNEX_DEVICES_ADMIT_H */
