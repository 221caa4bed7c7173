// A byte buffer that ends exactly at an inaccessible page, so any read past
// its end faults at once, with or without a sanitizer.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "ByteSpan.h"

class GuardedBuffer {
public:
    explicit GuardedBuffer(const std::vector<std::uint8_t>& bytes) : size_(bytes.size()) {
        const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        dataPages_ = (size_ + page - 1) / page;
        if (dataPages_ == 0) dataPages_ = 1;
        mapSize_ = (dataPages_ + 1) * page;
        void* map = ::mmap(nullptr, mapSize_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (map == MAP_FAILED) throw std::runtime_error("mmap failed");
        base_ = static_cast<std::uint8_t*>(map);
        if (::mprotect(base_ + dataPages_ * page, page, PROT_NONE) != 0) throw std::runtime_error("mprotect failed");
        data_ = base_ + dataPages_ * page - size_;
        if (size_) std::memcpy(data_, bytes.data(), size_);
    }
    ~GuardedBuffer() { ::munmap(base_, mapSize_); }
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    ByteSpan span() const { return ByteSpan{data_, size_}; }

private:
    std::size_t size_;
    std::size_t dataPages_ = 0;
    std::size_t mapSize_ = 0;
    std::uint8_t* base_ = nullptr;
    std::uint8_t* data_ = nullptr;
};
