#pragma once
// Shared by the CNG back ends of crypto.h and signing_key.h.
#include <windows.h>
#include <bcrypt.h>

namespace qvx::crypto_win {

// Opened on first use and kept; Exception when CNG does not offer the algorithm.
BCRYPT_ALG_HANDLE Sha256Provider();
BCRYPT_ALG_HANDLE EcdsaP256Provider();

}  // namespace qvx::crypto_win
