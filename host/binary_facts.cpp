/* Reading PE and ELF module files with every offset checked.
 *
 * `Reader` answers each read with false when the bytes asked for are not all inside the file;
 * every caller turns a false into the file's error and stops.  Offsets are added in 64 bits,
 * so no sum of forged values wraps around. */
#include "host/binary_facts.h"

#include <stdint.h>
#include <stdio.h>

namespace vthost {

namespace {

/* Caps on what a forged header could ask the reader to walk. */
enum {
    MAX_SECTIONS = 256,
    MAX_NAMES = 65536,          /* exported names, imported names per library, symbols */
    MAX_LIBRARIES = 1024,
    MAX_NAME_LENGTH = 4096,
    MAX_DYNAMIC = 65536,
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

/* ---- PE ----------------------------------------------------------------------------------- */

struct Section {
    uint32_t address, virtual_size, raw_size, raw_offset;
};

class PeFile {
public:
    PeFile(const std::string& bytes, BinaryFacts& facts) : read_(bytes), facts_(facts) {}

    void run() {
        if (!headers()) return;
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
    bool offset_of(uint64_t rva, uint64_t& offset) const {
        for (const Section& s : sections_) {
            if (rva >= s.address && rva - s.address < s.raw_size) {
                offset = static_cast<uint64_t>(s.raw_offset) + (rva - s.address);
                return read_.has(offset, 1);
            }
        }
        return false;
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

    bool symbols(const Section& s) {
        Section table;
        if (!strings(s, table)) return false;
        uint64_t size = wide_ ? 24 : 16;
        if (!read_.has(s.offset, s.size)) return fail("the symbol table lies outside the file"), false;
        uint64_t count = s.size / size;
        if (count > MAX_NAMES) return fail("the symbol table claims too many symbols"), false;
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
        if (!strings(s, table)) return false;
        uint64_t size = wide_ ? 16 : 8;
        if (!read_.has(s.offset, s.size)) return fail("the dynamic section lies outside the file"), false;
        uint64_t count = s.size / size;
        if (count > MAX_DYNAMIC) return fail("the dynamic section claims too many entries"), false;
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
        std::string path = have_runpath ? runpath : rpath;
        size_t start = 0;
        while (!path.empty() && start <= path.size()) {
            size_t colon = path.find(':', start);
            std::string part = path.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
            if (!part.empty()) facts_.search_path.push_back(part);
            if (colon == std::string::npos) break;
            start = colon + 1;
        }
        return true;
    }

    Reader read_;
    BinaryFacts& facts_;
    bool wide_ = false;
    std::vector<Section> sections_;
};

}  // namespace

std::string BinaryFacts::machine_name() const {
    if (format == PE) {
        switch (machine) {
        case 0x14C: return "i386";
        case 0x8664: return "x86-64";
        case 0xAA64: return "arm64";
        case 0x1C0: case 0x1C4: return "arm";
        }
    } else if (format == ELF) {
        switch (machine) {
        case 3: return "i386";
        case 62: return "x86-64";
        case 183: return "arm64";
        case 40: return "arm";
        }
    }
    char text[32];
    snprintf(text, sizeof text, "machine 0x%04x", static_cast<unsigned>(machine));
    return text;
}

bool BinaryFacts::is_i386() const {
    return (format == PE && machine == 0x14C) || (format == ELF && machine == 3);
}

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

BinaryFacts::Format own_format() {
#ifdef _WIN32
    return BinaryFacts::PE;
#else
    return BinaryFacts::ELF;
#endif
}

int own_machine() {
#if defined(__x86_64__) || defined(_M_X64)
    return own_format() == BinaryFacts::PE ? 0x8664 : 62;
#elif defined(__i386__) || defined(_M_IX86)
    return own_format() == BinaryFacts::PE ? 0x14C : 3;
#elif defined(__aarch64__)
    return own_format() == BinaryFacts::PE ? 0xAA64 : 183;
#else
    return 0;
#endif
}

}  // namespace vthost
