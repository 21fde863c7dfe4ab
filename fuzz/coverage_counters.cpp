// SPDX-License-Identifier: GPL-3.0-or-later
// The counters have no symbol outside their own module, so each module's
// counter section is found in its file's section headers.
#include "coverage_counters.h"

#include <elf.h>
#include <link.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace fuzz {
namespace {

constexpr const char* CounterSection = "__sancov_cntrs";

template <typename T>
bool ReadAt(std::ifstream& in, std::uint64_t offset, T& out, std::size_t size = sizeof(T)) {
    in.seekg(static_cast<std::streamoff>(offset));
    return static_cast<bool>(in.read(reinterpret_cast<char*>(&out), static_cast<std::streamsize>(size)));
}

// The module's counter section where it is loaded, at `base` on from the
// file's own addresses; empty when the module has none.
std::span<std::uint8_t> CountersInFile(const char* path, ElfW(Addr) base) {
    std::ifstream in(path, std::ios::binary);
    ElfW(Ehdr) header{};
    if (!ReadAt(in, 0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_shentsize != sizeof(ElfW(Shdr)) ||
        header.e_shstrndx >= header.e_shnum)
        return {};
    std::vector<ElfW(Shdr)> sections(header.e_shnum);
    if (!ReadAt(in, header.e_shoff, sections[0], sections.size() * sizeof(ElfW(Shdr)))) return {};
    const ElfW(Shdr)& names = sections[header.e_shstrndx];
    std::string table(names.sh_size, '\0');
    if (!ReadAt(in, names.sh_offset, table[0], table.size())) return {};
    for (const ElfW(Shdr) & section : sections)
        if (section.sh_name < table.size() && std::strcmp(table.c_str() + section.sh_name, CounterSection) == 0)
            return {reinterpret_cast<std::uint8_t*>(base + section.sh_addr), section.sh_size};
    return {};
}

}  // namespace

CoverageCounters::CoverageCounters() {
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* self) {
            const char* path = *info->dlpi_name ? info->dlpi_name : "/proc/self/exe";
            const auto counters = CountersInFile(path, info->dlpi_addr);
            if (!counters.empty()) static_cast<CoverageCounters*>(self)->modules_.push_back(counters);
            return 0;
        },
        this);
    for (const auto& module : modules_) size_ += module.size();
    if (size_ == 0) {
        std::fprintf(stderr, "coverage counters: no instrumented module is loaded\n");
        std::exit(1);
    }
}

void CoverageCounters::Clear(std::uint8_t* shared) const { std::memset(shared, 0, size_); }

void CoverageCounters::Save(std::uint8_t* shared) const {
    for (const auto& module : modules_) shared = std::copy(module.begin(), module.end(), shared);
}

void CoverageCounters::Load(const std::uint8_t* shared) const {
    for (const auto& module : modules_) {
        std::copy(shared, shared + module.size(), module.begin());
        shared += module.size();
    }
}

}  // namespace fuzz
