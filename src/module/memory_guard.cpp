#include "module/memory_guard.hpp"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace veltrocamber {

namespace {

constexpr uint64_t NO_LIMIT = UINT64_MAX;

// The first `size - 1` bytes of a small file (a /proc or cgroup entry),
// NUL-terminated; false when it cannot be read. Plain system calls: nothing
// here allocates or throws.
bool read_small_file(const char *path, char *buffer, size_t size) noexcept {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    size_t used = 0;
    while (used + 1 < size) {
        const ssize_t n = read(fd, buffer + used, size - 1 - used);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        used += static_cast<size_t>(n);
    }
    close(fd);
    buffer[used] = '\0';
    return used > 0;
}

// A cgroup limit file: a decimal byte count, or "max" (no limit).
uint64_t read_limit_file(const char *path) noexcept {
    char text[64];
    if (!read_small_file(path, text, sizeof text) || std::strncmp(text, "max", 3) == 0)
        return NO_LIMIT;
    char *end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (end == text || errno != 0)
        return NO_LIMIT;
    return value;
}

// The smallest limit in `file` of the cgroup at `path` (under the hierarchy
// mounted at `root`) and of every cgroup above it: a parent's limit binds
// its children too.
uint64_t hierarchy_limit(const char *root, const char *path, size_t path_length, const char *file) noexcept {
    uint64_t limit = NO_LIMIT;
    char location[4096];
    while (true) {
        const int n = std::snprintf(location, sizeof location, "%s%.*s/%s", root, static_cast<int>(path_length), path,
                                    file);
        if (n > 0 && static_cast<size_t>(n) < sizeof location)
            limit = std::min(limit, read_limit_file(location));
        if (path_length == 0)
            return limit;
        while (path_length > 0 && path[path_length - 1] != '/')
            --path_length;
        if (path_length > 0)
            --path_length;  // the slash itself
    }
}

// True when the comma-separated controller list of a v1 line names memory.
bool lists_memory_controller(const char *controllers, size_t length) noexcept {
    size_t start = 0;
    for (size_t i = 0; i <= length; ++i) {
        if (i == length || controllers[i] == ',') {
            if (i - start == 6 && std::strncmp(controllers + start, "memory", 6) == 0)
                return true;
            start = i + 1;
        }
    }
    return false;
}

// The process's cgroups from /proc/self/cgroup, one line per hierarchy
// ("id:controllers:path"): the v2 line has no controllers, a v1 line with
// the memory controller names its memory cgroup. Hierarchies are looked for
// where systemd and container runtimes mount them.
uint64_t read_cgroup_limit() noexcept {
    char text[8192];
    if (!read_small_file("/proc/self/cgroup", text, sizeof text))
        return NO_LIMIT;
    uint64_t limit = NO_LIMIT;
    for (char *line = text; *line != '\0';) {
        char *end = std::strchr(line, '\n');
        const size_t length = end != nullptr ? static_cast<size_t>(end - line) : std::strlen(line);
        const char *first = static_cast<const char *>(std::memchr(line, ':', length));
        const char *second =
            first != nullptr ? static_cast<const char *>(std::memchr(first + 1, ':', length - (first + 1 - line)))
                             : nullptr;
        if (second != nullptr) {
            const char *path = second + 1;
            size_t path_length = length - static_cast<size_t>(path - line);
            if (path_length == 1 && path[0] == '/')
                path_length = 0;
            const size_t controllers_length = static_cast<size_t>(second - first - 1);
            if (controllers_length == 0)
                limit = std::min(limit, hierarchy_limit("/sys/fs/cgroup", path, path_length, "memory.max"));
            else if (lists_memory_controller(first + 1, controllers_length))
                limit = std::min(limit, hierarchy_limit("/sys/fs/cgroup/memory", path, path_length,
                                                        "memory.limit_in_bytes"));
        }
        if (end == nullptr)
            break;
        line = end + 1;
    }
    return limit;
}

// "9.3 GiB", or "512 bytes" below one KiB.
void format_bytes(char *out, size_t size, uint64_t bytes) noexcept {
    static constexpr const char *units[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    if (bytes < 1024) {
        std::snprintf(out, size, "%llu bytes", static_cast<unsigned long long>(bytes));
        return;
    }
    double value = static_cast<double>(bytes) / 1024.0;
    size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(units)) {
        value /= 1024.0;
        ++unit;
    }
    std::snprintf(out, size, "%.1f %s", value, units[unit]);
}

}  // namespace

