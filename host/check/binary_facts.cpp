/* Reading PE and ELF module files with every offset checked.
 *
 * `Reader` answers each read with false when the bytes asked for are not all inside the file;
 * every caller turns a false into the file's error and stops.  Offsets are added in 64 bits,
 * so no sum of forged values wraps around.  Numbers are put together byte by byte, so an odd
 * offset in a hostile file is never an unaligned access.  Nothing recurses: the nested
 * structures (the resource directory, the version blocks) have a fixed depth and are walked
 * level by level, and every loop has a cap. */
#include "host/check/binary_facts.h"
#include "host/host_platform.h"
#include "host/texts.h"
#include "text/utf8.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

namespace vthost {

namespace {

/* Caps on what a forged header could ask the reader to walk. */
enum {
    MAX_SECTIONS = 256,
    MAX_NAMES = 65536,          /* exported names, imported names per library, symbols */
    MAX_LIBRARIES = 1024,
    MAX_NAME_LENGTH = 4096,
    MAX_DYNAMIC = 65536,
    MAX_VERSION_BLOCKS = 256,   /* blocks under one block of a version resource */
    MAX_VERSION_KEY = 64,       /* UTF-16 units of a key such as "ProductVersion" */
    MAX_VERSION_VALUE = 1024,   /* UTF-16 units kept of a value; the rest is left out */
    MAX_CERTIFICATES = 64,
};

enum : uint32_t {
    RT_VERSION = 16,
    FIXED_FILE_INFO_SIGNATURE = 0xFEEF04BD,
    WIN_CERT_REVISION_2_0 = 0x0200,
    WIN_CERT_TYPE_PKCS_SIGNED_DATA = 2,
};

class Reader {
public:
    Reader(const std::string& bytes, bool big_endian = false) : bytes_(bytes), big_(big_endian) {}
    void set_big_endian(bool big) { big_ = big; }
    bool has(uint64_t offset, uint64_t length) const {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }
    bool u8(uint64_t offset, uint32_t& out) const {
        if (!has(offset, 1)) return false;
        out = static_cast<unsigned char>(bytes_[offset]);
        return true;
    }
    bool u16(uint64_t offset, uint32_t& out) const { return number(offset, 2, out); }
    bool u32(uint64_t offset, uint32_t& out) const { return number(offset, 4, out); }
    bool u64(uint64_t offset, uint64_t& out) const {
        if (!has(offset, 8)) return false;
        out = 0;
        for (int i = 0; i < 8; ++i) {
            uint64_t byte = static_cast<unsigned char>(bytes_[offset + (big_ ? i : 7 - i)]);
            out = (out << 8) | byte;
        }
        return true;
    }
    /* A zero-terminated name of at most MAX_NAME_LENGTH bytes, ending inside `limit`. */
    bool name(uint64_t offset, std::string& out, uint64_t limit = UINT64_MAX) const {
        if (limit > bytes_.size()) limit = bytes_.size();
        out.clear();
        for (uint64_t i = offset; i < limit; ++i) {
            char c = bytes_[i];
            if (c == '\0') return true;
            if (out.size() >= MAX_NAME_LENGTH) return false;
            out.push_back(c);
        }
        return false;
    }
    size_t size() const { return bytes_.size(); }
    /* A copy of bytes the caller has checked with has(). */
    std::string slice(uint64_t offset, uint64_t length) const { return bytes_.substr(offset, length); }

private:
    bool number(uint64_t offset, int length, uint32_t& out) const {
        if (!has(offset, static_cast<uint64_t>(length))) return false;
        out = 0;
        for (int i = 0; i < length; ++i) {
            uint32_t byte = static_cast<unsigned char>(bytes_[offset + (big_ ? i : length - 1 - i)]);
            out = (out << 8) | byte;
        }
        return true;
    }
    const std::string& bytes_;
    bool big_;
};

/* ---- version information ------------------------------------------------------------------ */

uint64_t align4(uint64_t offset) { return (offset + 3) & ~uint64_t{3}; }

/* UTF-8 of UTF-16 text; an unpaired surrogate and every control character become U+FFFD.
 * Each unit is taken, a zero included: the text's length is the block's, not a terminator. */
std::string utf8_of(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        char32_t c;
        i += static_cast<size_t>(utf16_decode(text.data() + i, text.size() - i, &c));
        if (c < 0x20 || (c >= 0x7F && c < 0xA0)) c = UTF_REPLACEMENT;
        char bytes[4];
        out.append(bytes, static_cast<size_t>(utf8_encode(c, bytes)));
    }
    return out;
}

/* A VS_VERSIONINFO block and the blocks inside it.  Every block starts with its length (the
 * whole block with its children), the length of its value, its type (1: text) and a key in
 * UTF-16 ending in a zero; the value and then the children follow, each at a multiple of 4
 * from the block's start.  The depth is fixed: VS_VERSION_INFO, StringFileInfo, a string
 * table per language, its strings. */
class VersionInfo {
public:
    VersionInfo(const std::string& block, VersionResource& out) : read_(block), out_(out) {}

