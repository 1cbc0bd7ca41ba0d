// Little-endian field-by-field reading and writing. Every file the program
// reads goes through BinaryReader, which tracks the bytes left: a read past the
// end fails and consumes nothing, so a count in a file can never make a reader
// run off its buffer or allocate more than the file could hold.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class BinaryReader {
public:
    BinaryReader() = default;
    BinaryReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit BinaryReader(const std::vector<uint8_t>& bytes) : data_(bytes.data()), size_(bytes.size()) {}

    size_t Position() const { return position_; }
    size_t Remaining() const { return size_ - position_; }
    bool AtEnd() const { return position_ >= size_; }

    bool ReadBytes(void* out, size_t count)
    {
        if (count > Remaining()) return false;
        if (count) std::memcpy(out, data_ + position_, count);
        position_ += count;
        return true;
    }
    bool Skip(size_t count)
    {
        if (count > Remaining()) return false;
        position_ += count;
        return true;
    }

    bool ReadU8(uint8_t& v) { return ReadBytes(&v, 1); }
    bool ReadU16(uint16_t& v) { return ReadLittle(v); }
    bool ReadU32(uint32_t& v) { return ReadLittle(v); }
    bool ReadU64(uint64_t& v) { return ReadLittle(v); }
    bool ReadI16(int16_t& v) { return ReadLittleAs<uint16_t>(v); }
    bool ReadI32(int32_t& v) { return ReadLittleAs<uint32_t>(v); }
    bool ReadI64(int64_t& v) { return ReadLittleAs<uint64_t>(v); }
    bool ReadF32(float& v) { return ReadLittleAs<uint32_t>(v); }
    bool ReadF64(double& v) { return ReadLittleAs<uint64_t>(v); }

private:
    template <class U>
    bool ReadLittle(U& v)
    {
        uint8_t bytes[sizeof(U)];
        if (!ReadBytes(bytes, sizeof(U))) return false;
        U value = 0;
        for (size_t i = 0; i < sizeof(U); ++i) value |= static_cast<U>(static_cast<U>(bytes[i]) << (8 * i));
        v = value;
        return true;
    }
    template <class U, class T>
    bool ReadLittleAs(T& v)
    {
        static_assert(sizeof(U) == sizeof(T));
        U raw;
        if (!ReadLittle(raw)) return false;
        std::memcpy(&v, &raw, sizeof(T));
        return true;
    }

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t position_ = 0;
};

class BinaryWriter {
public:
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    std::vector<uint8_t>& Bytes() { return bytes_; }
    size_t Size() const { return bytes_.size(); }

    void WriteBytes(const void* data, size_t count)
    {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + count);
    }
    void WriteU8(uint8_t v) { bytes_.push_back(v); }
    void WriteU16(uint16_t v) { WriteLittle(v); }
    void WriteU32(uint32_t v) { WriteLittle(v); }
    void WriteU64(uint64_t v) { WriteLittle(v); }
    void WriteI16(int16_t v) { WriteLittleAs<uint16_t>(v); }
    void WriteI32(int32_t v) { WriteLittleAs<uint32_t>(v); }
    void WriteI64(int64_t v) { WriteLittleAs<uint64_t>(v); }
    void WriteF32(float v) { WriteLittleAs<uint32_t>(v); }
    void WriteF64(double v) { WriteLittleAs<uint64_t>(v); }

private:
    template <class U>
    void WriteLittle(U v)
    {
        for (size_t i = 0; i < sizeof(U); ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    template <class U, class T>
    void WriteLittleAs(T v)
    {
        U raw;
        std::memcpy(&raw, &v, sizeof(T));
        WriteLittle(raw);
    }

    std::vector<uint8_t> bytes_;
};
