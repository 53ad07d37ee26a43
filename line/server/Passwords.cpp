#include "line/server/Passwords.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "devices/admit/core/Hex.h"

namespace line {
namespace {

// About a fifth of a second of one core: a log-on hardly notices, a guesser with a stolen
// store does.
constexpr int kIterations = 600000;
constexpr size_t kSaltBytes = 16;
constexpr size_t kHashBytes = 32;

std::vector<unsigned char> Derive(const std::string& password,
                                  const std::vector<unsigned char>& salt, int iterations) {
  std::vector<unsigned char> hash(kHashBytes);
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                        static_cast<int>(salt.size()), iterations, EVP_sha256(),
                        static_cast<int>(hash.size()), hash.data()) != 1) {
    throw std::runtime_error("PBKDF2 failed");
  }
  return hash;
}

}  // namespace

std::string HashPassword(const std::string& password) {
  std::vector<unsigned char> salt(kSaltBytes);
  if (RAND_bytes(salt.data(), static_cast<int>(salt.size())) != 1) {
    throw std::runtime_error("no random bytes for a salt");
  }
  std::vector<unsigned char> hash = Derive(password, salt, kIterations);
  return "pbkdf2-sha256$" + std::to_string(kIterations) + "$" +
         admit::ToHex(salt.data(), salt.size()) + "$" + admit::ToHex(hash.data(), hash.size());
}

bool PasswordMatches(const std::string& password, const std::string& stored) {
  char salt[65] = {};
  char hash[65] = {};
  int iterations = 0;
  if (std::sscanf(stored.c_str(), "pbkdf2-sha256$%d$%64[0-9a-f]$%64[0-9a-f]", &iterations, salt,
                  hash) != 3 ||
      iterations < 1 || iterations > 10 * kIterations) {
    return false;
  }
  std::vector<unsigned char> saltBytes(std::strlen(salt) / 2);
  std::vector<unsigned char> expected(kHashBytes);
  if (!admit::FromHex(salt, saltBytes.data(), saltBytes.size()) ||
      !admit::FromHex(hash, expected.data(), expected.size())) {
    return false;
  }
  std::vector<unsigned char> given = Derive(password, saltBytes, iterations);
  return CRYPTO_memcmp(given.data(), expected.data(), kHashBytes) == 0;
}

}  // namespace line