    void run() {
        Block root;
        if (!header(0, read_.size(), root)) return;
        if (root.key != u"VS_VERSION_INFO") return fail("it does not start with the key VS_VERSION_INFO");
        if (root.value_length >= 52) {
            uint32_t signature = 0, file_ms = 0, file_ls = 0, product_ms = 0, product_ls = 0;
            if (root.value + 52 > root.end || !read_.u32(root.value, signature) || !read_.u32(root.value + 8, file_ms) ||
                !read_.u32(root.value + 12, file_ls) || !read_.u32(root.value + 16, product_ms) ||
                !read_.u32(root.value + 20, product_ls))
                return fail("its fixed part runs past the block");
            if (signature != FIXED_FILE_INFO_SIGNATURE) return fail("its fixed part lacks the signature 0xFEEF04BD");
            out_.fixed = true;
            const uint32_t words[4] = {file_ms, file_ls, product_ms, product_ls};
            for (int i = 0; i < 2; ++i) {
                out_.file_version[2 * i] = words[i] >> 16;
                out_.file_version[2 * i + 1] = words[i] & 0xFFFF;
                out_.product_version[2 * i] = words[2 + i] >> 16;
                out_.product_version[2 * i + 1] = words[2 + i] & 0xFFFF;
            }
        } else if (root.value_length != 0) {
            return fail("its fixed part is " + std::to_string(root.value_length) + " bytes, not 52");
        }
        bool tables = false;
        children(root, [&](const Block& info) {
            if (info.key != u"StringFileInfo") return true;
            return children(info, [&](const Block& table) {
                if (tables) return true;  /* the first language's strings */
                tables = true;
                return children(table, [&](const Block& string) {
                    std::u16string value;
                    for (uint64_t at = string.value; at + 2 <= string.end && value.size() < MAX_VERSION_VALUE; at += 2) {
                        uint32_t unit = 0;
                        if (!read_.u16(at, unit) || unit == 0) break;
                        value.push_back(static_cast<char16_t>(unit));
                    }
                    out_.strings.emplace_back(utf8_of(string.key), utf8_of(value));
                    return true;
                });
            });
        });
        if (out_.state != VersionResource::DAMAGED) out_.state = VersionResource::PRESENT;
    }

private:
    struct Block {
        uint64_t end = 0;        /* offset just past the block */
        uint64_t value = 0;      /* offset of its value */
        uint64_t children = 0;   /* offset of its first child */
        uint32_t value_length = 0;
        std::u16string key;
    };

    void fail(const std::string& what) {
        if (out_.state == VersionResource::DAMAGED) return;
        out_.state = VersionResource::DAMAGED;
        out_.error = what;
    }

