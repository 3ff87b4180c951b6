#include "ZipCrypto.h"

#include <zlib.h>

namespace {

std::uint32_t crcByte(std::uint32_t crc, std::uint8_t byte)
{
    static const z_crc_t* table = get_crc_table();
    return std::uint32_t(table[(crc ^ byte) & 0xff]) ^ (crc >> 8);
}

} // namespace

ZipCrypto::ZipCrypto(const QByteArray& password) : m_keys{0x12345678u, 0x23456789u, 0x34567890u}
{
    for (char c : password) {
        updateKeys(std::uint8_t(c));
    }
}

std::uint8_t ZipCrypto::keyByte() const
{
    const std::uint32_t temp = (m_keys[2] & 0xffffu) | 2u;
    return std::uint8_t(((temp * (temp ^ 1u)) >> 8) & 0xffu);
}

void ZipCrypto::updateKeys(std::uint8_t plain)
{
    m_keys[0] = crcByte(m_keys[0], plain);
    m_keys[1] = (m_keys[1] + (m_keys[0] & 0xffu)) * 134775813u + 1u;
    m_keys[2] = crcByte(m_keys[2], std::uint8_t(m_keys[1] >> 24));
}

void ZipCrypto::encrypt(char* data, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        const auto plain = std::uint8_t(data[i]);
        data[i] = char(plain ^ keyByte());
        updateKeys(plain);
    }
}

void ZipCrypto::decrypt(char* data, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        const auto plain = std::uint8_t(std::uint8_t(data[i]) ^ keyByte());
        data[i] = char(plain);
        updateKeys(plain);
    }
}
