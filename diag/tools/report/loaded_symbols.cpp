#include "diag/tools/report/loaded_symbols.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <cerrno>
#include <cstring>

namespace kel::diag::report {
namespace {

// The module's mapping: every table read here must lie inside it, whatever
// the tables say.
struct Mapping {
    std::uintptr_t start;
    std::uintptr_t end;

    bool holds(const void* at, std::size_t length) const {
        const auto address = reinterpret_cast<std::uintptr_t>(at);
        return address >= start && address <= end && length <= end - address;
    }
};

struct SymbolTable {
    const ElfW(Sym) * symbols = nullptr;
    const char* names = nullptr;
    std::size_t namesSize = 0;
    const std::uint32_t* gnuHash = nullptr;
    const ElfW(Word) * sysvHash = nullptr;
};

// Bounds the walk of a dynamic section whose terminator is missing.
constexpr std::size_t kMaxDynamicEntries = 4096;

// The loader rewrites a module's table addresses in its dynamic section to
// run-time ones, except where that section is read-only (the kernel's own
// module): an address already inside the mapping has been rewritten.
template <typename T>
const T* tableAddress(ElfW(Addr) value, std::uintptr_t loadBias, const Mapping& mapping) {
    const auto* asIs = reinterpret_cast<const T*>(value);
    if (mapping.holds(asIs, sizeof(T))) {
        return asIs;
    }
    const auto* moved = reinterpret_cast<const T*>(value + loadBias);
    return mapping.holds(moved, sizeof(T)) ? moved : nullptr;
}

SymbolTable readSymbolTable(const link_map& module, const Mapping& mapping) {
    SymbolTable table;
    const ElfW(Dyn)* entry = module.l_ld;
    for (std::size_t i = 0; i < kMaxDynamicEntries && mapping.holds(entry, sizeof *entry);
         ++i, ++entry) {
        const ElfW(Addr) value = entry->d_un.d_ptr;
        switch (entry->d_tag) {
            case DT_NULL:
                return table;
            case DT_SYMTAB:
                table.symbols = tableAddress<ElfW(Sym)>(value, module.l_addr, mapping);
                break;
            case DT_STRTAB:
                table.names = tableAddress<char>(value, module.l_addr, mapping);
                break;
            case DT_STRSZ:
                table.namesSize = entry->d_un.d_val;
                break;
            case DT_GNU_HASH:
                table.gnuHash = tableAddress<std::uint32_t>(value, module.l_addr, mapping);
                break;
            case DT_HASH:
                table.sysvHash = tableAddress<ElfW(Word)>(value, module.l_addr, mapping);
                break;
            default:
                break;
        }
    }
    return table;
}

class NearestSymbol {
public:
    NearestSymbol(const SymbolTable& table, const Mapping& mapping, std::uintptr_t loadBias,
                  std::uintptr_t address)
        : table_(table), mapping_(mapping), loadBias_(loadBias), address_(address) {}

    // False once the index runs out of the module: the rest of a chain is
    // not there to read.
    bool consider(std::size_t index) {
        const ElfW(Sym)* symbol = table_.symbols + index;
        if (!mapping_.holds(symbol, sizeof *symbol)) {
            return false;
        }
        const unsigned type = ELF64_ST_TYPE(symbol->st_info);
        if (symbol->st_shndx == SHN_UNDEF || symbol->st_shndx == SHN_ABS ||
            (type != STT_FUNC && type != STT_GNU_IFUNC && type != STT_NOTYPE) ||
            symbol->st_name >= table_.namesSize) {
            return true;
        }
        const std::uintptr_t start = loadBias_ + symbol->st_value;
        const bool inside = symbol->st_size == 0
                                ? address_ == start
                                : address_ >= start && address_ - start < symbol->st_size;
        // The innermost of nested symbols names the code best.
        if (inside && (best_ == nullptr || symbol->st_value > best_->st_value)) {
            best_ = symbol;
        }
        return true;
    }

    void fill(CodeLocation& location) const {
        if (best_ == nullptr) {
            return;
        }
        const char* name = table_.names + best_->st_name;
        const std::size_t room = table_.namesSize - best_->st_name;
        location.function = name;
        location.functionLength = ::strnlen(name, room);
        location.functionStart = loadBias_ + best_->st_value;
    }

private:
    const SymbolTable& table_;
    const Mapping& mapping_;
    std::uintptr_t loadBias_;
    std::uintptr_t address_;
    const ElfW(Sym) * best_ = nullptr;
};

// The GNU hash table: a header of four words, a Bloom filter, one bucket
// per hash value holding the first symbol of its chain, and the chains,
// whose last entry has its lowest bit set. It lists every exported symbol.
void searchGnuHash(const SymbolTable& table, const Mapping& mapping, NearestSymbol& search) {
    const std::uint32_t* header = table.gnuHash;
    if (!mapping.holds(header, 4 * sizeof *header)) {
        return;
    }
    const std::uint32_t bucketCount = header[0];
    const std::uint32_t firstHashed = header[1];
    const std::uint32_t bloomWords = header[2];
    const auto* buckets = reinterpret_cast<const std::uint32_t*>(
        reinterpret_cast<const ElfW(Addr)*>(header + 4) + bloomWords);
    if (!mapping.holds(buckets, std::size_t{bucketCount} * sizeof *buckets)) {
        return;
    }
    const std::uint32_t* chains = buckets + bucketCount;
    for (std::uint32_t bucket = 0; bucket < bucketCount; ++bucket) {
        for (std::uint32_t index = buckets[bucket]; index >= firstHashed && index != 0; ++index) {
            const std::uint32_t* link = chains + (index - firstHashed);
            if (!mapping.holds(link, sizeof *link) || !search.consider(index) || (*link & 1) != 0) {
                break;
            }
        }
    }
}

// The older table's second word is the number of symbols.
void searchSysvHash(const SymbolTable& table, const Mapping& mapping, NearestSymbol& search) {
    if (!mapping.holds(table.sysvHash, 2 * sizeof *table.sysvHash)) {
        return;
    }
    const ElfW(Word) count = table.sysvHash[1];
    for (ElfW(Word) index = 1; index < count && search.consider(index); ++index) {
    }
}

}  // namespace

bool LocateCode(std::uintptr_t address, CodeLocation& location) {
    dl_find_object found{};
    if (::_dl_find_object(reinterpret_cast<void*>(address), &found) != 0 ||
        found.dlfo_link_map == nullptr) {
        return false;
    }
    const link_map& module = *found.dlfo_link_map;
    const Mapping mapping{reinterpret_cast<std::uintptr_t>(found.dlfo_map_start),
                          reinterpret_cast<std::uintptr_t>(found.dlfo_map_end)};
    location.moduleBase = mapping.start;
    // The program itself is loaded without a name; it is the one it was started as.
    location.modulePath = module.l_name != nullptr && module.l_name[0] != '\0'
                              ? module.l_name
                              : program_invocation_name;

    const SymbolTable table = readSymbolTable(module, mapping);
    if (table.symbols == nullptr || !mapping.holds(table.names, table.namesSize)) {
        return true;
    }
    NearestSymbol search(table, mapping, module.l_addr, address);
    if (table.gnuHash != nullptr) {
        searchGnuHash(table, mapping, search);
    } else if (table.sysvHash != nullptr) {
        searchSysvHash(table, mapping, search);
    }
    search.fill(location);
    return true;
}

}  // namespace kel::diag::report
