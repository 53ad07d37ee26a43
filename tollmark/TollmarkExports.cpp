// The nine exports of Tollmark.dll: null-handle answers, then the record operations with the
// phone reached through Dutlink.dll and the build values read from Tollmark.ini.
#include "tollmark/tollmark.h"

#include <windows.h>

#include <new>

#include "tollmark/DutlinkPhone.h"
#include "tollmark/ErrorTexts.h"
#include "tollmark/IniSettings.h"
#include "tollmark/PhaseOperations.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;  // nothing to set up or tear down: objects carry all state
}

extern "C" {

KVPH_OBJECT CreateTollmarkObject(KV_PHONE phone) {
  KVPH_OBJECT object = new (std::nothrow) KVPH_OBJECT_T;
  if (object != nullptr) {
    object->phone = phone;
  }
  return object;
}

int32_t ReleaseTollmarkObject(KVPH_OBJECT object) {
  delete object;
  return 0;
}

int32_t InitPhase(KVPH_OBJECT object, const char* text1, const char* text2, void* buffer,
                  int32_t bufferSize, int32_t* recordSize, const char* station) {
  if (object == nullptr) {
    return kTollmarkBadHandle;
  }
  BuildConfig config;
  const bool located = ReadTollmarkIni(config);
  DutlinkPhone phone(object->phone);
  return RunInitPhase(*object, phone, located ? &config : nullptr, text1, text2, buffer, bufferSize,
                      recordSize, station);
}

int32_t CheckPhase(KVPH_OBJECT object, const char* currentStation, const char* requiredStation) {
  if (object == nullptr) {
    return kTollmarkBadHandle;
  }
  DutlinkPhone phone(object->phone);
  return RunCheckPhase(*object, phone, currentStation, requiredStation);
}

int32_t UpdatePhase(KVPH_OBJECT object, const char* station, int32_t outcome, const char* message,
                    const char* text1, const char* text2) {
  if (object == nullptr) {
    return kTollmarkBadHandle;
  }
  DutlinkPhone phone(object->phone);
  return RunUpdatePhase(*object, phone, station, outcome, message, text1, text2);
}

int32_t PutProperty(KVPH_OBJECT object, int32_t id, int32_t value) {
  return object == nullptr ? kTollmarkBadHandle : RunPutProperty(*object, id, value);
}

int32_t GetProperty(KVPH_OBJECT object, int32_t id, void* value) {
  return object == nullptr ? kTollmarkBadHandle : RunGetProperty(*object, id, value);
}

int32_t KVPH_GetLastError(KVPH_OBJECT object) {
  return object == nullptr ? kTollmarkBadHandle : object->errorCode;
}

int32_t KVPH_GetLastErrorMessage(KVPH_OBJECT object, char* buffer, int32_t size, int32_t language) {
  return object == nullptr ? kTollmarkBadHandle
                           : RunGetLastErrorMessage(*object, buffer, size, language);
}

}  // extern "C"
