// The bytes of a world file as the reader takes them: little-endian fields
// read in order through a window of the file that is refilled as the reader
// moves on, so a world file is never held whole in memory (and the window
// stays in the processor's cache). An image already in memory is read the
// same way, as one window.
//
// Like BinaryReader, it knows how many bytes are left (of the size the file
// had when opened), and a read past the end fails and consumes nothing; a
// file that turns out shorter than that size fails its last reads the same
// way.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

class WorldFileBytes {
public:
    static constexpr size_t kWindowBytes = size_t{256} << 10;
    // No piece the world reader must take whole is larger than this; larger
    // runs it reads field by field when the window cannot hold them. A window
    // of at least this size therefore reads any file, only more slowly.
    static constexpr size_t kSmallestWindowBytes = 64;

    // An image in memory; it must outlive the reader.
    WorldFileBytes(const uint8_t* data, size_t size) : data_(data), end_(size), size_(size) {}
    // `size` bytes of an open file from its current position, taken a window
    // of `windowBytes` at a time; the caller keeps the file open and closes it.
    WorldFileBytes(std::FILE* file, uint64_t size, size_t windowBytes = kWindowBytes)
        : file_(file), size_(size), window_(std::max(windowBytes, kSmallestWindowBytes))
    {
        data_ = window_.data();
    }

    uint64_t Position() const { return base_ + at_; }
    uint64_t Remaining() const { return size_ - Position(); }
    // The most Take and Peek give in one piece.
    size_t WindowBytes() const { return file_ ? window_.size() : kWindowBytes; }

    // The next `bytes` bytes (at most WindowBytes()) in one piece, consumed;
    // null (nothing consumed) when fewer are left.
    const uint8_t* Take(size_t bytes)
    {
        const uint8_t* at = Peek(bytes);
        if (at) at_ += bytes;
        return at;
    }
    // The same bytes, left unread; valid until the next read.
    const uint8_t* Peek(size_t bytes)
    {
        if (end_ - at_ < bytes && !Fill(bytes)) return nullptr;
        return data_ + at_;
    }

    bool ReadBytes(void* out, size_t count)
    {
        if (count > Remaining()) return false;
        auto* to = static_cast<uint8_t*>(out);
        while (count > 0) {
            const size_t piece = std::min(count, WindowBytes());
            const uint8_t* from = Take(piece);
            if (!from) return false;
            std::memcpy(to, from, piece);
            to += piece;
            count -= piece;
        }
        return true;
    }
    bool Skip(uint64_t count)
    {
        if (count > Remaining()) return false;
        while (count > 0) {
            const size_t piece = static_cast<size_t>(std::min<uint64_t>(count, WindowBytes()));
            if (!Take(piece)) return false;
            count -= piece;
        }
        return true;
    }

    template <class T>
    bool Read(T& v)
    {
        const uint8_t* at = Take(sizeof(T));
        if (!at) return false;
        v = Little<T>(at);
        return true;
    }

    // The little-endian value at `at`.
    template <class T>
    static T Little(const uint8_t* at)
    {
        T v;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&v, at, sizeof(T));
        } else {
            uint8_t bytes[sizeof(T)];
            for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = at[sizeof(T) - 1 - i];
            std::memcpy(&v, bytes, sizeof(T));
        }
        return v;
    }

private:
    // Makes at least `bytes` unread bytes sit in the window; false when the
    // file (or the size it was opened with) ends first.
    bool Fill(size_t bytes)
    {
        if (!file_ || bytes > window_.size() || bytes > Remaining()) return false;
        const size_t unread = end_ - at_;
        std::memmove(window_.data(), window_.data() + at_, unread);
        base_ += at_;
        at_ = 0;
        end_ = unread;
        const uint64_t left = size_ - base_ - end_;
        const size_t want = static_cast<size_t>(std::min<uint64_t>(left, window_.size() - end_));
        end_ += std::fread(window_.data() + end_, 1, want, file_);
        if (end_ < bytes) size_ = base_ + end_;  // the file was shorter than it said
        return end_ >= bytes;
    }

    std::FILE* file_ = nullptr;
    const uint8_t* data_ = nullptr;
    size_t at_ = 0;      // the next byte, in the window
    size_t end_ = 0;     // the bytes in the window
    uint64_t base_ = 0;  // the file position of the window's first byte
    uint64_t size_ = 0;
    std::vector<uint8_t> window_;
};
