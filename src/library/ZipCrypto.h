#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>

/**
 * The classic PKWARE stream cipher of zip entries ("ZipCrypto"): three 32-bit keys seeded from the
 * password and advanced by every plain byte. Weak by today's measure, but the one encryption that
 * every zip tool reads and writes. Internal to the archive classes.
 */
class ZipCrypto
{
public:
    /** The cipher state after taking in the password's bytes. */
    explicit ZipCrypto(const QByteArray& password);

    /** Encrypts length bytes in place. */
    void encrypt(char* data, std::size_t length);
    /** Decrypts length bytes in place. */
    void decrypt(char* data, std::size_t length);

    /** Size of the encryption header that starts every encrypted entry. */
    static constexpr int headerSize = 12;

private:
    std::uint8_t keyByte() const;
    void updateKeys(std::uint8_t plain);

    std::uint32_t m_keys[3];
};
