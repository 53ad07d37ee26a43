#include "PasswordHash.h"

#include <windows.h>
#include <bcrypt.h>

namespace admit {
namespace {

bool Succeeded(NTSTATUS status) {
  return status >= 0;
}

}  // namespace

bool NewSalt(Salt& salt) {
  return Succeeded(BCryptGenRandom(nullptr, salt.data(), static_cast<ULONG>(salt.size()),
                                   BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

bool DerivePasswordHash(const uint8_t* password, size_t size, const uint8_t* salt, size_t saltSize,
                        uint32_t iterations, Hash& hash) {
  hash.fill(0);
  if (size == 0 || size > 0xFFFF || saltSize > 0xFFFF || iterations == 0) {
    return false;
  }
  BCRYPT_ALG_HANDLE hmac = nullptr;
  if (!Succeeded(BCryptOpenAlgorithmProvider(&hmac, BCRYPT_SHA256_ALGORITHM, nullptr,
                                             BCRYPT_ALG_HANDLE_HMAC_FLAG))) {
    return false;
  }
  NTSTATUS status = BCryptDeriveKeyPBKDF2(
      hmac, const_cast<PUCHAR>(password), static_cast<ULONG>(size), const_cast<PUCHAR>(salt),
      static_cast<ULONG>(saltSize), iterations, hash.data(), static_cast<ULONG>(hash.size()), 0);
  BCryptCloseAlgorithmProvider(hmac, 0);
  if (!Succeeded(status)) {
    hash.fill(0);
    return false;
  }
  return true;
}

}  // namespace admit
