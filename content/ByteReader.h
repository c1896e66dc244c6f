#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

/// Bounds-checked little-endian reads over a byte span. Every read says
/// whether the bytes were there; nothing reads past the end.
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
    bool U8(size_t offset, uint8_t* out) const
    {
        if (!Has(offset, 1))
            return false;
        *out = m_bytes[offset];
        return true;
    }
    bool U16(size_t offset, uint16_t* out) const
    {
        if (!Has(offset, 2))
            return false;
        *out = static_cast<uint16_t>(m_bytes[offset] | (m_bytes[offset + 1] << 8));
        return true;
    }
    bool I16(size_t offset, int16_t* out) const
    {
        uint16_t v;
        if (!U16(offset, &v))
            return false;
        *out = static_cast<int16_t>(v);
        return true;
    }
    bool U32(size_t offset, uint32_t* out) const
    {
        if (!Has(offset, 4))
            return false;
        *out = static_cast<uint32_t>(m_bytes[offset]) | (static_cast<uint32_t>(m_bytes[offset + 1]) << 8)
             | (static_cast<uint32_t>(m_bytes[offset + 2]) << 16)
             | (static_cast<uint32_t>(m_bytes[offset + 3]) << 24);
        return true;
    }
    bool I32(size_t offset, int32_t* out) const
    {
        uint32_t v;
        if (!U32(offset, &v))
            return false;
        *out = static_cast<int32_t>(v);
        return true;
    }
    /// The `length` bytes at `offset`, or an empty span (and false) when they
    /// are not all there.
    bool Sub(size_t offset, size_t length, std::span<const uint8_t>* out) const
    {
        if (!Has(offset, length))
            return false;
        *out = m_bytes.subspan(offset, length);
        return true;
    }

private:
    std::span<const uint8_t> m_bytes;
};
