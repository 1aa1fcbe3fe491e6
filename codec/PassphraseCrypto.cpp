#include "codec/PassphraseCrypto.h"

#include <sodium.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace codec {

namespace {

constexpr std::size_t kSaltBytes = crypto_pwhash_SALTBYTES;
constexpr std::size_t kNonceBytes = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr std::size_t kCheckBytes = 16;
constexpr std::size_t kLengthBytes = 4;
constexpr std::size_t kKeyBytes = crypto_aead_xchacha20poly1305_ietf_KEYBYTES;
constexpr std::size_t kTagBytes = crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr std::size_t kHeaderBytes = kSaltBytes + kNonceBytes + kCheckBytes + kLengthBytes;
constexpr std::size_t kDigestBytes = 16;

static_assert(kSaltBytes == 16 && kNonceBytes == 24 && kKeyBytes == 32 && kTagBytes == 16);
static_assert(SealOpsLimit >= crypto_pwhash_argon2id_OPSLIMIT_INTERACTIVE);
static_assert(SealMemLimit >= crypto_pwhash_argon2id_MEMLIMIT_INTERACTIVE);

[[noreturn]] void Fail(const rtl::TResStringRec& message) { throw EPassphraseError(EPassphraseError::CreateRes, message); }

void StartSodium() {
    if (sodium_init() < 0) Fail(SCryptoUnavailable);
}

// Key and key check, wiped when they go.
class TDerivedKey {
public:
    TDerivedKey(const AnsiString& passphrase, const std::uint8_t* salt) {
        if (passphrase.empty()) Fail(SPassphraseEmpty);
        StartSodium();
        if (crypto_pwhash(bytes_.data(), bytes_.size(), passphrase.data(), passphrase.size(), salt, SealOpsLimit,
                          SealMemLimit, crypto_pwhash_ALG_ARGON2ID13) != 0)
            Fail(SKeyDerivationFailed);
    }
    ~TDerivedKey() { sodium_memzero(bytes_.data(), bytes_.size()); }
    TDerivedKey(const TDerivedKey&) = delete;
    TDerivedKey& operator=(const TDerivedKey&) = delete;

