// The file readers of vthost's installation check with arbitrary bytes: the PE/ELF reader, the
// GIF reader and the registry file reader.  Each must answer every input within the bytes it was
// given; what it answers must hold together: a file read without error has its format, names
// of bounded length and the caps on counts; a GIF read without error has exactly one colour
// index per pixel, each inside the colour table.
#include <cstdint>
#include <string>

#include "host/binary_facts.h"
#include "host/gif.h"
#include "host/registry.h"

namespace {

void check_names(const std::vector<std::string>& names) {
    if (names.size() > 65536) __builtin_trap();
    for (const std::string& name : names)
        if (name.size() > 4096) __builtin_trap();
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
