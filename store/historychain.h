#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <charconv>
#include <memory>

// The seal of the history: every entry carries a SHA-256 hash of the hash before it and of
// its own fields, so that an entry changed or taken out afterwards no longer fits the chain.
// The database of a server computes the same bytes in its own trigger (historypostgres.cpp).
namespace vantor::history::chain {

// The fields of an entry, in the order they are hashed: the entry's number, At, Who, Record,
// RecordKey, Member, FDID, Action, Before, After, Note, Sealed.
constexpr int FieldCount = 12;

// The hash before the first entry: 32 zero bytes, as hexadecimal text.
QByteArray firstPrevious();

// An entry as the chain hashes it: each field as its length in bytes, a colon and its UTF-8
// bytes ("4:A123"), a null as "N", one after the other. Nothing can be read two ways.
class EntryBytes
{
public:
    // Keeps the room the last entry took: a chain of millions is built in one buffer.
    void clear() { m_bytes.resize(0); }
    void add(QByteArrayView utf8)
    {
        appendNumber(utf8.size());
        m_bytes.append(':').append(utf8);
    }
    // A whole number as its text: the entry's number.
    void addNumber(qint64 number)
    {
        std::array<char, 24> digits{};
        const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), number).ptr;
        add(QByteArrayView(digits.data(), end - digits.data()));
    }
    void addNull() { m_bytes.append('N'); }
    const QByteArray& bytes() const { return m_bytes; }

private:
    void appendNumber(qsizetype number)
    {
        std::array<char, 24> digits{};
        const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), number).ptr;
        m_bytes.append(digits.data(), end - digits.data());
    }

    QByteArray m_bytes;
};

// SHA-256 over the previous entry's hash (hexadecimal text, as stored) and an entry's bytes,
// as hexadecimal text. One hasher serves a whole chain: millions of entries are hashed at the
// speed of the processor's own SHA instructions.
class Hasher
{
public:
    Hasher();
    ~Hasher();
    Hasher(const Hasher&) = delete;
    Hasher& operator=(const Hasher&) = delete;

    // `previous` that is not 64 lower-case hexadecimal digits stands for its own SHA-256.
    // Empty only when the hash could not be taken.
    QByteArray seal(QByteArrayView previous, const QByteArray& entry);
    // The plain SHA-256 of `bytes`, for whoever wants to check one by hand.
    QByteArray digest(QByteArrayView bytes);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace vantor::history::chain
