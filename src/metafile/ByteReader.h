#pragma once

#include <QByteArrayView>

#include <cstdint>
#include <cstring>

namespace metafile {

// Little-endian reads from a byte range that never read past its end: a read
// beyond it gives 0 and marks the reader as overrun, so a parser checks once
// after a record instead of before every field.
class ByteReader
{
public:
    ByteReader() = default;
    explicit ByteReader(QByteArrayView data) : data_(data) {}

    qsizetype size() const { return data_.size(); }
    qsizetype pos() const { return pos_; }
    qsizetype remaining() const { return data_.size() - pos_; }
    bool atEnd() const { return pos_ >= data_.size(); }
    bool overrun() const { return overrun_; }
    QByteArrayView data() const { return data_; }

    void seek(qsizetype pos)
    {
        if (pos < 0 || pos > data_.size()) {
            overrun_ = true;
            pos_ = data_.size();
            return;
        }
        pos_ = pos;
    }
    void skip(qsizetype n) { seek(n < 0 || n > remaining() ? -1 : pos_ + n); }

    std::uint8_t u8()
    {
        if (pos_ + 1 > data_.size())
            return fail<std::uint8_t>();
        return std::uint8_t(data_[pos_++]);
    }
    std::int8_t i8() { return std::int8_t(u8()); }
    std::uint16_t u16()
    {
        if (pos_ + 2 > data_.size())
            return fail<std::uint16_t>();
        const auto* p = reinterpret_cast<const std::uint8_t*>(data_.data() + pos_);
        pos_ += 2;
        return std::uint16_t(p[0] | p[1] << 8);
    }
    std::int16_t i16() { return std::int16_t(u16()); }
    std::uint32_t u32()
    {
        if (pos_ + 4 > data_.size())
            return fail<std::uint32_t>();
        const auto* p = reinterpret_cast<const std::uint8_t*>(data_.data() + pos_);
        pos_ += 4;
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
               std::uint32_t(p[3]) << 24;
    }
    std::int32_t i32() { return std::int32_t(u32()); }
    std::uint64_t u64()
    {
        const std::uint64_t low = u32();
        return low | std::uint64_t(u32()) << 32;
    }
    float f32()
    {
        const std::uint32_t bits = u32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    // `n` bytes from the current position; empty (and overrun) when fewer remain.
    QByteArrayView bytes(qsizetype n)
    {
        if (n < 0 || n > remaining()) {
            overrun_ = true;
            pos_ = data_.size();
            return {};
        }
        const QByteArrayView v = data_.sliced(pos_, n);
        pos_ += n;
        return v;
    }

    // Reads at a fixed offset without moving.
    std::uint16_t u16At(qsizetype at) const { return peek<std::uint16_t>(at, 2); }
    std::uint32_t u32At(qsizetype at) const { return peek<std::uint32_t>(at, 4); }
    std::int32_t i32At(qsizetype at) const { return std::int32_t(u32At(at)); }
    std::int16_t i16At(qsizetype at) const { return std::int16_t(u16At(at)); }

private:
    template <typename T> T fail()
    {
        overrun_ = true;
        pos_ = data_.size();
        return T(0);
    }
    template <typename T> T peek(qsizetype at, int n) const
    {
        if (at < 0 || at + n > data_.size())
            return T(0);
        const auto* p = reinterpret_cast<const std::uint8_t*>(data_.data() + at);
        std::uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = v << 8 | p[i];
        return T(v);
    }

    QByteArrayView data_;
    qsizetype pos_ = 0;
    bool overrun_ = false;
};

} // namespace metafile
