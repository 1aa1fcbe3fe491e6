// Passphrase encryption of the hidden text: round trip, the stored text, and one message for each
// way an encrypted text can fail to open.

#include <gtest/gtest.h>

#include <sodium.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "codec/PassphraseCrypto.h"
#include "codec/StegoCodec.h"
#include "codec/StegoPayload.h"
#include "platform/bitmap/Bitmap.h"

using namespace codec;

namespace {

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EPassphraseError& e) {
        return e.Message();
    } catch (const rtl::Exception& e) {
        return "other error: " + e.Message();
    }
    return "no error";
}

// The base64 body of a version 1 text, decoded, and the way back.
std::vector<std::uint8_t> Body(const AnsiString& sealed) {
    const std::string b64 = sealed.substr(SealedTextPrefix.size());
    std::vector<std::uint8_t> bytes(b64.size());
    std::size_t n = 0;
    EXPECT_EQ(sodium_base642bin(bytes.data(), bytes.size(), b64.data(), b64.size(), nullptr, &n, nullptr,
                                sodium_base64_VARIANT_ORIGINAL),
              0);
    bytes.resize(n);
    return bytes;
}

AnsiString WithBody(const std::vector<std::uint8_t>& body) {
    std::string b64(sodium_base64_encoded_len(body.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(b64.data(), b64.size(), body.data(), body.size(), sodium_base64_VARIANT_ORIGINAL);
    b64.pop_back();
    return AnsiString(SealedTextPrefix) + b64;
}

// Recomputes the plain checksum at the end, as someone changing the text on purpose would.
void Rechecksum(std::vector<std::uint8_t>& body) {
    crypto_generichash(body.data() + body.size() - 16, 16, body.data(), body.size() - 16, nullptr, 0);
}

const AnsiString kText = "Meet at the old mill\r\nat n\xF6on \x80 \xFF";

}  // namespace

TEST(PassphraseCrypto, RoundTripAndWhatIsStored) {
    const AnsiString sealed = SealText(kText, "correct horse");
    EXPECT_TRUE(sealed.starts_with(SealedTextPrefix));
    EXPECT_TRUE(IsSealedText(sealed));
    EXPECT_FALSE(IsSealedText(kText));
    EXPECT_EQ(sealed.find('\0'), AnsiString::npos);
    EXPECT_EQ(sealed.find("mill"), AnsiString::npos);
    for (char c : sealed.substr(SealedTextPrefix.size()))
        ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '/' || c == '=') << c;
    // salt 16, nonce 24, check 16, length 4, text, tag 16, checksum 16
    EXPECT_EQ(Body(sealed).size(), 92 + kText.size());
    EXPECT_EQ(OpenSealedText(sealed, "correct horse"), kText);
    // A fresh salt and nonce every time.
    EXPECT_NE(SealText(kText, "correct horse"), sealed);
    EXPECT_EQ(OpenSealedText(SealText("", "p"), "p"), "");
}

