#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vexor::cad {

// A file's bytes, mapped read-only into memory for the lifetime of the object.
// Throws ReadError naming the file when it cannot be opened.
class MappedFile {
public:
    explicit MappedFile(const std::string& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    std::span<const std::uint8_t> bytes() const { return {data_, size_}; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace vexor::cad
