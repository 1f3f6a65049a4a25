#ifndef DESKTOP_WINDOWS_TAVRIN_FALLBACK_SHA1_H_
#define DESKTOP_WINDOWS_TAVRIN_FALLBACK_SHA1_H_

#include <cstdint>
#include <cstdio>

// SHA-1 of |file| from its first byte, whatever was read of it before, by
// BoringSSL: the digest for systems whose CNG cannot be used. |digest| takes
// 20 bytes. False when the file cannot be read.
//
// Kept apart from the CNG code: BoringSSL's headers clash with <windows.h>.
bool HashFileWithFallback(FILE* file, uint8_t* digest);

#endif  // DESKTOP_WINDOWS_TAVRIN_FALLBACK_SHA1_H_