    /* The block at `at`, which must end by `limit`. */
    bool header(uint64_t at, uint64_t limit, Block& out) {
        uint32_t length = 0, type = 0;
        if (at + 6 > limit || !read_.u16(at, length) || !read_.u16(at + 2, out.value_length) || !read_.u16(at + 4, type))
            return fail("a block's header is cut off"), false;
        if (length < 6 || at + length > limit) return fail("a block runs past the block that holds it"), false;
        out.end = at + length;
        uint64_t p = at + 6;
        for (;;) {
            uint32_t unit = 0;
            if (p + 2 > out.end || !read_.u16(p, unit)) return fail("a key runs past its block"), false;
            p += 2;
            if (unit == 0) break;
            if (out.key.size() >= MAX_VERSION_KEY) return fail("a key is longer than any key of a version resource"), false;
            out.key.push_back(static_cast<char16_t>(unit));
        }
        out.value = align4(p);
        /* A text value's length counts UTF-16 units, a binary one's bytes. */
        uint64_t value_bytes = type == 1 ? 2ull * out.value_length : out.value_length;
        out.children = align4(out.value + value_bytes);
        return true;
    }

    /* Calls each(child) for the children of `parent` until it answers false; false when a
     * child is damaged or each() answered false.  A zero length ends the children: padding. */
    template <typename Each>
    bool children(const Block& parent, Each each) {
        uint64_t at = parent.children;
        for (unsigned count = 0; at + 6 <= parent.end; ++count) {
            uint32_t length = 0;
            if (!read_.u16(at, length) || length == 0) break;
            if (count >= MAX_VERSION_BLOCKS) return fail("a block holds more blocks than a version resource has"), false;
            Block child;
            if (!header(at, parent.end, child) || !each(child)) return false;
            at = align4(child.end);
        }
        return true;
    }

    Reader read_;
    VersionResource& out_;
};

/* ---- PE ----------------------------------------------------------------------------------- */

struct Section {
    uint32_t address, virtual_size, raw_size, raw_offset;
};

class PeFile {
public:
    PeFile(const std::string& bytes, BinaryFacts& facts) : read_(bytes), facts_(facts) {}

    void run() {
        if (!headers()) return;
        /* The version resource and the certificate table first: they are reported even where
         * the exports or imports turn out damaged. */
        uint32_t resource_rva = 0, resource_size = 0, certificates_at = 0, certificates_size = 0;
        if (directories_ > 2) {
            if (!read_.u32(dirs_ + 16, resource_rva) || !read_.u32(dirs_ + 20, resource_size))
                version_damaged("the resource directory entry is cut off");
            else if (resource_rva != 0)
                version_resource(resource_rva, resource_size);
        }
        if (directories_ > 4) {
            if (!read_.u32(dirs_ + 32, certificates_at) || !read_.u32(dirs_ + 36, certificates_size))
                signature_damaged("the certificate table entry is cut off");
            else if (certificates_size != 0)
                certificates(certificates_at, certificates_size);
        }
        uint32_t export_rva = 0, export_size = 0, import_rva = 0, import_size = 0;
        if (directories_ > 0 && !(read_.u32(dirs_, export_rva) && read_.u32(dirs_ + 4, export_size)))
            return fail("the export directory entry is cut off");
        if (directories_ > 1 && !(read_.u32(dirs_ + 8, import_rva) && read_.u32(dirs_ + 12, import_size)))
            return fail("the import directory entry is cut off");
        if (export_rva != 0 && !exports(export_rva)) return;
        if (import_rva != 0) imports(import_rva);
    }

private:
    void fail(const std::string& what) {
        if (facts_.error.empty()) facts_.error = what;
    }

