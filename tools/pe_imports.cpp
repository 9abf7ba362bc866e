#include "pe_imports.h"

#include "payload/little_endian.h"

namespace {

constexpr uint32_t kPeSignature = 0x00004550; // "PE\0\0"
constexpr uint16_t kPe32Magic = 0x10B;
constexpr size_t kCoffHeaderSize = 20;
constexpr size_t kSectionHeaderSize = 40;
constexpr size_t kImportDescriptorSize = 20;
constexpr uint32_t kImportDirectory = 1;
constexpr uint32_t kDelayImportDirectory = 13;
constexpr uint32_t kOrdinalFlag = 0x80000000u;
// More than any real program has: a loop over a damaged table ends here.
constexpr size_t kMaxLibraries = 1000;
constexpr size_t kMaxFunctions = 100000;

struct Reader {
    const std::vector<uint8_t>& bytes;
    bool fits(size_t offset, size_t count) const {
        return offset <= bytes.size() && count <= bytes.size() - offset;
    }
    uint16_t u16(size_t at) const { return uint16_t(bytes[at] | bytes[at + 1] << 8); }
    uint32_t u32(size_t at) const { return read_le32(&bytes[at]); }
};

struct Section {
    uint32_t virtual_address, virtual_size, raw_size, raw_offset;
};

// The file offset of an address of the loaded image; false when no section's file data holds it.
bool file_offset(const std::vector<Section>& sections, uint32_t rva, size_t& offset) {
    for (const Section& s : sections) {
        uint32_t size =
            s.raw_size < s.virtual_size || s.virtual_size == 0 ? s.raw_size : s.virtual_size;
        if (rva >= s.virtual_address && rva - s.virtual_address < size) {
            offset = size_t(s.raw_offset) + (rva - s.virtual_address);
            return true;
        }
    }
    return false;
}

// A zero-terminated name at an image address, whole inside the file.
bool name_at(const Reader& r, const std::vector<Section>& sections, uint32_t rva,
             std::string& name) {
    size_t at = 0;
    if (!file_offset(sections, rva, at) || at >= r.bytes.size()) return false;
    size_t end = at;
    while (end < r.bytes.size() && r.bytes[end] != 0)
        ++end;
    if (end == r.bytes.size()) return false;
    name.assign(reinterpret_cast<const char*>(&r.bytes[at]), end - at);
    return true;
}

bool read_functions(const Reader& r, const std::vector<Section>& sections, uint32_t thunk_rva,
                    const std::string& library, std::vector<PeImport>& imports, std::string& err) {
    size_t at = 0;
    if (!file_offset(sections, thunk_rva, at)) {
        err = library + ": function list outside the file";
        return false;
    }
    for (size_t n = 0;; ++n, at += 4) {
        if (n == kMaxFunctions || !r.fits(at, 4)) {
            err = library + ": function list without end";
            return false;
        }
        uint32_t thunk = r.u32(at);
        if (thunk == 0) return true;
        if (thunk & kOrdinalFlag) {
            imports.push_back({library, "#" + std::to_string(thunk & 0xFFFF)});
            continue;
        }
        std::string name;
        // The entry is a two-byte hint, then the name.
        if (thunk > UINT32_MAX - 2 || !name_at(r, sections, thunk + 2, name)) {
            err = library + ": function name outside the file";
            return false;
        }
        imports.push_back({library, name});
    }
}

} // namespace

bool read_pe_header(const std::vector<uint8_t>& bytes, PeHeader& header, std::string& err) {
    header = PeHeader{};
    const Reader r{bytes};
    if (!r.fits(0, 0x40) || bytes[0] != 'M' || bytes[1] != 'Z') {
        err = "not an executable (no MZ header)";
        return false;
    }
    size_t pe = r.u32(0x3C);
    if (!r.fits(pe, 4 + kCoffHeaderSize) || r.u32(pe) != kPeSignature) {
        err = "no PE header";
        return false;
    }
    size_t coff = pe + 4;
    uint16_t section_count = r.u16(coff + 2);
    uint16_t optional_size = r.u16(coff + 16);
    size_t optional = coff + kCoffHeaderSize;
    if (optional_size < 96 || !r.fits(optional, optional_size) || r.u16(optional) != kPe32Magic) {
        err = "not a 32-bit image (no PE32 optional header)";
        return false;
    }
    header.os_major = r.u16(optional + 40);
    header.os_minor = r.u16(optional + 42);
    header.subsystem_major = r.u16(optional + 48);
    header.subsystem_minor = r.u16(optional + 50);
    uint32_t directory_count = r.u32(optional + 92);
    if (directory_count > (optional_size - 96u) / 8) directory_count = (optional_size - 96u) / 8;
    auto directory = [&](uint32_t index, uint32_t& rva, uint32_t& size) {
        rva = size = 0;
        if (index >= directory_count) return;
        rva = r.u32(optional + 96 + index * 8);
        size = r.u32(optional + 100 + index * 8);
    };

    size_t table = optional + optional_size;
    if (!r.fits(table, size_t(section_count) * kSectionHeaderSize)) {
        err = "section table outside the file";
        return false;
    }
    std::vector<Section> sections;
    for (size_t i = 0; i < section_count; ++i) {
        size_t s = table + i * kSectionHeaderSize;
        Section section{r.u32(s + 12), r.u32(s + 8), r.u32(s + 16), r.u32(s + 20)};
        if (!r.fits(section.raw_offset, section.raw_size)) {
            err = "section data outside the file";
            return false;
        }
        sections.push_back(section);
    }

    uint32_t rva = 0, size = 0;
    directory(kDelayImportDirectory, rva, size);
    header.has_delay_imports = rva != 0 && size != 0;
    directory(kImportDirectory, rva, size);
    if (rva == 0 || size == 0) return true;
    size_t at = 0;
    if (!file_offset(sections, rva, at)) {
        err = "import table outside the file";
        return false;
    }
    for (size_t n = 0;; ++n, at += kImportDescriptorSize) {
        if (n == kMaxLibraries || !r.fits(at, kImportDescriptorSize)) {
            err = "import table without end";
            return false;
        }
        uint32_t name_table = r.u32(at);
        uint32_t name_rva = r.u32(at + 12);
        uint32_t address_table = r.u32(at + 16);
        if (name_table == 0 && name_rva == 0 && address_table == 0) return true;
        std::string library;
        if (!name_at(r, sections, name_rva, library)) {
            err = "library name outside the file";
            return false;
        }
        // The name table is the unbound original; old linkers left only the address table.
        if (!read_functions(r, sections, name_table ? name_table : address_table, library,
                            header.imports, err))
            return false;
    }
}