TEST(PassphraseCrypto, EachFailureHasItsOwnMessage) {
    const AnsiString sealed = SealText(kText, "correct horse");
    EXPECT_EQ(ErrorOf([&] { OpenSealedText(sealed, "correct hors"); }), "The passphrase is wrong");
    EXPECT_EQ(ErrorOf([&] { OpenSealedText(sealed, ""); }), "The passphrase is empty");
    EXPECT_EQ(ErrorOf([&] { SealText(kText, ""); }), "The passphrase is empty");

    // A flipped byte of the ciphertext, and of the salt: damage, found by the checksum.
    for (std::size_t at : {std::size_t{60 + 3}, std::size_t{2}}) {
        std::vector<std::uint8_t> body = Body(sealed);
        body[at] ^= 0x10;
        EXPECT_EQ(ErrorOf([&] { OpenSealedText(WithBody(body), "correct horse"); }),
                  "The encrypted text has been changed or damaged")
            << at;
    }
    // The same with the checksum made good again: the tag (or the key check) still refuses it.
    {
        std::vector<std::uint8_t> body = Body(sealed);
        body[60 + 3] ^= 0x10;
        Rechecksum(body);
        EXPECT_EQ(ErrorOf([&] { OpenSealedText(WithBody(body), "correct horse"); }),
                  "The encrypted text has been changed or damaged");
        body = Body(sealed);
        body[0] ^= 1;  // another salt gives another key
        Rechecksum(body);
        EXPECT_EQ(ErrorOf([&] { OpenSealedText(WithBody(body), "correct horse"); }), "The passphrase is wrong");
    }
    // A foreign character in the base64, and a changed scheme name.
    AnsiString foreign = sealed;
    foreign[SealedTextPrefix.size() + 5] = '*';
    EXPECT_EQ(ErrorOf([&] { OpenSealedText(foreign, "correct horse"); }), "The encrypted text has been changed or damaged");
    AnsiString renamed = sealed;
    renamed.replace(sealed.find("argon2id"), 8, "argon2i_");
    EXPECT_EQ(ErrorOf([&] { OpenSealedText(renamed, "correct horse"); }), "The encrypted text has been changed or damaged");

    // Cut short: at a group boundary, inside a group, and down to the prefix.
    for (std::size_t cut : {std::size_t{4}, std::size_t{1}, std::size_t{3}, sealed.size() - SealedTextPrefix.size()})
        EXPECT_EQ(ErrorOf([&] { OpenSealedText(sealed.substr(0, sealed.size() - cut), "correct horse"); }),
                  "The encrypted text is incomplete")
            << cut;
    // Longer than its length field says.
    {
        std::vector<std::uint8_t> body = Body(sealed);
        body.insert(body.end() - 16, {1, 2, 3});
        EXPECT_EQ(ErrorOf([&] { OpenSealedText(WithBody(body), "correct horse"); }),
                  "The encrypted text has been changed or damaged");
    }

    // A version this program does not know, and a version that is no number.
    AnsiString v2 = sealed;
    v2.replace(SealedTextMarker.size(), 1, "2");
    EXPECT_EQ(ErrorOf([&] { OpenSealedText(v2, "correct horse"); }),
              "The encrypted text uses version 2 of the passphrase scheme, which this program does not know");
    EXPECT_EQ(ErrorOf([&] { OpenSealedText("$veilmark$pp=17$whatever", "x"); }),
              "The encrypted text uses version 17 of the passphrase scheme, which this program does not know");
    for (const char* bad : {"$veilmark$pp=", "$veilmark$pp=$", "$veilmark$pp=x1$", "$veilmark$pp=12345678901$",
                            "$veilmark$pp=1"})
        EXPECT_EQ(ErrorOf([&] { OpenSealedText(bad, "x"); }), "The encrypted text has been changed or damaged") << bad;
}

TEST(PassphraseCrypto, HostileBodiesNeverReadPastTheEnd) {
    // Random bodies of every short length behind a good prefix: each is refused with a message.
    std::mt19937 rng(3);
    for (std::size_t n = 0; n < 140; ++n) {
        std::vector<std::uint8_t> body(n);
        for (auto& b : body) b = static_cast<std::uint8_t>(rng());
        // A length field claiming far more than there is.
        if (n >= 60) body[56] = body[57] = body[58] = body[59] = 0xFF;
        const std::string error = ErrorOf([&] { OpenSealedText(WithBody(body), "x"); });
        EXPECT_TRUE(error == "The encrypted text is incomplete" || error == "The encrypted text has been changed or damaged")
            << n << ": " << error;
    }
}

TEST(PassphraseCrypto, HiddenInAnImageAndReadBack) {
    bitmap::TBitmap bmp(120, 100, 24);
    const AnsiString data = EncryptTextWithPassphrase(bmp, "  secret words \r\n", "pass phrase");
    AnsiString text;
    ASSERT_TRUE(DecryptText(bmp, text));
    EXPECT_EQ(AnsiString(StegoSignature) + text, data);
    EXPECT_TRUE(IsSealedText(text));
    EXPECT_EQ(text.find("secret"), AnsiString::npos);
    EXPECT_EQ(OpenSealedText(text, "pass phrase"), "secret words");
}