    bool headers() {
        uint32_t pe = 0, signature = 0, machine = 0, sections = 0, optional_size = 0, flags = 0, magic = 0;
        if (!read_.u32(0x3C, pe)) return fail("the DOS header is cut off"), false;
        if (!read_.u32(pe, signature) || signature != 0x00004550)
            return fail("no PE signature where the DOS header points"), false;
        uint64_t coff = static_cast<uint64_t>(pe) + 4;
        if (!read_.u16(coff, machine) || !read_.u16(coff + 2, sections) || !read_.u16(coff + 16, optional_size) ||
            !read_.u16(coff + 18, flags))
            return fail("the file header is cut off"), false;
        facts_.machine = static_cast<int>(machine);
        facts_.library = (flags & 0x2000) != 0;
        uint64_t optional = coff + 20;
        if (!read_.u16(optional, magic)) return fail("the optional header is cut off"), false;
        uint64_t count_at;
        if (magic == 0x10B) {
            facts_.bits = 32;
            count_at = optional + 92;
        } else if (magic == 0x20B) {
            facts_.bits = 64;
            count_at = optional + 108;
        } else {
            return fail("the optional header has an unknown magic number"), false;
        }
        uint32_t count = 0;
        if (count_at + 4 > optional + optional_size || !read_.u32(count_at, count))
            return fail("the optional header is too short for its data directories"), false;
        dirs_ = count_at + 4;
        uint64_t room = (optional + optional_size - dirs_) / 8;
        directories_ = count < room ? count : room;
        if (sections > MAX_SECTIONS) return fail("more sections than a module has"), false;
        uint64_t table = optional + optional_size;
        for (uint32_t i = 0; i < sections; ++i) {
            Section s{};
            uint64_t at = table + 40ull * i;
            if (!read_.u32(at + 8, s.virtual_size) || !read_.u32(at + 12, s.address) ||
                !read_.u32(at + 16, s.raw_size) || !read_.u32(at + 20, s.raw_offset))
                return fail("the section table is cut off"), false;
            sections_.push_back(s);
        }
        return true;
    }

    /* The file offset of an address inside the module; false when no section's file bytes
     * hold it. */
    bool offset_of(uint64_t rva, uint64_t& offset) const { return span_of(rva, 1, offset); }

    /* The file offset of `size` bytes at `rva`, all of them inside one section's bytes in the
     * file; false when they are not. */
    bool span_of(uint64_t rva, uint64_t size, uint64_t& offset) const {
        for (const Section& s : sections_) {
            if (rva >= s.address && rva - s.address < s.raw_size) {
                if (size > s.raw_size - (rva - s.address)) return false;
                offset = static_cast<uint64_t>(s.raw_offset) + (rva - s.address);
                return read_.has(offset, size);
            }
        }
        return false;
    }

    void version_damaged(const std::string& what) {
        facts_.version = VersionResource();
        facts_.version.state = VersionResource::DAMAGED;
        facts_.version.error = what;
    }

    /* The resource directory has three levels: type, name, language.  Each directory is 16
     * bytes (the counts of named and of numbered entries at 12 and 14) followed by its 8-byte
     * entries: a name or number, then an offset from the directory's start that leads to a
     * directory (high bit set) or to a data entry (the data's RVA and size).  The version
     * resource is type RT_VERSION, its first name, its first language. */
    void version_resource(uint32_t rva, uint32_t size) {
        uint64_t base = 0;
        if (size < 16) return version_damaged("the resource directory is too small for its header");
        if (!span_of(rva, size, base)) return version_damaged("the resource directory runs past its section or the file");
        static const char* const level_names[3] = {"type", "name", "language"};
        uint64_t directory = 0, visited[3] = {0, 0, 0};
        uint32_t target = 0;
        for (int level = 0; level < 3; ++level) {
            for (int above = 0; above < level; ++above)
                if (visited[above] == directory)
                    return version_damaged("a resource directory leads back to the one above it");
            visited[level] = directory;
            uint32_t named = 0, numbered = 0;
            if (directory + 16 > size || !read_.u16(base + directory + 12, named) ||
                !read_.u16(base + directory + 14, numbered))
                return version_damaged(std::string("the ") + level_names[level] + " directory lies outside the resources");
            uint64_t count = static_cast<uint64_t>(named) + numbered;
            if (directory + 16 + 8 * count > size)
                return version_damaged(std::string("the ") + level_names[level] + " directory's entries run past the resources");
            uint64_t entry = directory + 16;
            if (level == 0) {
                /* Numbered entries follow the named ones; RT_VERSION is a number. */
                uint64_t i = named;
                for (uint32_t id = 0; i < count; ++i) {
                    if (!read_.u32(base + entry + 8 * i, id)) return version_damaged("the type directory is cut off");
                    if (id == RT_VERSION) break;
                }
                if (i == count) return; /* no version resource */
                entry += 8 * i;
            } else if (count == 0) {
                return version_damaged(std::string("the version resource has no ") + level_names[level]);
            }
            if (!read_.u32(base + entry + 4, target)) return version_damaged("a resource entry is cut off");
            bool leads_to_directory = (target & 0x80000000u) != 0;
            if (level < 2 && !leads_to_directory)
                return version_damaged(std::string("the version resource's ") + level_names[level] +
                                       " entry leads to data where a directory belongs");
            if (level == 2 && leads_to_directory)
                return version_damaged("the version resource's language entry leads to a directory where data belongs");
            directory = target & 0x7FFFFFFFu;
        }
        uint32_t data_rva = 0, data_size = 0;
        if (static_cast<uint64_t>(target) + 16 > size || !read_.u32(base + target, data_rva) ||
            !read_.u32(base + target + 4, data_size))
            return version_damaged("the version resource's data entry lies outside the resources");
        uint64_t data = 0;
        if (data_size == 0) return version_damaged("the version resource is empty");
        if (!span_of(data_rva, data_size, data))
            return version_damaged("the version resource's data runs past its section or the file");
        /* A VS_VERSIONINFO block's length is 16 bits: nothing past 64 KiB belongs to it. */
        facts_.version = read_version_info(read_.slice(data, data_size < 0x10000 ? data_size : 0x10000));
    }

