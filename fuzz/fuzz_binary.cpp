// The file readers of vthost's installation check with arbitrary bytes: the PE/ELF reader (with
// its version resource and certificate table), the version block reader on its own, the GIF
// reader and the registry file reader.  Each must answer every input within the bytes it was
// given; what it answers must hold together: a file read without error has its format, names
// of bounded length and the caps on counts; a version resource is either read (no error) or
// damaged (an error), its strings well-formed UTF-8 without control characters, within the
// caps; a signature found has its PKCS#7 bytes and at least one entry; a GIF read without error
// has exactly one colour index per pixel, each inside the colour table.
#include <cstdint>
#include <string>

#include "host/check/binary_facts.h"
#include "host/check/check.h"
#include "host/check/gif.h"
#include "host/registry.h"
#include "host/texts.h"

namespace {

void check_names(const std::vector<std::string>& names) {
    if (names.size() > 65536) __builtin_trap();
    for (const std::string& name : names)
        if (name.size() > 4096) __builtin_trap();
}

void check_version(const vthost::VersionResource& version) {
    using vthost::VersionResource;
    if ((version.state == VersionResource::DAMAGED) == version.error.empty()) __builtin_trap();
    if (version.state == VersionResource::ABSENT && (version.fixed || !version.strings.empty())) __builtin_trap();
    if (version.strings.size() > 256) __builtin_trap();
    for (const auto& pair : version.strings) {
        /* A key of at most 64 UTF-16 units, a value of at most 1024: 3 bytes of UTF-8 each. */
        if (pair.first.size() > 64 * 3 || pair.second.size() > 1024 * 3) __builtin_trap();
        for (const std::string* text : {&pair.first, &pair.second}) {
            if (vthost::utf8_error_at(*text) >= 0) __builtin_trap();
            for (char c : *text)
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) __builtin_trap();
        }
    }
    if (version.state == VersionResource::PRESENT && vthost::version_text(version).compare(0, 8, "version ") != 0)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);

    vthost::BinaryFacts facts = vthost::read_binary_facts(bytes);
    if (facts.format == vthost::BinaryFacts::UNKNOWN && facts.error.empty()) __builtin_trap();
    check_names(facts.exports);
    check_names(facts.undefined);
    if (facts.imports.size() > 1024) __builtin_trap();
    for (const vthost::ImportedLibrary& library : facts.imports) {
        if (library.name.size() > 4096) __builtin_trap();
        check_names(library.functions);
    }
    if (facts.machine_name().empty()) __builtin_trap();
    check_version(facts.version);
    const vthost::Signature& signature = facts.signature;
    if ((signature.state == vthost::Signature::DAMAGED) == signature.error.empty()) __builtin_trap();
    if (signature.state == vthost::Signature::SIGNED && (signature.bytes == 0 || signature.entries == 0)) __builtin_trap();
    if (signature.entries > 64) __builtin_trap();
    if (signature.state == vthost::Signature::SIGNED && signature.bytes + 8ull > size) __builtin_trap();
    if (facts.format != vthost::BinaryFacts::PE &&
        (facts.version.state != vthost::VersionResource::ABSENT || signature.state != vthost::Signature::UNSIGNED))
        __builtin_trap();

    /* The same bytes as a version resource's data: the block reader gets far more of its own
     * paths than through a whole PE file. */
    check_version(vthost::read_version_info(bytes));

    vthost::Gif gif = vthost::read_gif(bytes);
    if (gif.error.empty()) {
        if (gif.pixels.size() != static_cast<size_t>(gif.width) * static_cast<size_t>(gif.height)) __builtin_trap();
        for (int pixel : gif.pixels)
            if (pixel < 0 || pixel >= gif.colours) __builtin_trap();
    }

    for (const vthost::RegistryEntry& entry : vthost::parse_registry(bytes)) {
        for (const vthost::RegistryLine& line : entry.lines)
            if (line.key.empty() || line.number < entry.first_line) __builtin_trap();
    }
    std::string error;
    std::vector<vthost::RegistryEntry> entries = vthost::parse_registry(bytes);
    if (vthost::addin_entry(entries, error) == nullptr && error.empty()) __builtin_trap();
    vthost::application_dir_of_text_dir(bytes.substr(0, 300));
    return 0;
}
