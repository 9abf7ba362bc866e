// What a 32-bit Windows program asks of the system before any of its code runs: the versions in
// its header and the functions of its import table. Read from the file's bytes, on any host.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct PeImport {
    std::string library;  // as the import table spells it, e.g. "KERNEL32.dll"
    std::string function; // the name, or "#N" for an import by ordinal N
};

struct PeHeader {
    uint16_t os_major = 0, os_minor = 0;
    uint16_t subsystem_major = 0, subsystem_minor = 0;
    std::vector<PeImport> imports;
    bool has_delay_imports = false;
};

// Reads a PE32 image; false with the reason in err when the bytes are not one, or when any table
// points outside the file.
bool read_pe_header(const std::vector<uint8_t>& bytes, PeHeader& header, std::string& err);
