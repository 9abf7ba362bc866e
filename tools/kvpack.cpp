// kvpack: the build's compressor and payload packer.
//   kvpack [-1..-9] encode IN OUT        one file to a raw stream (default level 6)
//   kvpack decode IN OUT                 a raw stream back to its bytes
//   kvpack [-1..-9] pack OUT.blob FILE... (default level 9)
//   kvpack list BLOB
//   kvpack unpack BLOB DIR               (DIR is created when missing)
// Every failure prints one line naming the file and exits with 1; nothing damaged is written.
#include "file_bytes.h"
#include "stream_encode.h"
#include "payload/stream_format.h"
#include "payload_blob.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

int fail(const std::string& file, const std::string& why) {
    std::fprintf(stderr, "kvpack: %s: %s\n", file.c_str(), why.c_str());
    return 1;
}

int usage() {
    std::fprintf(stderr, "kvpack: usage: kvpack [-1..-9] encode IN OUT | decode IN OUT | "
                         "[-1..-9] pack OUT.blob FILE... | list BLOB | unpack BLOB DIR\n");
    return 2;
}

int cmd_encode(const std::string& in, const std::string& out, int level) {
    std::vector<uint8_t> data;
    std::string err;
    if (!read_file(in, data, err)) return fail(in, err);
    if (data.size() > kMaxDeclaredSize)
        return fail(in, "too large for one stream (" + std::to_string(kMaxDeclaredSize >> 20) +
                            " MiB at most)");
    std::vector<uint8_t> stream = stream_encode(data.data(), data.size(), level);
    if (!write_file(out, stream, err)) return fail(out, err);
    return 0;
}

int cmd_decode(const std::string& in, const std::string& out) {
    std::vector<uint8_t> stream;
    std::string err;
    if (!read_file(in, stream, err)) return fail(in, err);
    std::vector<uint8_t> data;
    if (!decode_stream(stream.data(), stream.size(), data, err)) return fail(in, err);
    if (!write_file(out, data, err)) return fail(out, err);
    return 0;
}

int cmd_pack(const std::string& out, const std::vector<std::string>& inputs, int level) {
    std::vector<BlobFile> files;
    std::string err;
    for (const std::string& path : inputs) {
        BlobFile f{base_name(path), {}};
        // Caught here, before the blob is built, so that the message names the file given.
        if (!is_bare_file_name(f.name)) return fail(path, "the installer refuses this file name");
        if (!read_file(path, f.bytes, err)) return fail(path, err);
        for (const BlobFile& other : files)
            if (other.name == f.name) return fail(path, "a file of this name is already packed");
        files.push_back(std::move(f));
    }
    std::vector<uint8_t> blob;
    if (!build_blob(files, level, blob, err)) return fail(out, err);
    if (!write_file(out, blob, err)) return fail(out, err);
    return 0;
}

// Reads the blob, its entries and the names of entry 0.
bool open_blob(const std::string& path, std::vector<uint8_t>& blob, std::vector<BlobEntry>& entries,
               std::vector<std::string>& names, std::string& err) {
    if (!read_file(path, blob, err) || !split_blob(blob.data(), blob.size(), entries, err))
        return false;
    if (entries.empty()) {
        err = "empty blob (no file-name list)";
        return false;
    }
    std::vector<uint8_t> text;
    if (!read_blob_entry(blob.data(), entries[0], text, err) ||
        !parse_name_list(text, names, err)) {
        err = "entry 0: " + err;
        return false;
    }
    if (names.size() != entries.size() - 1) {
        err = "the file-name list names " + std::to_string(names.size()) + " files but " +
              std::to_string(entries.size() - 1) + " entries follow";
        return false;
    }
    return true;
}

int cmd_list(const std::string& path) {
    std::vector<uint8_t> blob;
    std::vector<BlobEntry> entries;
    std::vector<std::string> names;
    std::string err;
    if (!open_blob(path, blob, entries, names, err)) return fail(path, err);
    std::printf("%5s %10s %10s %10s  %-10s %s\n", "entry", "offset", "unpacked", "packed", "form",
                "name");
    for (size_t i = 0; i < entries.size(); ++i) {
        const BlobEntry& e = entries[i];
        std::printf("%5zu %10zu %10u %10u  %-10s %s\n", i, e.offset - kEntryHeaderSize, e.unpacked,
                    e.packed, e.stored() ? "stored" : "compressed",
                    i == 0 ? "(file-name list)" : names[i - 1].c_str());
    }
    std::printf("%zu bytes in all\n", blob.size());
    return 0;
}

int cmd_unpack(const std::string& path, const std::string& dir) {
    std::vector<uint8_t> blob;
    std::vector<BlobEntry> entries;
    std::vector<std::string> names;
    std::string err;
    if (!open_blob(path, blob, entries, names, err)) return fail(path, err);
    for (size_t i = 0; i < names.size(); ++i)
        if (!is_bare_file_name(names[i]))
            return fail(path, "entry " + std::to_string(i + 1) +
                                  ": the installer refuses the file name \"" + names[i] + "\"");
    const bool dir_was_there = std::filesystem::is_directory(dir);
    std::error_code made;
    std::filesystem::create_directories(dir, made);
    if (made) return fail(dir, made.message());
    // One entry in memory at a time, each written under a temporary name as soon as it is decoded;
    // only when all have been does any file take its own name, so a failed run leaves none.
    std::vector<std::string> outs;
    auto give_up = [&](const std::string& file, const std::string& why) {
        for (const std::string& out : outs)
            discard_file(out);
        if (!dir_was_there) std::filesystem::remove(dir, made);
        return fail(file, why);
    };
    for (size_t i = 0; i < names.size(); ++i) {
        std::vector<uint8_t> contents;
        if (!read_blob_entry(blob.data(), entries[i + 1], contents, err))
            return give_up(path, "entry " + std::to_string(i + 1) + " (" + names[i] + "): " + err);
        outs.push_back(dir + "/" + names[i]);
        if (!write_file_part(outs.back(), contents, err)) return give_up(outs.back(), err);
    }
    for (const std::string& out : outs)
        if (!commit_file(out, err)) return give_up(out, err);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    int level = 0; // 0: the command's default
    if (!args.empty() && args[0].size() == 2 && args[0][0] == '-' && args[0][1] >= '1' &&
        args[0][1] <= '9') {
        level = args[0][1] - '0';
        args.erase(args.begin());
    }
    if (args.empty()) return usage();
    const std::string cmd = args[0];
    if (cmd == "encode" && args.size() == 3)
        return cmd_encode(args[1], args[2], level ? level : kStreamDefaultLevel);
    if (cmd == "decode" && args.size() == 3) return cmd_decode(args[1], args[2]);
    if (cmd == "pack" && args.size() >= 2)
        // The payload is packed once per build and shipped to every user: smallest wins.
        return cmd_pack(args[1], std::vector<std::string>(args.begin() + 2, args.end()),
                        level ? level : kStreamMaxLevel);
    if (cmd == "list" && args.size() == 2) return cmd_list(args[1]);
    if (cmd == "unpack" && args.size() == 3) return cmd_unpack(args[1], args[2]);
    return usage();
}
