#pragma once
// The one file a floor program is given, mapped read-only as the converter reads it.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

class MappedFile {
public:
    // Ends the program with usage when not given exactly one file, with the system's
    // message when the file cannot be read.
    MappedFile(int argc, char** argv, const char* usage)
    {
        if (argc != 2) {
            std::fprintf(stderr, "usage: %s\n", usage);
            std::exit(2);
        }
        const char* const path = argv[1];
        const int fd = open(path, O_RDONLY);
        struct stat status {};
        if (fd < 0 || fstat(fd, &status) != 0) {
            std::perror(path);
            std::exit(1);
        }
        size_ = static_cast<std::size_t>(status.st_size);
        address_ = size_ == 0 ? nullptr : mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
        close(fd);
        if (address_ == MAP_FAILED) {
            std::perror(path);
            std::exit(1);
        }
    }
    ~MappedFile()
    {
        if (address_ != nullptr) {
            munmap(address_, size_);
        }
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    std::string_view bytes() const { return {static_cast<const char*>(address_), size_}; }

private:
    void* address_ = nullptr;
    std::size_t size_ = 0;
};
