// CryptoTestUtil.h -- helpers shared by the crypto tests: hex conversion and the fixture that
// runs a test once with the hardware paths and once with the portable code.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "crypto/KSCpuFeatures.h"

namespace ks::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes FromHex(const std::string& hex) {
    Bytes out;
    if (hex == "-")
        return out;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string clean;
    for (char c : hex)
        if (nibble(c) >= 0)
            clean += c;
    for (std::size_t i = 0; i + 1 < clean.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(nibble(clean[i]) * 16 + nibble(clean[i + 1])));
    return out;
}

inline std::string ToHex(const std::uint8_t* p, std::size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

inline std::string ToHex(const Bytes& b) {
    return ToHex(b.data(), b.size());
}

inline Bytes FromText(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

enum class TPath { Hardware, Portable };

inline std::string PathName(const testing::TestParamInfo<TPath>& info) {
    return info.param == TPath::Hardware ? "Hardware" : "Portable";
}

// Runs each test with the chosen implementation path and restores the selection afterwards.
// The hardware variant is skipped on a processor without the SHA or AES instructions.
class CryptoPathTest : public testing::TestWithParam<TPath> {
protected:
    void SetUp() override {
        saved_ = CryptoAccelerationInUse();
        if (GetParam() == TPath::Hardware) {
            const TCryptoAcceleration available = CryptoAccelerationAvailable();
            if (!available.Sha && !available.Aes)
                GTEST_SKIP() << "no SHA or AES instructions on this processor";
            SetCryptoAcceleration(available);
        } else {
            SetCryptoAcceleration(TCryptoAcceleration{false, false});
        }
    }
    void TearDown() override { SetCryptoAcceleration(saved_); }

private:
    TCryptoAcceleration saved_;
};

} // namespace ks::test
