#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/des.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "store/Cipher.hpp"

namespace {

using Block = std::array<std::uint8_t, 8>;

std::uint64_t toBits(const Block& b) {
    std::uint64_t v = 0;
    for (auto byte : b) v = (v << 8) | byte;
    return v;
}

Block fromBits(std::uint64_t v) {
    Block b;
    for (int i = 7; i >= 0; --i, v >>= 8) b[i] = static_cast<std::uint8_t>(v);
    return b;
}

// Output bit i (1 = most significant) takes input bit table[i - 1].
std::uint64_t permute(std::uint64_t in, const std::array<int, 64>& table) {
    std::uint64_t out = 0;
    for (int source : table) out = (out << 1) | ((in >> (64 - source)) & 1);
    return out;
}

// The initial permutation written from its regular structure rather than
// copied from a table, so that a typo in the product's table shows up.
std::array<int, 64> initialPermutation() {
    std::array<int, 64> ip{};
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) ip[8 * r + c] = (r < 4 ? 58 + 2 * r : 57 + 2 * (r - 4)) - 8 * c;
    return ip;
}

std::array<int, 64> inverse(const std::array<int, 64>& p) {
    std::array<int, 64> inv{};
    for (int i = 0; i < 64; ++i) inv[p[i] - 1] = i + 1;
    return inv;
}

// Our cipher is standard DES with the bytes of each half reversed after the
// initial permutation and before the final one. With Q = FP . reverse . IP,
// which is its own inverse, that is Q . DES . Q.
Block conjugate(const Block& b) {
    static const auto ip = initialPermutation();
    static const auto fp = inverse(ip);
    Block permuted = fromBits(permute(toBits(b), ip));
    Block reversed{permuted[3], permuted[2], permuted[1], permuted[0],
                   permuted[7], permuted[6], permuted[5], permuted[4]};
    return fromBits(permute(toBits(reversed), fp));
}

Block standardDes(const Block& key, const Block& in, bool encrypt) {
    DES_cblock k;
    std::memcpy(k, key.data(), 8);
    DES_key_schedule ks;
    DES_set_key_unchecked(&k, &ks);
    DES_cblock i, o;
    std::memcpy(i, in.data(), 8);
    DES_ecb_encrypt(&i, &o, &ks, encrypt ? DES_ENCRYPT : DES_DECRYPT);
    Block out;
    std::memcpy(out.data(), o, 8);
    return out;
}

Block randomBlock(std::mt19937& rng) {
    Block b;
    for (auto& byte : b) byte = static_cast<std::uint8_t>(rng());
    return b;
}

TEST(Cipher, EqualsStandardDesWithReversedHalves) {
    std::mt19937 rng(1234);
    int differFromPlainDes = 0;
    constexpr int kTrials = 3000;
    for (int trial = 0; trial < kTrials; ++trial) {
        const Block key = randomBlock(rng);
        const Block plain = randomBlock(rng);
        const auto schedule = store::makeKeySchedule(key.data());

        Block ours = plain;
        store::encryptBlock(ours.data(), schedule);
        ASSERT_EQ(ours, conjugate(standardDes(key, conjugate(plain), true))) << "trial " << trial;

        Block back = ours;
        store::decryptBlock(back.data(), schedule);
        ASSERT_EQ(back, plain);
        ASSERT_EQ(conjugate(standardDes(key, conjugate(ours), false)), plain);

        if (ours != standardDes(key, plain, true)) ++differFromPlainDes;
    }
    EXPECT_GT(differFromPlainDes, kTrials * 99 / 100);
}

TEST(Cipher, IgnoresTheLowBitOfEveryKeyByte) {
    const Block key{'w', 'q', 'z', 'm', 'r', 'v', 't', 0};
    Block flipped = key;
    for (auto& byte : flipped) byte ^= 1;
    Block a{1, 2, 3, 4, 5, 6, 7, 8};
    Block b = a;
    store::encryptBlock(a.data(), store::makeKeySchedule(key.data()));
    store::encryptBlock(b.data(), store::makeKeySchedule(flipped.data()));
    EXPECT_EQ(a, b);
}

const std::uint8_t kKey[8] = {'w', 'q', 'z', 'm', 'r', 'v', 't', 0};

std::vector<std::uint8_t> encrypt(const std::vector<std::uint8_t>& text) {
    std::vector<std::uint8_t> out(text.size() + 8);
    const auto n = store::encryptBuffer(text.data(), text.size(), out.data(), out.size(), kKey);
    out.resize(n);
    return out;
}