    void signature_damaged(const std::string& what) {
        facts_.signature.state = Signature::DAMAGED;
        facts_.signature.error = what;
    }

    /* The certificate table lies at a file offset (not an RVA), after the sections, aligned to 8
     * bytes; its entries (WIN_CERTIFICATE) are a 32-bit length that counts the 8-byte header, a
     * revision, a type and the certificate data, each entry padded to a multiple of 8. */
    void certificates(uint32_t at, uint32_t size) {
        Signature& out = facts_.signature;
        if (!read_.has(at, size)) return signature_damaged("the certificate table runs past the end of the file");
        if (at % 8 != 0) return signature_damaged("the certificate table is not aligned to 8 bytes");
        const uint64_t end = static_cast<uint64_t>(at) + size;
        for (uint64_t p = at; p < end;) {
            if (out.entries >= MAX_CERTIFICATES) return signature_damaged("the certificate table holds more entries than a file has");
            uint32_t length = 0, revision = 0, type = 0;
            if (end - p < 8 || !read_.u32(p, length) || !read_.u16(p + 4, revision) || !read_.u16(p + 6, type))
                return signature_damaged("a certificate entry is cut off");
            if (length < 8 || length > end - p) return signature_damaged("a certificate entry runs past the table");
            ++out.entries;
            if (type == WIN_CERT_TYPE_PKCS_SIGNED_DATA && revision == WIN_CERT_REVISION_2_0 && out.state == Signature::UNSIGNED) {
                uint32_t first = 0;
                /* PKCS#7 SignedData is a DER SEQUENCE. */
                if (length == 8 || !read_.u8(p + 8, first) || first != 0x30)
                    return signature_damaged("the Authenticode entry holds no PKCS#7 data");
                out.state = Signature::SIGNED;
                out.bytes = length - 8;
            }
            p += (static_cast<uint64_t>(length) + 7) & ~uint64_t{7};
        }
    }

    bool name_at(uint64_t rva, std::string& out) {
        uint64_t offset = 0;
        return offset_of(rva, offset) && read_.name(offset, out);
    }

    bool exports(uint32_t rva) {
        uint64_t dir = 0;
        uint32_t count = 0, names = 0;
        if (!offset_of(rva, dir) || !read_.u32(dir + 24, count) || !read_.u32(dir + 32, names))
            return fail("the export directory lies outside the file"), false;
        if (count > MAX_NAMES) return fail("the export directory claims too many names"), false;
        for (uint32_t i = 0; i < count; ++i) {
            uint64_t table = 0;
            uint32_t name_rva = 0;
            std::string name;
            if (!offset_of(names + 4ull * i, table) || !read_.u32(table, name_rva) || !name_at(name_rva, name))
                return fail("an exported name lies outside the file"), false;
            facts_.exports.push_back(name);
        }
        return true;
    }

