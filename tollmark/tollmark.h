/* Tollmark: the station-record library. Builds, reads, checks and updates the station record
 * at the start of a phone's product-information flash. Text arguments are NUL-terminated
 * strings in the ANSI code page; a null pointer means "not given". Results are the codes 0 to
 * 13; the last one is kept in the object. */
#ifndef VARNEX_TOLLMARK_TOLLMARK_H
#define VARNEX_TOLLMARK_TOLLMARK_H

#include <stdint.h>

#include "devices/dutlink.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && defined(TOLLMARK_BUILDING)
#define TOLLMARK_API __declspec(dllexport)
#elif defined(_WIN32)
#define TOLLMARK_API __declspec(dllimport)
#else
#define TOLLMARK_API
#endif

typedef struct KVPH_OBJECT_T* KVPH_OBJECT;

TOLLMARK_API KVPH_OBJECT CreateTollmarkObject(KV_PHONE phone);
TOLLMARK_API int32_t ReleaseTollmarkObject(KVPH_OBJECT object);
TOLLMARK_API int32_t InitPhase(KVPH_OBJECT object, const char* text1, const char* text2,
                               void* buffer, int32_t bufferSize, int32_t* recordSize,
                               const char* station);
TOLLMARK_API int32_t CheckPhase(KVPH_OBJECT object, const char* currentStation,
                                const char* requiredStation);
TOLLMARK_API int32_t UpdatePhase(KVPH_OBJECT object, const char* station, int32_t outcome,
                                 const char* message, const char* text1, const char* text2);
TOLLMARK_API int32_t PutProperty(KVPH_OBJECT object, int32_t id, int32_t value);
TOLLMARK_API int32_t GetProperty(KVPH_OBJECT object, int32_t id, void* value);
TOLLMARK_API int32_t KVPH_GetLastError(KVPH_OBJECT object);
TOLLMARK_API int32_t KVPH_GetLastErrorMessage(KVPH_OBJECT object, char* buffer, int32_t size,
                                              int32_t language);

#ifdef __cplusplus
}
#endif

#endif /* VARNEX_TOLLMARK_TOLLMARK_H */