TEST(Cipher, BufferLengthsAndCountBytes) {
    struct Case {
        std::size_t n, cipherLength;
        std::uint8_t countByte;
    };
    for (const Case c : {Case{0, 8, 0}, Case{7, 8, 7}, Case{8, 16, 0}, Case{9, 16, 1},
                         Case{15, 16, 7}, Case{16, 24, 0}}) {
        std::vector<std::uint8_t> text(c.n);
        for (std::size_t i = 0; i < c.n; ++i) text[i] = static_cast<std::uint8_t>('a' + i);
        const auto cipher = encrypt(text);
        ASSERT_EQ(cipher.size(), c.cipherLength) << "n = " << c.n;

        std::vector<std::uint8_t> plain(cipher.size());
        const auto length =
            store::decryptBuffer(cipher.data(), cipher.size(), plain.data(), plain.size(), kKey);
        EXPECT_EQ(length, static_cast<std::ptrdiff_t>(c.n));
        EXPECT_EQ(plain.back(), c.countByte) << "n = " << c.n;
        EXPECT_TRUE(std::equal(text.begin(), text.end(), plain.begin()));
        EXPECT_TRUE(store::decryptedLengthIsValid(length, cipher.size()));
    }
}

TEST(Cipher, RoundTripsEveryShortLengthAndAllByteValues) {
    std::mt19937 rng(99);
    for (std::size_t n = 0; n <= 300; ++n) {
        std::vector<std::uint8_t> text(n);
        for (auto& b : text) b = static_cast<std::uint8_t>(rng());
        const auto cipher = encrypt(text);
        std::vector<std::uint8_t> plain(cipher.size());
        const auto length =
            store::decryptBuffer(cipher.data(), cipher.size(), plain.data(), plain.size(), kKey);
        ASSERT_EQ(length, static_cast<std::ptrdiff_t>(n));
        plain.resize(n);
        ASSERT_EQ(plain, text);
    }
}

TEST(Cipher, FillerBlockVariesButDeciphersTheSame) {
    const std::vector<std::uint8_t> text{'e', 'i', 'g', 'h', 't', 'b', 'y', 't'};
    const auto first = encrypt(text);
    const auto second = encrypt(text);
    EXPECT_TRUE(std::equal(first.begin(), first.begin() + 8, second.begin()));
    EXPECT_NE(first, second);  // the random filler block; equal by chance 1 in 2^56
    for (const auto& cipher : {first, second}) {
        std::vector<std::uint8_t> plain(16);
        ASSERT_EQ(store::decryptBuffer(cipher.data(), 16, plain.data(), 16, kKey), 8);
        EXPECT_TRUE(std::equal(text.begin(), text.end(), plain.begin()));
    }
}

TEST(Cipher, SizeQueriesWriteNothing) {
    const std::vector<std::uint8_t> text(13, 'x');
    std::vector<std::uint8_t> out(15, 0xAB);
    EXPECT_EQ(store::encryptBuffer(text.data(), text.size(), out.data(), 15, kKey), 16u);
    EXPECT_EQ(out, std::vector<std::uint8_t>(15, 0xAB));

    const auto cipher = encrypt(text);
    std::vector<std::uint8_t> plain(15, 0xCD);
    EXPECT_EQ(store::decryptBuffer(cipher.data(), 16, plain.data(), 15, kKey), 16);
    EXPECT_EQ(plain, std::vector<std::uint8_t>(15, 0xCD));

    // Fewer than 8 bytes decipher to nothing and touch nothing.
    EXPECT_EQ(store::decryptBuffer(cipher.data(), 7, plain.data(), plain.size(), kKey), 0);
    EXPECT_EQ(plain, std::vector<std::uint8_t>(15, 0xCD));
}

TEST(Cipher, TrailingPartBlockIsIgnored) {
    const std::vector<std::uint8_t> text(12, 'y');
    auto cipher = encrypt(text);
    ASSERT_EQ(cipher.size(), 16u);
    cipher.insert(cipher.end(), {1, 2, 3, 4});
    std::vector<std::uint8_t> plain(16);
    EXPECT_EQ(store::decryptBuffer(cipher.data(), 20, plain.data(), 16, kKey), 12);
    EXPECT_TRUE(std::equal(text.begin(), text.end(), plain.begin()));
}

TEST(Cipher, ChainingMakesEqualBlocksEncipherDifferently) {
    const std::vector<std::uint8_t> text(24, 'z');
    const auto cipher = encrypt(text);
    EXPECT_FALSE(std::equal(cipher.begin(), cipher.begin() + 8, cipher.begin() + 8));
    EXPECT_FALSE(std::equal(cipher.begin() + 8, cipher.begin() + 16, cipher.begin() + 16));
}

} // namespace