    void imports(uint32_t rva) {
        for (uint32_t i = 0;; ++i) {
            if (i >= MAX_LIBRARIES) return fail("the import directory does not end");
            uint64_t entry = 0;
            uint32_t lookup = 0, name_rva = 0, thunks = 0;
            if (!offset_of(rva + 20ull * i, entry) || !read_.u32(entry, lookup) || !read_.u32(entry + 12, name_rva) ||
                !read_.u32(entry + 16, thunks) || !read_.has(entry, 20))
                return fail("the import directory lies outside the file");
            if (lookup == 0 && name_rva == 0 && thunks == 0) return;
            ImportedLibrary library;
            if (!name_at(name_rva, library.name)) return fail("an imported library's name lies outside the file");
            if (!functions(lookup != 0 ? lookup : thunks, library)) return;
            facts_.imports.push_back(library);
        }
    }

    bool functions(uint32_t rva, ImportedLibrary& library) {
        const uint64_t width = facts_.bits == 64 ? 8 : 4;
        for (uint32_t i = 0;; ++i) {
            if (i >= MAX_NAMES) return fail("an import list does not end"), false;
            uint64_t at = 0, thunk = 0;
            if (!offset_of(rva + width * i, at)) return fail("an import list lies outside the file"), false;
            if (width == 8) {
                if (!read_.u64(at, thunk)) return fail("an import list is cut off"), false;
            } else {
                uint32_t value = 0;
                if (!read_.u32(at, value)) return fail("an import list is cut off"), false;
                thunk = value;
            }
            if (thunk == 0) return true;
            uint64_t ordinal_flag = width == 8 ? 0x8000000000000000ull : 0x80000000ull;
            if (thunk & ordinal_flag) {
                library.functions.push_back("#" + std::to_string(thunk & 0xFFFF));
                continue;
            }
            std::string name;
            if (thunk > 0xFFFFFFFFull || !name_at((thunk & 0x7FFFFFFF) + 2, name))
                return fail("an imported function's name lies outside the file"), false;
            library.functions.push_back(name);
        }
    }

    Reader read_;
    BinaryFacts& facts_;
    std::vector<Section> sections_;
    uint64_t dirs_ = 0;
    uint64_t directories_ = 0;
};

/* ---- ELF ---------------------------------------------------------------------------------- */

class ElfFile {
public:
    ElfFile(const std::string& bytes, BinaryFacts& facts) : read_(bytes), facts_(facts) {}

    void run() {
        uint32_t klass = 0, data = 0, type = 0, machine = 0;
        read_.u8(4, klass);
        read_.u8(5, data);
        if (klass != 1 && klass != 2) return fail("unknown ELF class");
        if (data != 1 && data != 2) return fail("unknown ELF byte order");
        wide_ = klass == 2;
        facts_.bits = wide_ ? 64 : 32;
        read_.set_big_endian(data == 2);
        if (!read_.u16(16, type) || !read_.u16(18, machine)) return fail("the ELF header is cut off");
        facts_.machine = static_cast<int>(machine);
        facts_.library = type == 3;
        uint64_t table = 0;
        uint32_t entry_size = 0, count = 0;
        if (!(wide_ ? read_.u64(40, table) : read32(32, table)) || !read_.u16(wide_ ? 58 : 46, entry_size) ||
            !read_.u16(wide_ ? 60 : 48, count))
            return fail("the ELF header is cut off");
        if (count == 0) return fail("no section headers: the symbols cannot be read");
        if (entry_size < (wide_ ? 64u : 40u)) return fail("the section headers are too small");
        for (uint32_t i = 0; i < count; ++i) {
            Section s;
            if (!section(table + static_cast<uint64_t>(entry_size) * i, s))
                return fail("the section headers lie outside the file");
            sections_.push_back(s);
        }
        for (const Section& s : sections_) {
            if (s.type == 11 && !symbols(s)) return;  /* SHT_DYNSYM */
            if (s.type == 6 && !dynamic(s)) return;   /* SHT_DYNAMIC */
        }
    }

private:
    struct Section {
        uint32_t type = 0, link = 0;
        uint64_t offset = 0, size = 0, entry_size = 0;
    };

