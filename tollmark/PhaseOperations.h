// The record operations behind the library's exports. Each takes a valid object (the exports
// answer 2 for a null handle before getting here), resets the object's code and text, works on
// the record read afresh from the phone and stores its result code in the object.
#pragma once

#include <cstdint>

#include "tollmark/RecordBuilder.h"
#include "tollmark/RecordObject.h"

// config null = Tollmark.ini cannot be located (the executable's path has no backslash).
int32_t RunInitPhase(KVPH_OBJECT_T& object, RecordPhone& phone, const BuildConfig* config,
                     const char* text1, const char* text2, void* buffer, int32_t bufferSize,
                     int32_t* recordSize, const char* station);
int32_t RunCheckPhase(KVPH_OBJECT_T& object, RecordPhone& phone, const char* currentStation,
                      const char* requiredStation);
int32_t RunUpdatePhase(KVPH_OBJECT_T& object, RecordPhone& phone, const char* station,
                       int32_t outcome, const char* message, const char* text1, const char* text2);
int32_t RunPutProperty(KVPH_OBJECT_T& object, int32_t id, int32_t value);
int32_t RunGetProperty(KVPH_OBJECT_T& object, int32_t id, void* value);
// 1 when the buffer is null or its size below 1 (nothing written), else 0.
int32_t RunGetLastErrorMessage(KVPH_OBJECT_T& object, char* buffer, int32_t size, int32_t language);
