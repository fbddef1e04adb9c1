#include "journal/JournalChain.h"

#include "journal/SqliteStatement.h"

JournalChain::Fields JournalChain::FieldsOf(std::int64_t id, const JournalRow &row)
{
    return {id, row.time.time_since_epoch().count(), row.utcOffset.count(), row.source,
            static_cast<std::int64_t>(row.change), row.count, row.capacity};
}

JournalChain::Fields JournalChain::FieldsAt(const SqliteStatement &row)
{
    Fields fields;
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i] = row.Integer(static_cast<int>(i));
    return fields;
}

QByteArrayView JournalChain::Next(QByteArrayView previous, const Fields &fields)
{
    // Each value as a zigzag varint: the sequence reads back one way only,
    // and a usual row takes about 17 bytes, so that with the 32 before it
    // SHA-256 has a single block to hash.
    std::array<char, 10 * std::tuple_size_v<Fields>> bytes;
    qsizetype size = 0;
    for (const std::int64_t value : fields) {
        auto zigzag = (static_cast<std::uint64_t>(value) << 1) ^ static_cast<std::uint64_t>(value >> 63);
        do {
            const auto low = static_cast<char>(zigzag & 0x7f);
            zigzag >>= 7;
            bytes[static_cast<std::size_t>(size++)] = static_cast<char>(low | (zigzag ? 0x80 : 0));
        } while (zigzag);
    }
    hash_.reset();
    hash_.addData(previous);
    hash_.addData(QByteArrayView(bytes.data(), size));
    return hash_.resultView();
}