uint64_t physical_memory_bytes() noexcept {
    static const uint64_t bytes = [] {
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long page_size = sysconf(_SC_PAGESIZE);
        uint64_t total = 0;
        if (pages <= 0 || page_size <= 0 ||
            __builtin_mul_overflow(static_cast<uint64_t>(pages), static_cast<uint64_t>(page_size), &total))
            return NO_LIMIT;
        return total;
    }();
    return bytes;
}

uint64_t address_space_headroom_bytes() noexcept {
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return NO_LIMIT;
    // The first field of statm is the size of every mapping, in pages.
    char text[256];
    const long page_size = sysconf(_SC_PAGESIZE);
    uint64_t mapped = 0;
    if (read_small_file("/proc/self/statm", text, sizeof text) && page_size > 0)
        mapped = std::strtoull(text, nullptr, 10) * static_cast<uint64_t>(page_size);
    const uint64_t cap = static_cast<uint64_t>(limit.rlim_cur);
    return mapped < cap ? cap - mapped : 0;
}

uint64_t cgroup_memory_limit_bytes() noexcept {
    static const uint64_t limit = read_cgroup_limit();
    return limit;
}

uint64_t available_memory_bytes() noexcept {
    return std::min({physical_memory_bytes(), address_space_headroom_bytes(), cgroup_memory_limit_bytes()});
}

namespace {

// The size and the room of a refusal: "9.3 GiB" ("more than 16 EiB" for a
// size beyond 64 bits, given as 0) and "7.8 GiB".
struct RefusalFigures {
    char size[32];
    char room[32];

    RefusalFigures(uint64_t bytes, uint64_t available) noexcept {
        if (bytes == 0)
            std::snprintf(size, sizeof size, "more than 16 EiB");
        else
            format_bytes(size, sizeof size, bytes);
        format_bytes(room, sizeof room, available);
    }
};

// Whether a block of `bytes` bytes fits; `available` receives the room it
// was held against when it does not.
bool block_fits(bool overflows, uint64_t bytes, uint64_t &available) noexcept {
    // The address-space probe costs system calls (about a microsecond each
    // in a sandbox), so small blocks, whose work is as short as a failed
    // allocation of them would be, are held against the figures read once.
    constexpr uint64_t small_block_bytes = uint64_t{1} << 20;
    const uint64_t settled = std::min(physical_memory_bytes(), cgroup_memory_limit_bytes());
    if (!overflows && bytes <= std::min(settled, small_block_bytes))
        return true;
    available = std::min(settled, address_space_headroom_bytes());
    return !overflows && bytes <= available;
}

}  // namespace

MemoryRefusal::MemoryRefusal(const char *block, uint64_t rows, uint64_t columns, uint64_t bytes,
                             uint64_t available) noexcept {
    const RefusalFigures figures(bytes, available);
    std::snprintf(message_, sizeof message_, "%s of %llu x %llu cells (%s) exceeds the memory available (%s)", block,
                  static_cast<unsigned long long>(rows), static_cast<unsigned long long>(columns), figures.size,
                  figures.room);
}

MemoryRefusal::MemoryRefusal(const char *table, uint64_t count, const char *unit, const char *verb, uint64_t bytes,
                             uint64_t available) noexcept {
    const RefusalFigures figures(bytes, available);
    std::snprintf(message_, sizeof message_, "%s of %llu %s (%s) %s the memory available (%s)", table,
                  static_cast<unsigned long long>(count), unit, figures.size, verb, figures.room);
}

uint64_t guarded_block_bytes(const char *block, uint64_t rows, uint64_t columns, uint64_t cell_bytes) {
    uint64_t cells = 0;
    uint64_t bytes = 0;
    const bool overflows =
        __builtin_mul_overflow(rows, columns, &cells) || __builtin_mul_overflow(cells, cell_bytes, &bytes);
    uint64_t available = 0;
    if (!block_fits(overflows, bytes, available))
        throw MemoryRefusal(block, rows, columns, overflows ? 0 : bytes, available);
    return bytes;
}

void weigh_pattern_masks(uint64_t tokens, uint64_t bytes) {
    const bool overflows = bytes == UINT64_MAX;
    uint64_t available = 0;
    if (!block_fits(overflows, bytes, available))
        throw MemoryRefusal("the pattern masks", tokens, "tokens", "exceed", overflows ? 0 : bytes, available);
}

}  // namespace veltrocamber
