#pragma once
// Passphrase encryption of the hidden text (libsodium): the key comes from the passphrase through
// Argon2id, the text is sealed with XChaCha20-Poly1305. The result is plain text, so it is hidden
// like any other text after the usual signatures and never holds a zero byte:
//
//   $veilmark$pp=1$argon2id-xchacha20poly1305$<base64>
//
// The base64 (standard alphabet, padded, no line breaks) holds, in this order: salt (16 bytes),
// nonce (24), key check (16), text length (4, little-endian), ciphertext (length bytes), tag (16),
// checksum (16: unkeyed BLAKE2b of everything before it). Version 1 derives 64 bytes with
// Argon2id v1.3, 2 passes over 64 MiB: bytes 0-31 are the key, bytes 32-47 the key check, which
// tells a wrong passphrase from a changed text. Everything before the ciphertext (prefix text
// included) is authenticated as additional data; the checksum tells accidental damage from a
// wrong passphrase without the slow key derivation.
//
// The passphrase is taken as the bytes given (the program passes UTF-8); the text as its 8-bit
// bytes. Each failure has its own message: wrong passphrase, changed text, cut-off text, unknown
// version.

#include <cstddef>
#include <string_view>

#include "platform/rtl/Exception.h"
#include "platform/rtl/ResString.h"
#include "platform/rtl/SysTypes.h"

namespace codec {

using rtl::AnsiString;

VLMRK_RESSTRING(SPassphraseWrong, 65312, "PassphraseCrypto", "The passphrase is wrong");
VLMRK_RESSTRING(SSealedTextDamaged, 65313, "PassphraseCrypto", "The encrypted text has been changed or damaged");
VLMRK_RESSTRING(SSealedTextTruncated, 65314, "PassphraseCrypto", "The encrypted text is incomplete");
VLMRK_RESSTRING(SSealedTextVersion, 65315, "PassphraseCrypto",
                "The encrypted text uses version %s of the passphrase scheme, which this program does not know");
VLMRK_RESSTRING(SSealedTextNeedsPassphrase, 65316, "PassphraseCrypto",
                "The hidden text is encrypted: a passphrase is needed to read it");
VLMRK_RESSTRING(SPassphraseEmpty, 65317, "PassphraseCrypto", "The passphrase is empty");
VLMRK_RESSTRING(SKeyDerivationFailed, 65318, "PassphraseCrypto",
                "Not enough memory to derive the key from the passphrase");
VLMRK_RESSTRING(SCryptoUnavailable, 65319, "PassphraseCrypto", "The encryption library cannot be started");

VLMRK_DECLARE_EXCEPTION(EPassphraseError, rtl::Exception);

// What every encrypted text starts with, whatever its version.
inline constexpr std::string_view SealedTextMarker = "$veilmark$pp=";
// The whole prefix of version 1.
inline constexpr std::string_view SealedTextPrefix = "$veilmark$pp=1$argon2id-xchacha20poly1305$";

// The key derivation of version 1 (fixed by the format, not by the library's defaults).
inline constexpr unsigned long long SealOpsLimit = 2;
inline constexpr std::size_t SealMemLimit = std::size_t{64} << 20;

// True when the text is an encrypted text (of any version).
bool IsSealedText(std::string_view text);

// Encrypts the text with the passphrase (fresh salt and nonce from the system's random source).
// Raises EPassphraseError for an empty passphrase or when the key cannot be derived.
AnsiString SealText(const AnsiString& plain, const AnsiString& passphrase);

// Decrypts an encrypted text; raises EPassphraseError with the message of what went wrong.
AnsiString OpenSealedText(const AnsiString& sealed, const AnsiString& passphrase);

}  // namespace codec
