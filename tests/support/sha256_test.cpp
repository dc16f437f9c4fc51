// The digest the golden renders rely on, against the published test vectors.
#include "sha256.h"

#include <gtest/gtest.h>

namespace bw::testing {
namespace {

std::string digestOf(std::string_view text)
{
    return Sha256::hexOf(text.data(), text.size());
}

TEST(Sha256, StandardVectors)
{
    EXPECT_EQ(digestOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(digestOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the first block, so padding takes a second one.
    EXPECT_EQ(digestOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(Sha256, MillionAsFedInUnevenPieces)
{
    const std::string chunk(997, 'a'); // a prime, so pieces straddle every block boundary
    Sha256 h;
    std::size_t left = 1000000;
    while (left > 0) {
        const std::size_t n = std::min(left, chunk.size());
        h.update(chunk.data(), n);
        left -= n;
    }
    EXPECT_EQ(Sha256::hex(h.finish()),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Sha256, ResetStartsAFreshDigest)
{
    Sha256 h;
    h.update("something else");
    h.finish();
    h.reset();
    h.update("abc");
    EXPECT_EQ(Sha256::hex(h.finish()),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

} // namespace
} // namespace bw::testing
