#include "line/server/Passwords.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstdio>
#include <stdexcept>
#include <vector>

namespace line {
namespace {

// About a fifth of a second of one core: a log-on hardly notices, a guesser with a stolen
// store does.
constexpr int kIterations = 600000;
constexpr size_t kSaltBytes = 16;
constexpr size_t kHashBytes = 32;

std::string Hex(const unsigned char* bytes, size_t count) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 15]);
  }
  return text;
}

bool FromHex(const std::string& text, std::vector<unsigned char>& bytes) {
  if (text.size() % 2 != 0) {
    return false;
  }
  bytes.clear();
  for (size_t i = 0; i < text.size(); i += 2) {
    unsigned value = 0;
    if (std::sscanf(text.c_str() + i, "%2x", &value) != 1) {
      return false;
    }
    bytes.push_back(static_cast<unsigned char>(value));
  }
  return true;
}

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
  return "pbkdf2-sha256$" + std::to_string(kIterations) + "$" + Hex(salt.data(), salt.size()) +
         "$" + Hex(hash.data(), hash.size());
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
  std::vector<unsigned char> saltBytes;
  std::vector<unsigned char> expected;
  if (!FromHex(salt, saltBytes) || !FromHex(hash, expected) || expected.size() != kHashBytes) {
    return false;
  }
  std::vector<unsigned char> given = Derive(password, saltBytes, iterations);
  return CRYPTO_memcmp(given.data(), expected.data(), kHashBytes) == 0;
}

}  // namespace line