    void fail(const std::string& what) {
        if (facts_.error.empty()) facts_.error = what;
    }
    bool read32(uint64_t offset, uint64_t& out) const {
        uint32_t value = 0;
        if (!read_.u32(offset, value)) return false;
        out = value;
        return true;
    }
    bool word(uint64_t offset, uint64_t& out) const { return wide_ ? read_.u64(offset, out) : read32(offset, out); }

    bool section(uint64_t at, Section& s) const {
        if (wide_)
            return read_.u32(at + 4, s.type) && read_.u64(at + 24, s.offset) && read_.u64(at + 32, s.size) &&
                   read_.u32(at + 40, s.link) && read_.u64(at + 56, s.entry_size);
        return read_.u32(at + 4, s.type) && read32(at + 16, s.offset) && read32(at + 20, s.size) &&
               read_.u32(at + 24, s.link) && read32(at + 36, s.entry_size);
    }

    /* The string table a section links to. */
    bool strings(const Section& s, Section& table) {
        if (s.link >= sections_.size()) return fail("a section links to no string table"), false;
        table = sections_[s.link];
        if (!read_.has(table.offset, table.size)) return fail("a string table lies outside the file"), false;
        return true;
    }
    bool string_at(const Section& table, uint64_t index, std::string& out) {
        if (index >= table.size || !read_.name(table.offset + index, out, table.offset + table.size))
            return fail("a name lies outside its string table"), false;
        return true;
    }

    /* A section of entries of `size` bytes that name strings in the table it links to: that
     * table and the number of entries, at most `limit`.  False, with the failure, when the
     * section lies outside the file or claims more. */
    bool entries(const Section& s, uint64_t size, uint64_t limit, const std::string& what, const char* items,
                 Section& table, uint64_t& count) {
        if (!strings(s, table)) return false;
        if (!read_.has(s.offset, s.size)) return fail("the " + what + " lies outside the file"), false;
        count = s.size / size;
        if (count > limit) return fail("the " + what + " claims too many " + items), false;
        return true;
    }

    bool symbols(const Section& s) {
        Section table;
        uint64_t size = wide_ ? 24 : 16, count = 0;
        if (!entries(s, size, MAX_NAMES, "symbol table", "symbols", table, count)) return false;
        for (uint64_t i = 1; i < count; ++i) {
            uint64_t at = s.offset + i * size;
            uint32_t name = 0, info = 0, other = 0, index = 0;
            if (!read_.u32(at, name) || !read_.u8(at + (wide_ ? 4 : 12), info) ||
                !read_.u8(at + (wide_ ? 5 : 13), other) || !read_.u16(at + (wide_ ? 6 : 14), index))
                return fail("the symbol table is cut off"), false;
            uint32_t binding = info >> 4, kind = info & 0xF, visibility = other & 3;
            if (name == 0 || (binding != 1 && binding != 2)) continue; /* GLOBAL, WEAK */
            std::string text;
            if (!string_at(table, name, text)) return false;
            if (index == 0) {
                if (binding == 1) facts_.undefined.push_back(text);
            } else if ((kind == 1 || kind == 2) && (visibility == 0 || visibility == 3)) {
                facts_.exports.push_back(text); /* OBJECT or FUNC, DEFAULT or PROTECTED */
            }
        }
        return true;
    }

