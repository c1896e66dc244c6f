#pragma once
// The one bounds-checked little-endian reader and writer of every binary
// format: the PE module, pictures, waves and the content records.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

/// Reads over a byte span. Every read gives nullopt when the bytes are not
/// all there; nothing reads past the end.
class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    size_t Size() const { return m_bytes.size(); }
    std::span<const uint8_t> Bytes() const { return m_bytes; }

    /// True when `length` bytes exist at `offset` (overflow-safe).
    bool Has(size_t offset, size_t length) const
    {
        return offset <= m_bytes.size() && length <= m_bytes.size() - offset;
    }
    std::optional<uint8_t> U8(size_t offset) const
    {
        if (!Has(offset, 1))
            return std::nullopt;
        return m_bytes[offset];
    }
    std::optional<uint16_t> U16(size_t offset) const
    {
        if (!Has(offset, 2))
            return std::nullopt;
        return static_cast<uint16_t>(m_bytes[offset] | (m_bytes[offset + 1] << 8));
    }
    std::optional<int16_t> I16(size_t offset) const
    {
        if (auto v = U16(offset))
            return static_cast<int16_t>(*v);
        return std::nullopt;
    }
    std::optional<uint32_t> U32(size_t offset) const
    {
        if (!Has(offset, 4))
            return std::nullopt;
        return static_cast<uint32_t>(m_bytes[offset]) | (static_cast<uint32_t>(m_bytes[offset + 1]) << 8)
             | (static_cast<uint32_t>(m_bytes[offset + 2]) << 16)
             | (static_cast<uint32_t>(m_bytes[offset + 3]) << 24);
    }
    std::optional<int32_t> I32(size_t offset) const
    {
        if (auto v = U32(offset))
            return static_cast<int32_t>(*v);
        return std::nullopt;
    }
    /// The `length` bytes at `offset`, when they are all there.
    std::optional<std::span<const uint8_t>> Sub(size_t offset, size_t length) const
    {
        if (!Has(offset, length))
            return std::nullopt;
        return m_bytes.subspan(offset, length);
    }

private:
    std::span<const uint8_t> m_bytes;
};

/// Writes little-endian values into a byte span; a write that would not fit
/// wholly inside the span writes nothing and gives false.
class ByteWriter {
public:
    explicit ByteWriter(std::span<uint8_t> bytes) : m_bytes(bytes) {}

    bool U8(size_t offset, uint8_t value) { return Put(offset, value, 1); }
    bool U16(size_t offset, uint16_t value) { return Put(offset, value, 2); }
    bool U32(size_t offset, uint32_t value) { return Put(offset, value, 4); }
    bool U64(size_t offset, uint64_t value) { return Put(offset, value, 8); }

private:
    bool Put(size_t offset, uint64_t value, size_t size)
    {
        if (offset > m_bytes.size() || size > m_bytes.size() - offset)
            return false;
        for (size_t i = 0; i < size; ++i)
            m_bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
        return true;
    }

    std::span<uint8_t> m_bytes;
};
