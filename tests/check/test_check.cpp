// The pieces of `vthost check`: the PE and ELF reader on hand-made and damaged files, the
// registry file reader, and the message-file check.  The whole check runs on installed trees in
// tests/dist/vthost-check-installed.cmake.
#include <gtest/gtest.h>

#include <stdint.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/check/binary_facts.h"
#include "host/check/check.h"
#include "host/registry.h"
#include "host/texts.h"
#include "pdmclient/vtpdm_functions.h"

namespace {

using vthost::BinaryFacts;
using vthost::read_binary_facts;

// Little-endian file under construction, with patching of earlier fields.
struct Blob {
    std::string bytes;
    size_t size() const { return bytes.size(); }
    void pad_to(size_t n) { bytes.resize(std::max(bytes.size(), n), '\0'); }
    void put(size_t at, uint64_t value, int width) {
        pad_to(at + static_cast<size_t>(width));
        for (int i = 0; i < width; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    void text(size_t at, const std::string& s) {
        pad_to(at + s.size() + 1);
        std::copy(s.begin(), s.end(), bytes.begin() + static_cast<long>(at));
        bytes[at + s.size()] = '\0';
    }
};

// A PE DLL with one section at RVA 0x1000 (file offset 0x200) holding an export directory with
// two names and an import directory: VTProeVEXO.dll (BeforeInit, Start, ordinal 7).  The
// import names come last, so that every shorter file lacks something the reader needs.
std::string pe_dll(bool wide, uint16_t machine) {
    Blob b;
    b.text(0, "MZ");
    b.put(0x3C, 0x40, 4);
    b.text(0x40, "PE");
    const size_t coff = 0x44, opt = coff + 20;
    const size_t opt_size = wide ? 240 : 224;
    b.put(coff, machine, 2);
    b.put(coff + 2, 1, 2);                        // one section
    b.put(coff + 16, opt_size, 2);
    b.put(coff + 18, 0x2102, 2);                  // DLL
    b.put(opt, wide ? 0x20B : 0x10B, 2);
    const size_t count = opt + (wide ? 108 : 92), dirs = count + 4;
    b.put(count, 16, 4);
    const size_t section = opt + opt_size;
    const uint32_t rva = 0x1000, raw = 0x200;
    // Section contents, by RVA.
    const uint32_t exports = rva, export_names = rva + 40, name_a = rva + 48, name_b = rva + 72;
    const uint32_t imports = rva + 96, dll_name = rva + 136, thunks = rva + 160;
    const uint32_t width = wide ? 8 : 4, hint_a = thunks + 4 * width, hint_b = hint_a + 14;
    auto at = [&](uint32_t r) { return raw + (r - rva); };
    b.put(at(exports) + 24, 2, 4);                // number of names
    b.put(at(exports) + 32, export_names, 4);
    b.put(at(export_names), name_a, 4);
    b.put(at(export_names) + 4, name_b, 4);
    b.text(at(name_a), "user_initialize_plus");
    b.text(at(name_b), "user_terminate_plus");
    b.put(at(imports), thunks, 4);                // lookup table
    b.put(at(imports) + 12, dll_name, 4);
    b.put(at(imports) + 16, thunks, 4);
    b.text(at(dll_name), "VTProeVEXO.dll");
    b.put(at(thunks), hint_a, width);
    b.put(at(thunks) + width, hint_b, width);
    b.put(at(thunks) + 2 * width, (wide ? 0x8000000000000000ull : 0x80000000ull) | 7, width);
    b.put(at(thunks) + 3 * width, 0, width);
    b.text(at(hint_a) + 2, "BeforeInit");
    b.text(at(hint_b) + 2, "Start");
    const uint32_t end = static_cast<uint32_t>(b.size()) - raw;
    b.put(dirs, exports, 4);
    b.put(dirs + 4, 40, 4);
    b.put(dirs + 8, imports, 4);
    b.put(dirs + 12, 40, 4);
    b.put(section + 8, end, 4);                   // virtual size
    b.put(section + 12, rva, 4);
    b.put(section + 16, end, 4);                  // raw size
    b.put(section + 20, raw, 4);
    return b.bytes;
}

TEST(PeReader, ReadsMachineExportsAndImports) {
    for (bool wide : {false, true}) {
        SCOPED_TRACE(wide ? "PE32+" : "PE32");
        BinaryFacts facts = read_binary_facts(pe_dll(wide, wide ? 0x8664 : 0x14C));
        ASSERT_EQ(facts.error, "");
        EXPECT_EQ(facts.format, BinaryFacts::PE);
        EXPECT_EQ(facts.machine_name(), wide ? "x86-64" : "i386");
        EXPECT_EQ(facts.is_i386(), !wide);
        EXPECT_EQ(facts.bits, wide ? 64 : 32);
        EXPECT_TRUE(facts.library);
        EXPECT_EQ(facts.exports, (std::vector<std::string>{"user_initialize_plus", "user_terminate_plus"}));
        ASSERT_EQ(facts.imports.size(), 1u);
        EXPECT_EQ(facts.imports[0].name, "VTProeVEXO.dll");
        EXPECT_EQ(facts.imports[0].functions, (std::vector<std::string>{"BeforeInit", "Start", "#7"}));
    }
    EXPECT_EQ(read_binary_facts(pe_dll(false, 0xAA64)).machine_name(), "arm64");
    EXPECT_EQ(read_binary_facts(pe_dll(false, 0x1234)).machine_name(), "machine 0x1234");
}

TEST(PeReader, EveryTruncationIsAFaultNotACrash) {
    for (bool wide : {false, true}) {
        std::string whole = pe_dll(wide, 0x14C);
        for (size_t n = 0; n < whole.size(); ++n) {
            BinaryFacts facts = read_binary_facts(whole.substr(0, n));
            EXPECT_NE(facts.error, "") << "cut at " << n;
        }
    }
}

TEST(PeReader, HostileOffsetsAndCountsAreFaults) {
    const std::string good = pe_dll(false, 0x14C);
    auto patched = [&](size_t at, uint32_t value) {
        Blob b{good};
        b.put(at, value, 4);
        return read_binary_facts(b.bytes).error;
    };
    const size_t opt = 0x44 + 20, section = opt + 224, raw = 0x200;
    EXPECT_EQ(patched(0x3C, 0xFFFFFFF0u), "no PE signature where the DOS header points");
    EXPECT_EQ(patched(section + 20, 0xFFFFFF00u), "the export directory lies outside the file");
    EXPECT_EQ(patched(raw + 24, 0x7FFFFFFFu), "the export directory claims too many names");
    EXPECT_EQ(patched(raw + 40, 0xFFFFFFFFu), "an exported name lies outside the file");
    EXPECT_EQ(patched(raw + 96 + 12, 0xFFFFFF00u), "an imported library's name lies outside the file");
    EXPECT_EQ(patched(opt, 0x1234), "the optional header has an unknown magic number");
    // A name that runs to the end of the file without its terminating zero.
    std::string unterminated = good;
    unterminated.back() = 'x';
    EXPECT_EQ(read_binary_facts(unterminated).error, "an imported function's name lies outside the file");
    EXPECT_EQ(read_binary_facts("PK\x03\x04 a zip").error, "neither a PE nor an ELF file");
}

// ---- version resource and signature of a PE file -----------------------------------------

std::string utf16(const std::u16string& text) {
    std::string out;
    for (char16_t unit : text) {
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>(unit >> 8));
    }
    return out;
}

size_t align(size_t n, size_t to) { return (n + to - 1) / to * to; }

// One block of a version resource: length, value length, type, key, then the value and the
// children, each at a multiple of 4.
std::string version_block(const std::u16string& key, const std::string& value, size_t value_length, int type,
                          const std::vector<std::string>& children = {}) {
    Blob b;
    b.pad_to(6);
    b.bytes += utf16(key) + std::string(2, '\0');
    b.pad_to(align(b.size(), 4));
    b.bytes += value;
    for (const std::string& child : children) {
        b.pad_to(align(b.size(), 4));
        b.bytes += child;
    }
    b.put(0, b.size(), 2);
    b.put(2, value_length, 2);
    b.put(4, static_cast<uint64_t>(type), 2);
    return b.bytes;
}

std::string version_string(const std::u16string& key, const std::u16string& value) {
    return version_block(key, utf16(value) + std::string(2, '\0'), value.size() + 1, 1);
}

// VS_FIXEDFILEINFO: signature, structure version, file and product versions, the rest zero.
std::string fixed_info(uint32_t signature, uint64_t file, uint64_t product) {
    Blob b;
    b.put(0, signature, 4);
    b.put(4, 0x10000, 4);
    b.put(8, file >> 32, 4);
    b.put(12, file & 0xFFFFFFFF, 4);
    b.put(16, product >> 32, 4);
    b.put(20, product & 0xFFFFFFFF, 4);
    b.pad_to(52);
    return b.bytes;
}

const uint64_t file_1234 = 0x0001000200030004ull, product_1230 = 0x0001000200030000ull;

std::string version_info(const std::vector<std::string>& strings, const std::string& fixed = fixed_info(0xFEEF04BD, file_1234, product_1230)) {
    return version_block(u"VS_VERSION_INFO", fixed, fixed.size(), 0,
                         {version_block(u"StringFileInfo", "", 0, 1, {version_block(u"040904B0", "", 0, 1, strings)}),
                          version_block(u"VarFileInfo", "", 0, 1,
                                        {version_block(u"Translation", std::string("\x09\x04\xB0\x04", 4), 4, 0)})});
}

std::string vt_version_info() {
    return version_info({version_string(u"CompanyName", u"Vantor"), version_string(u"FileVersion", u"1.2.3"),
                         version_string(u"ProductName", u"vt-vexo"), version_string(u"ProductVersion", u"1.2.3")});
}

// The resource section lies at RVA 0x3000.  Its directory: the type directory (one numbered
// entry, `type`) at 0, the name directory at 24, the language directory at 48, the data entry
// at 72 and the version block at 88.
const uint32_t rsrc_rva = 0x3000;
enum : size_t { TYPE_ID = 16, TYPE_TARGET = 20, NAME_DIR = 24, NAME_TARGET = 44, LANGUAGE_TARGET = 68,
                DATA_RVA = 72, DATA_SIZE = 76, DATA = 88 };

std::string resource_tree(const std::string& block, uint32_t type = 16) {
    Blob r;
    r.put(14, 1, 2);
    r.put(TYPE_ID, type, 4);
    r.put(TYPE_TARGET, 0x80000000u | NAME_DIR, 4);
    r.put(NAME_DIR + 14, 1, 2);
    r.put(40, 1, 4);
    r.put(NAME_TARGET, 0x80000000u | 48, 4);
    r.put(48 + 14, 1, 2);
    r.put(64, 0x409, 4);
    r.put(LANGUAGE_TARGET, 72, 4);
    r.put(DATA_RVA, rsrc_rva + DATA, 4);
    r.put(DATA_SIZE, block.size(), 4);
    r.pad_to(DATA);
    r.bytes += block;
    return r.bytes;
}

size_t data_directories(bool wide) { return 0x44 + 20 + (wide ? 112 : 96); }

// A PE DLL (pe_dll) with a second section at RVA 0x3000 holding `resources`, all of which the
// resource directory entry names.  `raw` gets the section's file offset.
std::string pe_with_resources(bool wide, const std::string& resources, size_t* raw = nullptr) {
    Blob b{pe_dll(wide, wide ? 0x8664 : 0x14C)};
    const size_t section = 0x44 + 20 + (wide ? 240 : 224) + 40;
    const size_t at = align(b.size(), 0x200);
    b.pad_to(at);
    b.bytes += resources;
    b.put(0x44 + 2, 2, 2);
    b.put(section + 8, resources.size(), 4);
    b.put(section + 12, rsrc_rva, 4);
    b.put(section + 16, resources.size(), 4);
    b.put(section + 20, at, 4);
    b.put(data_directories(wide) + 16, rsrc_rva, 4);
    b.put(data_directories(wide) + 20, resources.size(), 4);
    if (raw != nullptr) *raw = at;
    return b.bytes;
}

struct Certificate {
    uint16_t revision, type;
    std::string data;
};

// A DER SEQUENCE as PKCS#7 SignedData starts, 300 bytes in all.
std::string pkcs7() { return std::string("\x30\x82\x01\x28", 4) + std::string(296, '\x5A'); }

// `pe` with a certificate table after its last byte, at a multiple of 8, each entry padded to 8.
std::string with_certificates(const std::string& pe, bool wide, const std::vector<Certificate>& entries) {
    Blob b{pe};
    const size_t at = align(b.size(), 8);
    b.pad_to(at);
    for (const Certificate& c : entries) {
        const size_t entry = b.size();
        b.put(entry, 8 + c.data.size(), 4);
        b.put(entry + 4, c.revision, 2);
        b.put(entry + 6, c.type, 2);
        b.bytes += c.data;
        b.pad_to(align(b.size(), 8));
    }
    b.put(data_directories(wide) + 32, at, 4);
    b.put(data_directories(wide) + 36, b.size() - at, 4);
    return b.bytes;
}

TEST(VersionResource, ReadsTheFixedVersionsAndTheStringsOfPe32AndPe32Plus) {
    for (bool wide : {false, true}) {
        SCOPED_TRACE(wide ? "PE32+" : "PE32");
        BinaryFacts facts = read_binary_facts(pe_with_resources(wide, resource_tree(vt_version_info())));
        ASSERT_EQ(facts.error, "");
        EXPECT_EQ(facts.exports.size(), 2u);
        const vthost::VersionResource& v = facts.version;
        ASSERT_EQ(v.state, vthost::VersionResource::PRESENT) << v.error;
        EXPECT_TRUE(v.fixed);
        EXPECT_EQ(v.file_version_text(), "1.2.3.4");
        EXPECT_EQ(std::vector<unsigned>(v.product_version, v.product_version + 4), (std::vector<unsigned>{1, 2, 3, 0}));
        EXPECT_EQ(v.string("ProductName"), "vt-vexo");
        EXPECT_EQ(v.string("CompanyName"), "Vantor");
        EXPECT_EQ(v.string("OriginalFilename"), "");
        EXPECT_EQ(vthost::version_text(v), "version 1.2.3.4 (product vt-vexo 1.2.3, Vantor)");
        EXPECT_EQ(facts.signature.state, vthost::Signature::UNSIGNED);
    }
}

TEST(VersionResource, StringsBecomeUtf8WithoutControlCharacters) {
    vthost::VersionResource v = vthost::read_version_info(version_info(
        {version_string(u"CompanyName", u"Vant\u00f6r \U0001F600"), version_string(u"FileDescription", u"a\tb\nc"),
         version_string(u"OriginalFilename", std::u16string(u"x") + char16_t(0xD800) + u"y"),
         version_string(u"ProductName", u"\u30D9\u30AF\u30BF")}));
    ASSERT_EQ(v.state, vthost::VersionResource::PRESENT) << v.error;
    EXPECT_EQ(v.string("CompanyName"), "Vant\xC3\xB6r \xF0\x9F\x98\x80");
    EXPECT_EQ(v.string("FileDescription"), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD" "c");
    EXPECT_EQ(v.string("OriginalFilename"), "x\xEF\xBF\xBDy");
    EXPECT_EQ(v.string("ProductName"), "\xE3\x83\x99\xE3\x82\xAF\xE3\x82\xBF");
    for (const auto& pair : v.strings) EXPECT_EQ(vthost::utf8_error_at(pair.second), -1) << pair.first;
}

TEST(VersionResource, WhatTheCheckSaysWithPartsMissing) {
    // Without the fixed part the FileVersion string stands in; without strings, the fixed
    // product version.
    vthost::VersionResource strings_only = vthost::read_version_info(
        version_info({version_string(u"FileVersion", u"2.0 beta"), version_string(u"ProductName", u"vt-vexo")}, ""));
    ASSERT_EQ(strings_only.state, vthost::VersionResource::PRESENT) << strings_only.error;
    EXPECT_FALSE(strings_only.fixed);
    EXPECT_EQ(vthost::version_text(strings_only), "version 2.0 beta (product vt-vexo)");
    vthost::VersionResource fixed_only = vthost::read_version_info(version_info({}));
    EXPECT_EQ(vthost::version_text(fixed_only), "version 1.2.3.4 (product 1.2.3.0)");
    vthost::VersionResource empty = vthost::read_version_info(version_info({}, ""));
    EXPECT_EQ(vthost::version_text(empty), "version unknown");
    // The strings of the first language only.
    std::string two_tables = version_block(
        u"VS_VERSION_INFO", "", 0, 0,
        {version_block(u"StringFileInfo", "", 0, 1,
                       {version_block(u"040904B0", "", 0, 1, {version_string(u"ProductName", u"first")}),
                        version_block(u"040704B0", "", 0, 1, {version_string(u"ProductName", u"zweite")})})});
    vthost::VersionResource first = vthost::read_version_info(two_tables);
    ASSERT_EQ(first.strings.size(), 1u);
    EXPECT_EQ(first.string("ProductName"), "first");
}

TEST(VersionResource, NoneWithoutResourcesOrWithoutTheVersionType) {
    EXPECT_EQ(read_binary_facts(pe_dll(false, 0x14C)).version.state, vthost::VersionResource::ABSENT);
    // Resources of another type only (RT_ICON).
    BinaryFacts icons = read_binary_facts(pe_with_resources(false, resource_tree(vt_version_info(), 3)));
    EXPECT_EQ(icons.version.state, vthost::VersionResource::ABSENT);
    EXPECT_EQ(icons.version.error, "");
}

TEST(VersionResource, DamagedDirectoriesAreFindingsNotCrashes) {
    size_t raw = 0;
    const std::string good = pe_with_resources(false, resource_tree(vt_version_info()), &raw);
    auto patched = [&](size_t at, uint64_t value, int width = 4) {
        Blob b{good};
        b.put(at, value, width);
        BinaryFacts facts = read_binary_facts(b.bytes);
        EXPECT_EQ(facts.error, "") << "the exports and imports are read apart from the resources";
        return facts.version.state == vthost::VersionResource::DAMAGED ? facts.version.error : "not damaged";
    };
    // Directories that lead back up: the name entry to the type directory, the language entry
    // to the name directory.
    EXPECT_EQ(patched(raw + NAME_TARGET, 0x80000000u), "a resource directory leads back to the one above it");
    EXPECT_EQ(patched(raw + LANGUAGE_TARGET, 0x80000000u | NAME_DIR),
              "the version resource's language entry leads to a directory where data belongs");
    EXPECT_EQ(patched(raw + TYPE_TARGET, 0x80000000u), "a resource directory leads back to the one above it");
    // Offsets, counts and RVAs out of range.
    EXPECT_EQ(patched(raw + TYPE_TARGET, 0xFFFFFFF0u), "the name directory lies outside the resources");
    EXPECT_EQ(patched(raw + 14, 0xFFFF, 2), "the type directory's entries run past the resources");
    EXPECT_EQ(patched(raw + NAME_DIR + 14, 0, 2), "the version resource has no name");
    EXPECT_EQ(patched(raw + TYPE_TARGET, NAME_DIR), "the version resource's type entry leads to data where a directory belongs");
    EXPECT_EQ(patched(raw + LANGUAGE_TARGET, 0x7FFFFFF0u), "the version resource's data entry lies outside the resources");
    EXPECT_EQ(patched(raw + DATA_RVA, 0x9000), "the version resource's data runs past its section or the file");
    EXPECT_EQ(patched(raw + DATA_SIZE, 0xFFFFFFFFu), "the version resource's data runs past its section or the file");
    EXPECT_EQ(patched(raw + DATA_SIZE, 0), "the version resource is empty");
    const size_t dirs = data_directories(false);
    EXPECT_EQ(patched(dirs + 20, 0x7FFFFFFF), "the resource directory runs past its section or the file");
    EXPECT_EQ(patched(dirs + 20, 8), "the resource directory is too small for its header");
    EXPECT_EQ(patched(dirs + 20, 16), "the type directory's entries run past the resources");
    // A file cut anywhere in its resources.
    for (size_t n = raw; n < good.size(); ++n) {
        BinaryFacts facts = read_binary_facts(good.substr(0, n));
        EXPECT_EQ(facts.version.state, vthost::VersionResource::DAMAGED) << "cut at " << n;
    }
}

TEST(VersionResource, DamagedBlocksAreFindingsNotCrashes) {
    const std::string good = vt_version_info();
    auto error_of = [](const std::string& block) {
        vthost::VersionResource v = vthost::read_version_info(block);
        return v.state == vthost::VersionResource::DAMAGED ? v.error : "not damaged";
    };
    for (size_t n = 0; n < good.size(); ++n) EXPECT_NE(error_of(good.substr(0, n)), "not damaged") << "cut at " << n;
    EXPECT_EQ(error_of(version_block(u"VS_VERSION_INFX", "", 0, 0)), "it does not start with the key VS_VERSION_INFO");
    EXPECT_EQ(error_of(version_info({}, fixed_info(0xFEEF04BE, file_1234, product_1230))),
              "its fixed part lacks the signature 0xFEEF04BD");
    EXPECT_EQ(error_of(version_info({}, std::string(40, '\0'))), "its fixed part is 40 bytes, not 52");
    Blob short_length{good};
    short_length.put(0, 4, 2);
    EXPECT_EQ(error_of(short_length.bytes), "a block runs past the block that holds it");
    // A child longer than its parent; a key without its zero; a key beyond any real one.
    Blob long_child{good};
    long_child.put(92, 0xFFF0, 2);  // StringFileInfo, after the root's header, key and fixed part
    EXPECT_EQ(error_of(long_child.bytes), "a block runs past the block that holds it");
    std::string unterminated = version_block(u"VS_VERSION_INFO", "", 0, 0);
    unterminated.resize(unterminated.size() - 4);  // the key's zero and the padding
    Blob cut{unterminated};
    cut.put(0, cut.size(), 2);
    EXPECT_EQ(error_of(cut.bytes), "a key runs past its block");
    EXPECT_EQ(error_of(version_block(std::u16string(100, u'K'), "", 0, 0)),
              "a key is longer than any key of a version resource");
    // Many tiny strings: the walk stops at its cap.
    std::vector<std::string> many(300, version_string(u"K", u""));
    EXPECT_EQ(error_of(version_info(many)), "a block holds more blocks than a version resource has");
    EXPECT_EQ(error_of(version_info(std::vector<std::string>(200, version_string(u"K", u"")))), "not damaged");
    // Zero padding after the last child ends the children.
    EXPECT_EQ(error_of(good + std::string(8, '\0')), "not damaged");
}

TEST(Signature, FindsAnAuthenticodeEntryInTheCertificateTable) {
    for (bool wide : {false, true}) {
        SCOPED_TRACE(wide ? "PE32+" : "PE32");
        const std::string pe = pe_with_resources(wide, resource_tree(vt_version_info()));
        BinaryFacts unsigned_facts = read_binary_facts(pe);
        EXPECT_EQ(unsigned_facts.signature.state, vthost::Signature::UNSIGNED);
        EXPECT_EQ(unsigned_facts.signature.entries, 0u);
        BinaryFacts facts = read_binary_facts(with_certificates(pe, wide, {{0x0200, 2, pkcs7()}}));
        ASSERT_EQ(facts.signature.state, vthost::Signature::SIGNED) << facts.signature.error;
        EXPECT_EQ(facts.signature.bytes, 300u);
        EXPECT_EQ(facts.signature.entries, 1u);
        EXPECT_EQ(facts.version.state, vthost::VersionResource::PRESENT);
    }
    const std::string pe = pe_dll(false, 0x14C);
    // An X.509 entry of 13 bytes, padded to 16, before the Authenticode one.
    BinaryFacts second = read_binary_facts(with_certificates(pe, false, {{0x0200, 1, "12345"}, {0x0200, 2, pkcs7()}}));
    EXPECT_EQ(second.signature.state, vthost::Signature::SIGNED) << second.signature.error;
    EXPECT_EQ(second.signature.entries, 2u);
    // A table with no Authenticode entry: an X.509 certificate, an old revision.
    BinaryFacts other = read_binary_facts(with_certificates(pe, false, {{0x0200, 1, pkcs7()}, {0x0100, 2, pkcs7()}}));
    EXPECT_EQ(other.signature.state, vthost::Signature::UNSIGNED);
    EXPECT_EQ(other.signature.entries, 2u);
}

TEST(Signature, DamagedCertificateTablesAreFindings) {
    const std::string pe = pe_dll(false, 0x14C);
    const std::string good = with_certificates(pe, false, {{0x0200, 2, pkcs7()}});
    const size_t dirs = data_directories(false), table = align(pe.size(), 8);
    auto error_of = [](const std::string& bytes) {
        BinaryFacts facts = read_binary_facts(bytes);
        return facts.signature.state == vthost::Signature::DAMAGED ? facts.signature.error : "not damaged";
    };
    auto patched = [&](size_t at, uint64_t value, int width = 4) {
        Blob b{good};
        b.put(at, value, width);
        return error_of(b.bytes);
    };
    // A signed file cut short, as by an interrupted copy.
    for (size_t cut : {size_t{1}, size_t{8}, size_t{200}, size_t{307}})
        EXPECT_EQ(error_of(good.substr(0, good.size() - cut)), "the certificate table runs past the end of the file")
            << "cut by " << cut;
    EXPECT_EQ(patched(dirs + 32, 0xFFFFFFF8u), "the certificate table runs past the end of the file");
    EXPECT_EQ(patched(dirs + 36, 0xFFFFFFFFu), "the certificate table runs past the end of the file");
    EXPECT_EQ(patched(dirs + 32, table - 4), "the certificate table is not aligned to 8 bytes");
    EXPECT_EQ(patched(table, 4), "a certificate entry runs past the table");
    EXPECT_EQ(patched(table, 0x10000), "a certificate entry runs past the table");
    EXPECT_EQ(patched(table + 8, 0x31, 1), "the Authenticode entry holds no PKCS#7 data");
    EXPECT_EQ(patched(dirs + 36, 4), "a certificate entry is cut off");
    // A table of many empty X.509 entries stops at the cap.
    std::vector<Certificate> many(70, Certificate{0x0200, 1, ""});
    EXPECT_EQ(error_of(with_certificates(pe, false, many)), "the certificate table holds more entries than a file has");
    // No table: offset and size zero, or a size of zero.
    EXPECT_EQ(patched(dirs + 36, 0), "not damaged");
}

// An ELF64 shared object: .dynstr, .dynsym (an export, a hidden and a local symbol, a needed
// and a weak undefined one) and .dynamic (NEEDED, RUNPATH, FLAGS_1); section headers last.
std::string elf_library(bool pie = false) {
    Blob b;
    b.text(0, "\x7f" "ELF");
    b.put(4, 2, 1);                               // 64-bit
    b.put(5, 1, 1);                               // little-endian
    b.put(16, 3, 2);                              // ET_DYN
    b.put(18, 62, 2);                             // x86-64
    static const char names[] = "\0user_initialize_plus\0BeforeInit\0hidden\0local\0__gmon_start__\0"
                                "libVTProeVEXO.so\0$ORIGIN:/opt/vantor";
    const std::string strings(names, sizeof names);
    auto offset_of = [&](const char* s) { return strings.find(std::string(s) + '\0', 1); };
    const size_t str_at = 64, sym_at = str_at + 104, dyn_at = sym_at + 6 * 24;
    b.pad_to(str_at);
    b.bytes += strings;
    b.pad_to(sym_at);
    struct Sym { const char* name; int info, other, index; };
    const Sym syms[] = {{"", 0, 0, 0},
                        {"user_initialize_plus", 0x12, 0, 9},   // GLOBAL FUNC, defined
                        {"BeforeInit", 0x12, 0, 0},              // GLOBAL, undefined
                        {"hidden", 0x12, 2, 9},                  // hidden visibility
                        {"local", 0x02, 0, 9},                   // LOCAL binding
                        {"__gmon_start__", 0x20, 0, 0}};         // WEAK undefined
    for (size_t i = 0; i < 6; ++i) {
        size_t at = sym_at + 24 * i;
        b.put(at, i == 0 ? 0 : offset_of(syms[i].name), 4);
        b.put(at + 4, static_cast<uint64_t>(syms[i].info), 1);
        b.put(at + 5, static_cast<uint64_t>(syms[i].other), 1);
        b.put(at + 6, static_cast<uint64_t>(syms[i].index), 2);
        b.put(at + 16, 0, 8);
    }
    const uint64_t dynamic[][2] = {{1, offset_of("libVTProeVEXO.so")}, {29, offset_of("$ORIGIN:/opt/vantor")},
                                   {0x6FFFFFFB, pie ? 0x08000000u : 0u}, {0, 0}};
    for (size_t i = 0; i < 4; ++i) {
        b.put(dyn_at + 16 * i, dynamic[i][0], 8);
        b.put(dyn_at + 16 * i + 8, dynamic[i][1], 8);
    }
    const size_t headers = dyn_at + 4 * 16;
    struct Header { uint32_t type, link; uint64_t offset, size; };
    const Header sections[] = {{0, 0, 0, 0}, {3, 0, str_at, strings.size()}, {11, 1, sym_at, 6 * 24}, {6, 1, dyn_at, 4 * 16}};
    for (size_t i = 0; i < 4; ++i) {
        size_t at = headers + 64 * i;
        b.put(at + 4, sections[i].type, 4);
        b.put(at + 24, sections[i].offset, 8);
        b.put(at + 32, sections[i].size, 8);
        b.put(at + 40, sections[i].link, 4);
        b.put(at + 56, 0, 8);
    }
    b.put(40, headers, 8);                        // e_shoff
    b.put(58, 64, 2);                             // e_shentsize
    b.put(60, 4, 2);                              // e_shnum
    return b.bytes;
}

TEST(ElfReader, ReadsExportsNeedsAndRunPath) {
    BinaryFacts facts = read_binary_facts(elf_library());
    ASSERT_EQ(facts.error, "");
    EXPECT_EQ(facts.format, BinaryFacts::ELF);
    EXPECT_EQ(facts.machine_name(), "x86-64");
    EXPECT_TRUE(facts.library);
    EXPECT_EQ(facts.exports, std::vector<std::string>{"user_initialize_plus"});
    EXPECT_EQ(facts.undefined, std::vector<std::string>{"BeforeInit"});
    ASSERT_EQ(facts.imports.size(), 1u);
    EXPECT_EQ(facts.imports[0].name, "libVTProeVEXO.so");
    EXPECT_TRUE(facts.runpath);
    EXPECT_EQ(facts.search_path, (std::vector<std::string>{"$ORIGIN", "/opt/vantor"}));
    // A position-independent program is a shared object too, but not a library.
    EXPECT_FALSE(read_binary_facts(elf_library(true)).library);
}

TEST(ElfReader, TruncationAndHostileLinksAreFaults) {
    std::string whole = elf_library();
    for (size_t n = 0; n < whole.size(); ++n)
        EXPECT_NE(read_binary_facts(whole.substr(0, n)).error, "") << "cut at " << n;
    const size_t headers = whole.size() - 4 * 64;
    Blob bad_link{whole};
    bad_link.put(headers + 2 * 64 + 40, 77, 4);    // .dynsym links to section 77
    EXPECT_EQ(read_binary_facts(bad_link.bytes).error, "a section links to no string table");
    Blob bad_name{whole};
    bad_name.put(headers - 16 * 4 - 6 * 24 + 24, 0xFFFFFF, 4);  // first real symbol's name
    EXPECT_EQ(read_binary_facts(bad_name.bytes).error, "a name lies outside its string table");
    Blob huge{whole};
    huge.put(headers + 2 * 64 + 32, 0xFFFFFFFFFFull, 8);       // .dynsym size
    EXPECT_EQ(read_binary_facts(huge.bytes).error, "the symbol table lies outside the file");
    Blob klass{whole};
    klass.put(4, 9, 1);
    EXPECT_EQ(read_binary_facts(klass.bytes).error, "unknown ELF class");
}

// ---- the registry file -----------------------------------------------------------------------

TEST(Registry, KeysWithoutCaseBlankLinesAndSeveralEntries) {
    auto entries = vthost::parse_registry(
        "NAME other\r\nstartup dll\r\nexec_file C:\\other\\o.dll\r\nend\r\n\r\n"
        "  name vt_vexo\n\nStartup DLL\nEXEC_FILE C:\\vt vexo\\vt_vexo.dll\ntext_dir /a/text\ntext_dir /b/text\nend\n"
        "name unfinished\n");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_TRUE(entries[0].ended);
    EXPECT_EQ(entries[0].value("name"), "other");
    EXPECT_EQ(entries[1].first_line, 6);
    EXPECT_EQ(entries[1].value("startup"), "DLL");
    // A blank ends the value; the rest is kept to be reported.
    EXPECT_EQ(entries[1].value("exec_file"), "C:\\vt");
    EXPECT_EQ(entries[1].line("exec_file")->rest, "vexo\\vt_vexo.dll");
    EXPECT_EQ(entries[1].line("exec_file")->number, 9);
    EXPECT_EQ(entries[1].value("text_dir"), "/b/text");   // the last value counts
    EXPECT_FALSE(entries[2].ended);

    std::string error;
    EXPECT_EQ(vthost::addin_entry(entries, error), &entries[1]);
    auto others = vthost::parse_registry("name a\nend\nname b\nend\n");
    EXPECT_EQ(vthost::addin_entry(others, error), nullptr);
    EXPECT_EQ(error, "the registry file holds 2 entries and none is named vt_vexo");
    auto single = vthost::parse_registry("name mine\nend\n");
    EXPECT_EQ(vthost::addin_entry(single, error), &single[0]);
}

TEST(Registry, ApplicationDirectoryIsTheFolderHoldingText) {
    EXPECT_EQ(vthost::application_dir_of_text_dir("C:\\vt_vexo\\text"), "C:\\vt_vexo");
    EXPECT_EQ(vthost::application_dir_of_text_dir("C:\\vt_vexo\\text\\"), "C:\\vt_vexo");
    EXPECT_EQ(vthost::application_dir_of_text_dir("C:\\text"), "C:\\");
    EXPECT_EQ(vthost::application_dir_of_text_dir("/opt/vt/text"), "/opt/vt");
    EXPECT_EQ(vthost::application_dir_of_text_dir("/text"), "/");
    EXPECT_EQ(vthost::application_dir_of_text_dir("text"), ".");
}

// ---- message files -------------------------------------------------------------------------

std::string messages(const std::vector<std::string>& keys) {
    std::string out;
    for (const std::string& key : keys) out += key + "\nEnglish " + key + "\n#\n#\n";
    return out;
}

std::vector<std::string> fault_lines(const std::vector<vthost::Finding>& findings) {
    std::vector<std::string> out;
    for (const auto& f : findings)
        if (f.level == vthost::Finding::FAULT) out.push_back(f.path + ": " + f.message);
    return out;
}

TEST(MessageCheck, AcceptsTheLayoutWithCrLfAndBlankLinesBetweenMessages) {
    std::string text = messages({"a", "b"}) + "\n" + messages({"c"});
    auto findings = vthost::check_message_text("m.txt", text, {"a", "b", "c"});
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].level, vthost::Finding::OK);
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_TRUE(fault_lines(vthost::check_message_text("m.txt", crlf, {"a", "b", "c"})).empty());
}

TEST(MessageCheck, ReportsEachFaultWithItsLine) {
    EXPECT_EQ(fault_lines(vthost::check_message_text("m.txt", messages({"a"}), {"a", "b"})),
              std::vector<std::string>{"m.txt: lacks key b: the menu shows [b] instead of a label"});
    EXPECT_EQ(fault_lines(vthost::check_message_text("m.txt", messages({"a", "b", "a"}), {"a", "b"})),
              std::vector<std::string>{"m.txt:9: key a given twice (first at line 1); the host uses the first"});
    EXPECT_EQ(fault_lines(vthost::check_message_text("m.txt", "a\nA\n#\nx\n", {"a"})),
              std::vector<std::string>{"m.txt:4: the fourth line of message a is not #"});
    EXPECT_EQ(fault_lines(vthost::check_message_text("m.txt", "a\nA\n\n#\n", {})),
              std::vector<std::string>{"m.txt:3: message a has an empty line where its translation or # belongs"});
    EXPECT_EQ(fault_lines(vthost::check_message_text("m.txt", messages({"a"}) + "b\nB\n", {"a"})),
              std::vector<std::string>{"m.txt:5: message b is cut short at the end of the file"});
    auto bom = fault_lines(vthost::check_message_text("m.txt", "\xEF\xBB\xBF" + messages({"a"}), {"a"}));
    ASSERT_EQ(bom.size(), 2u);  // the mark, and the key it spoils
    EXPECT_EQ(bom[0], "m.txt:1: starts with a byte-order mark, which becomes part of the first key");
    EXPECT_EQ(fault_lines(vthost::check_message_text("m.txt", messages({"a"}) + "b\n\xE4nderung\n#\n#\n", {"a", "b"})),
              std::vector<std::string>{"m.txt:6: not UTF-8 (byte 18)"});
}

TEST(MessageCheck, Utf8Validation) {
    EXPECT_EQ(vthost::utf8_error_at("plain"), -1);
    EXPECT_EQ(vthost::utf8_error_at("\xC3\xA4nderung \xE3\x83\xAD\xF0\x9F\x98\x80"), -1);
    EXPECT_EQ(vthost::utf8_error_at("ab\xC3"), 2);
    EXPECT_EQ(vthost::utf8_error_at("\xC0\xAF"), 0);
    EXPECT_EQ(vthost::utf8_error_at("x\xED\xA0\x80"), 1);
    EXPECT_EQ(vthost::utf8_error_at("\xF4\x90\x80\x80"), 0);
    EXPECT_EQ(vthost::utf8_error_at("\xE4" "bersicht"), 0);  // Latin-1, not UTF-8
}

TEST(MenuNames, KeysAndIconsOfTheMenuTable) {
    const auto& keys = vthost::menu_keys();
    EXPECT_EQ(keys.size(), 58u);
    EXPECT_EQ(keys.front(), "VantorO");
    EXPECT_NE(std::find(keys.begin(), keys.end(), "space2_help"), keys.end());
    EXPECT_EQ(std::count(keys.begin(), keys.end(), "space_label"), 1);
    const auto& icons = vthost::menu_icon_files();
    EXPECT_EQ(icons.size(), 24u);
    EXPECT_EQ(icons.front(), "Docdata_g14.gif");
}

#define TEST_CLIENT_NAME(name, argument, default_answer) #name,
const std::vector<std::string> client_names = {VTPDM_FUNCTION_LIST(TEST_CLIENT_NAME)};
#undef TEST_CLIENT_NAME

std::vector<std::string> without(std::vector<std::string> names, const std::string& name) {
    names.erase(std::remove(names.begin(), names.end(), name), names.end());
    return names;
}

TEST(ClientExports, MissingFunctionsAreNamedWholeAndOnce) {
    ASSERT_EQ(client_names.size(), 32u);
    EXPECT_EQ(vthost::missing_client_functions(client_names, {"BeforeInit", "CmdExec"}), "");
    // A client function the module also imports is named once.
    EXPECT_EQ(vthost::missing_client_functions(without(client_names, "Start"), {"BeforeInit", "Start", "Start"}), "Start");
    // "Save" is a name of its own, not a part of "SaveIntoProject" or "BeforeSave".
    EXPECT_EQ(vthost::missing_client_functions(without(without(client_names, "SaveIntoProject"), "BeforeSave"),
                                               {"SaveIntoProject", "Save", "Init", "Save"}),
              "SaveIntoProject, BeforeSave, Save, Init");
    EXPECT_EQ(vthost::missing_client_functions({}, {}).substr(0, 19), "BeforeInit, Start, ");
}

TEST(FindingOutput, TextAndJsonLines) {
    vthost::Finding f{vthost::Finding::FAULT, "icon", "C:\\x\\a.gif", "is \"bad\"", "replace it"};
    EXPECT_EQ(vthost::finding_text(f), "FAULT   icon     C:\\x\\a.gif: is \"bad\" -- replace it");
    EXPECT_EQ(vthost::finding_json(f),
              "{\"level\":\"FAULT\",\"area\":\"icon\",\"path\":\"C:\\\\x\\\\a.gif\",\"message\":\"is \\\"bad\\\"\","
              "\"fix\":\"replace it\"}");
    vthost::Finding ok{vthost::Finding::OK, "module", "m.so", "fine", ""};
    EXPECT_EQ(vthost::finding_text(ok), "ok      module   m.so: fine");
}

}  // namespace
