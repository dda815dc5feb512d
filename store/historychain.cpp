#include "historychain.h"

#include <openssl/evp.h>

#include <algorithm>

namespace vantor::history::chain {

struct Hasher::State {
    EVP_MD* sha256 = nullptr;
    EVP_MD_CTX* context = nullptr;
    ~State()
    {
        EVP_MD_CTX_free(context);
        EVP_MD_free(sha256);
    }
};

QByteArray firstPrevious()
{
    return QByteArray(64, '0');
}

Hasher::Hasher()
    : m_state(std::make_unique<State>())
{
    // Fetched once: looking the algorithm up for every entry would cost more than hashing it.
    m_state->sha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    m_state->context = EVP_MD_CTX_new();
}

Hasher::~Hasher() = default;

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1; // the chain writes lower case alone
}

// Decodes the 64 hexadecimal digits of a stored hash without making a copy of them.
bool decodeHash(QByteArrayView hex, std::array<unsigned char, 32>& raw)
{
    if (hex.size() != 64)
        return false;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const int high = hexValue(hex[qsizetype(2 * i)]);
        const int low = hexValue(hex[qsizetype(2 * i + 1)]);
        if (high < 0 || low < 0)
            return false;
        raw[i] = static_cast<unsigned char>(high * 16 + low);
    }
    return true;
}

QByteArray encodeHash(const unsigned char* raw, unsigned int length)
{
    static constexpr char digits[] = "0123456789abcdef";
    QByteArray hex(qsizetype(length) * 2, Qt::Uninitialized);
    for (unsigned int i = 0; i < length; ++i) {
        hex[qsizetype(2 * i)] = digits[raw[i] >> 4];
        hex[qsizetype(2 * i + 1)] = digits[raw[i] & 0x0f];
    }
    return hex;
}

} // namespace

QByteArray Hasher::seal(QByteArrayView previous, const QByteArray& entry)
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> out{};
    unsigned int length = 0;
    std::array<unsigned char, 32> raw{};
    // A hash that is no hash (an entry changed by hand) still chains, through its own digest:
    // the entry is reported, and every entry after it can still be written and checked.
    if (!decodeHash(previous, raw)
        && (!EVP_Digest(previous.data(), std::size_t(previous.size()), out.data(), &length, m_state->sha256, nullptr)
            || length != raw.size()))
        return {};
    if (length == raw.size())
        std::copy_n(out.begin(), raw.size(), raw.begin());
    if (!m_state->sha256 || !m_state->context || !EVP_DigestInit_ex2(m_state->context, m_state->sha256, nullptr)
        || !EVP_DigestUpdate(m_state->context, raw.data(), raw.size())
        || !EVP_DigestUpdate(m_state->context, entry.constData(), std::size_t(entry.size()))
        || !EVP_DigestFinal_ex(m_state->context, out.data(), &length))
        return {};
    return encodeHash(out.data(), length);
}

QByteArray Hasher::digest(QByteArrayView bytes)
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> out{};
    unsigned int length = 0;
    if (!m_state->sha256
        || !EVP_Digest(bytes.data(), std::size_t(bytes.size()), out.data(), &length, m_state->sha256, nullptr))
        return {};
    return encodeHash(out.data(), length);
}

} // namespace vantor::history::chain
