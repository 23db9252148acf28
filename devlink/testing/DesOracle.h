// DES computed independently of our own code, with OpenSSL's libcrypto: the
// expected values of the tests.
#pragma once

#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/des.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace oracle {

using Bytes = std::vector<uint8_t>;
using Key = std::array<uint8_t, 8>;

inline DES_key_schedule Schedule(const uint8_t *key)
{
    DES_cblock block;
    std::memcpy(block, key, 8);
    DES_key_schedule schedule;
    DES_set_key_unchecked(&block, &schedule);
    return schedule;
}

inline Bytes Ecb(const uint8_t *key, const Bytes &in, bool encipher)
{
    DES_key_schedule schedule = Schedule(key);
    Bytes out(in.size());
    for (std::size_t i = 0; i < in.size(); i += 8) {
        DES_cblock block;
        DES_cblock result;
        std::memcpy(block, in.data() + i, 8);
        DES_ecb_encrypt(&block, &result, &schedule, encipher ? DES_ENCRYPT : DES_DECRYPT);
        std::memcpy(out.data() + i, result, 8);
    }
    return out;
}

inline Bytes Cbc(const uint8_t *key, const Bytes &in, const uint8_t *iv, bool encipher)
{
    DES_key_schedule schedule = Schedule(key);
    DES_cblock chain;
    std::memcpy(chain, iv, 8);
    Bytes out(in.size());
    DES_ncbc_encrypt(in.data(), out.data(), static_cast<long>(in.size()), &schedule, &chain,
                     encipher ? DES_ENCRYPT : DES_DECRYPT);
    return out;
}

inline Bytes Cfb8(const uint8_t *key, const Bytes &in, const uint8_t *iv, bool encipher)
{
    DES_key_schedule schedule = Schedule(key);
    DES_cblock chain;
    std::memcpy(chain, iv, 8);
    Bytes out(in.size());
    DES_cfb_encrypt(in.data(), out.data(), 8, static_cast<long>(in.size()), &schedule, &chain,
                    encipher ? DES_ENCRYPT : DES_DECRYPT);
    return out;
}

inline Bytes Ofb(const uint8_t *key, const Bytes &in, const uint8_t *iv)
{
    DES_key_schedule schedule = Schedule(key);
    DES_cblock chain;
    std::memcpy(chain, iv, 8);
    Bytes out(in.size());
    int used = 0;
    DES_ofb64_encrypt(in.data(), out.data(), static_cast<long>(in.size()), &schedule, &chain, &used);
    return out;
}

// 0x80, then zero bytes up to the next multiple of 8.
inline Bytes Pad(Bytes data)
{
    data.push_back(0x80);
    while (data.size() % 8 != 0) {
        data.push_back(0);
    }
    return data;
}

// The last block of a CBC encipherment from a zero chaining value.
inline Key CbcMac(const uint8_t *key, const Bytes &data)
{
    const uint8_t zero[8] = {};
    const Bytes cipher = Cbc(key, data, zero, true);
    Key mac;
    std::memcpy(mac.data(), cipher.data() + cipher.size() - 8, 8);
    return mac;
}

// What a frame carries: the first 4 bytes of the MAC of the padded bytes.
inline Bytes Mac4(const uint8_t *key, const uint8_t *data, std::size_t length)
{
    const Key mac = CbcMac(key, Pad(Bytes(data, data + length)));
    return Bytes(mac.begin(), mac.begin() + 4);
}

// The full 8-byte MAC of the padded bytes: a frame's MAC before it is cut to 4,
// and the key derivation.
inline Bytes PaddedMac(const uint8_t *key, const Bytes &data)
{
    const Key mac = CbcMac(key, Pad(data));
    return Bytes(mac.begin(), mac.end());
}

inline Key Derive(const uint8_t *key, const uint8_t *input16)
{
    return CbcMac(key, Pad(Bytes(input16, input16 + 16)));
}

} // namespace oracle
