#include "line/server/Tokens.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <stdexcept>

#include "devices/admit/core/Hex.h"

namespace line {

std::string NewToken() {
  unsigned char bytes[32];
  if (RAND_bytes(bytes, sizeof bytes) != 1) {
    throw std::runtime_error("no random bytes for a token");
  }
  return "vxl_" + admit::ToHex(bytes, sizeof bytes);
}

std::string TokenHash(const std::string& token) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(token.data(), token.size(), digest, &length, EVP_sha256(), nullptr) != 1) {
    throw std::runtime_error("SHA-256 failed");
  }
  return admit::ToHex(digest, length);
}

std::string TokenId(const std::string& hash) {
  return hash.substr(0, 8);
}

}  // namespace line