    const std::uint8_t* Key() const { return bytes_.data(); }
    const std::uint8_t* Check() const { return bytes_.data() + kKeyBytes; }

private:
    std::array<std::uint8_t, kKeyBytes + 32> bytes_{};
};

// The additional data: the prefix and every header field.
std::vector<std::uint8_t> AdditionalData(const std::uint8_t* header) {
    std::vector<std::uint8_t> ad(SealedTextPrefix.size() + kHeaderBytes);
    std::memcpy(ad.data(), SealedTextPrefix.data(), SealedTextPrefix.size());
    std::memcpy(ad.data() + SealedTextPrefix.size(), header, kHeaderBytes);
    return ad;
}

bool IsBase64Char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

// Strict standard base64: a foreign character or misplaced padding is damage; a length that is
// not a whole number of groups is a text cut short.
std::vector<std::uint8_t> DecodeBody(std::string_view text) {
    std::size_t data = text.size();
    while (data > 0 && text.size() - data < 2 && text[data - 1] == '=') --data;
    for (std::size_t i = 0; i < data; ++i)
        if (!IsBase64Char(text[i])) Fail(SSealedTextDamaged);
    if (text.size() % 4 != 0) Fail(data == text.size() ? SSealedTextTruncated : SSealedTextDamaged);
    if (text.empty()) Fail(SSealedTextTruncated);
    std::vector<std::uint8_t> bytes(text.size() / 4 * 3);
    std::size_t length = 0;
    if (sodium_base642bin(bytes.data(), bytes.size(), text.data(), text.size(), nullptr, &length, nullptr,
                          sodium_base64_VARIANT_ORIGINAL) != 0)
        Fail(SSealedTextDamaged);
    bytes.resize(length);
    return bytes;
}

// The plain checksum at the end: a damaged text is told from a wrong passphrase before the slow
// key derivation. It proves nothing against deliberate changes; the tag does that.
void Digest(const std::uint8_t* bytes, std::size_t size, std::uint8_t* out) {
    crypto_generichash(out, kDigestBytes, bytes, size, nullptr, 0);
}

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The text after the version 1 prefix, or a failure naming what is wrong with the prefix.
std::string_view BodyOf(std::string_view sealed) {
    std::string_view rest = sealed.substr(SealedTextMarker.size());
    std::size_t digits = 0;
    while (digits < rest.size() && digits < 10 && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
    if (digits == 0 || digits >= rest.size() || rest[digits] != '$') Fail(SSealedTextDamaged);
    const std::string_view version = rest.substr(0, digits);
    if (version != "1")
        throw EPassphraseError(EPassphraseError::CreateResFmt, SSealedTextVersion, {AnsiString(version)});
    if (!sealed.starts_with(SealedTextPrefix)) Fail(SSealedTextDamaged);
    return sealed.substr(SealedTextPrefix.size());
}

}  // namespace

bool IsSealedText(std::string_view text) { return text.starts_with(SealedTextMarker); }

AnsiString SealText(const AnsiString& plain, const AnsiString& passphrase) {
    if (passphrase.empty()) Fail(SPassphraseEmpty);
    StartSodium();
    std::vector<std::uint8_t> body(kHeaderBytes + plain.size() + kTagBytes + kDigestBytes);
    std::uint8_t* salt = body.data();
    std::uint8_t* nonce = salt + kSaltBytes;
    std::uint8_t* check = nonce + kNonceBytes;
    std::uint8_t* length = check + kCheckBytes;
    randombytes_buf(salt, kSaltBytes);
    randombytes_buf(nonce, kNonceBytes);
    const TDerivedKey key(passphrase, salt);
    std::copy(key.Check(), key.Check() + kCheckBytes, check);
    const auto n = static_cast<std::uint32_t>(plain.size());
    for (int i = 0; i < 4; ++i) length[i] = static_cast<std::uint8_t>(n >> (8 * i));

    const std::vector<std::uint8_t> ad = AdditionalData(body.data());
    unsigned long long written = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(body.data() + kHeaderBytes, &written,
                                               reinterpret_cast<const std::uint8_t*>(plain.data()), plain.size(),
                                               ad.data(), ad.size(), nullptr, nonce, key.Key());
    const std::size_t digestAt = body.size() - kDigestBytes;
    Digest(body.data(), digestAt, body.data() + digestAt);

    AnsiString sealed(SealedTextPrefix);
    const std::size_t prefix = sealed.size();
    sealed.resize(prefix + sodium_base64_encoded_len(body.size(), sodium_base64_VARIANT_ORIGINAL));
    sodium_bin2base64(sealed.data() + prefix, sealed.size() - prefix, body.data(), body.size(),
                      sodium_base64_VARIANT_ORIGINAL);
    sealed.resize(sealed.size() - 1);  // the terminating zero of the C string
    return sealed;
}

AnsiString OpenSealedText(const AnsiString& sealed, const AnsiString& passphrase) {
    if (!IsSealedText(sealed)) Fail(SSealedTextDamaged);
    const std::vector<std::uint8_t> body = DecodeBody(BodyOf(sealed));
    if (body.size() < kHeaderBytes + kTagBytes + kDigestBytes) Fail(SSealedTextTruncated);
    const std::uint8_t* salt = body.data();
    const std::uint8_t* nonce = salt + kSaltBytes;
    const std::uint8_t* check = nonce + kNonceBytes;
    const std::uint64_t length = Le32(check + kCheckBytes);
    const std::uint64_t expected = kHeaderBytes + length + kTagBytes + kDigestBytes;
    if (body.size() < expected) Fail(SSealedTextTruncated);
    if (body.size() > expected) Fail(SSealedTextDamaged);
    std::uint8_t digest[kDigestBytes];
    Digest(body.data(), body.size() - kDigestBytes, digest);
    if (sodium_memcmp(digest, body.data() + body.size() - kDigestBytes, kDigestBytes) != 0) Fail(SSealedTextDamaged);

    const TDerivedKey key(passphrase, salt);
    if (sodium_memcmp(key.Check(), check, kCheckBytes) != 0) Fail(SPassphraseWrong);
    const std::vector<std::uint8_t> ad = AdditionalData(body.data());
    AnsiString plain(static_cast<std::size_t>(length), '\0');
    unsigned long long written = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(reinterpret_cast<std::uint8_t*>(plain.data()), &written, nullptr,
                                                   body.data() + kHeaderBytes, length + kTagBytes, ad.data(),
                                                   ad.size(), nonce, key.Key()) != 0)
        Fail(SSealedTextDamaged);
    plain.resize(static_cast<std::size_t>(written));
    return plain;
}

}  // namespace codec
