// Viewers' passwords: kept only as a slow, salted hash (PBKDF2-HMAC-SHA256 from OpenSSL), so a
// copy of the store does not give them away.
#pragma once

#include <string>

namespace line {

// "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>" with a new random salt.
std::string HashPassword(const std::string& password);

// Whether `password` gives `stored`; false for a text that is no such hash.
bool PasswordMatches(const std::string& password, const std::string& stored);

}  // namespace line
