// Salts and password hashes through Windows' CNG: BCryptGenRandom and PBKDF2-HMAC-SHA256.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Account.h"

namespace admit {

bool NewSalt(Salt& salt);
// Derives kHashBytes bytes; false when CNG refused (the hash is then zeroed).
bool DerivePasswordHash(const uint8_t* password, size_t size, const uint8_t* salt, size_t saltSize,
                        uint32_t iterations, Hash& hash);

}  // namespace admit