    bool dynamic(const Section& s) {
        Section table;
        uint64_t size = wide_ ? 16 : 8, count = 0;
        if (!entries(s, size, MAX_DYNAMIC, "dynamic section", "entries", table, count)) return false;
        std::string rpath, runpath;
        bool have_runpath = false;
        for (uint64_t i = 0; i < count; ++i) {
            uint64_t tag = 0, value = 0;
            if (!word(s.offset + i * size, tag) || !word(s.offset + i * size + size / 2, value))
                return fail("the dynamic section is cut off"), false;
            if (tag == 0) break; /* DT_NULL */
            std::string text;
            if (tag == 1 || tag == 15 || tag == 29) {
                if (!string_at(table, value, text)) return false;
            }
            if (tag == 1) {
                if (facts_.imports.size() >= MAX_LIBRARIES) return fail("too many needed libraries"), false;
                facts_.imports.push_back(ImportedLibrary{text, {}});
            } else if (tag == 15) {
                rpath = text;
            } else if (tag == 29) {
                runpath = text;
                have_runpath = true;
            } else if (tag == 0x6FFFFFFB && (value & 0x08000000)) {
                facts_.library = false; /* DT_FLAGS_1 with DF_1_PIE: a program */
            }
        }
        facts_.runpath = have_runpath;
        facts_.search_path = split(have_runpath ? runpath : rpath, ':');
        return true;
    }

    Reader read_;
    BinaryFacts& facts_;
    bool wide_ = false;
    std::vector<Section> sections_;
};

}  // namespace

std::string VersionResource::string(const std::string& key) const {
    for (const auto& pair : strings)
        if (pair.first == key) return pair.second;
    return "";
}

std::string VersionResource::file_version_text() const {
    if (!fixed) return string("FileVersion");
    return dotted_version(file_version);
}

std::string dotted_version(const unsigned (&parts)[4]) {
    char text[64];
    snprintf(text, sizeof text, "%u.%u.%u.%u", parts[0], parts[1], parts[2], parts[3]);
    return text;
}

VersionResource read_version_info(const std::string& block) {
    VersionResource out;
    VersionInfo(block, out).run();
    return out;
}

namespace {

/* The machines vthost names, with their numbers in a PE file's COFF header and in an ELF
 * header's e_machine. */
struct Machine {
    const char* name;
    int pe, elf;
};
const Machine machines[] = {
    {"i386", 0x14C, 3},
    {"x86-64", 0x8664, 62},
    {"arm64", 0xAA64, 183},
    {"arm", 0x1C0, 40},
    {"arm", 0x1C4, 40}, /* Thumb-2 */
};

int machine_number(const Machine& machine, BinaryFacts::Format format) {
    return format == BinaryFacts::PE ? machine.pe : format == BinaryFacts::ELF ? machine.elf : -1;
}

/* The machine this vthost is built for. */
const char* own_machine_name() {
#if defined(__x86_64__) || defined(_M_X64)
    return "x86-64";
#elif defined(__i386__) || defined(_M_IX86)
    return "i386";
#elif defined(__aarch64__)
    return "arm64";
#else
    return "";
#endif
}

}  // namespace

std::string BinaryFacts::machine_name() const {
    for (const Machine& known : machines)
        if (machine_number(known, format) == machine) return known.name;
    char text[32];
    snprintf(text, sizeof text, "machine 0x%04x", static_cast<unsigned>(machine));
    return text;
}

bool BinaryFacts::is_i386() const { return machine_name() == "i386"; }

BinaryFacts read_binary_facts(const std::string& bytes) {
    BinaryFacts facts;
    if (bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z') {
        facts.format = BinaryFacts::PE;
        PeFile(bytes, facts).run();
    } else if (bytes.size() >= 4 && bytes.compare(0, 4, "\x7f" "ELF") == 0) {
        facts.format = BinaryFacts::ELF;
        ElfFile(bytes, facts).run();
    } else {
        facts.error = "neither a PE nor an ELF file";
    }
    return facts;
}

BinaryFacts::Format own_format() { return modules_are_pe ? BinaryFacts::PE : BinaryFacts::ELF; }

int own_machine() {
    for (const Machine& known : machines)
        if (strcmp(known.name, own_machine_name()) == 0) return machine_number(known, own_format());
    return 0;
}

}  // namespace vthost
