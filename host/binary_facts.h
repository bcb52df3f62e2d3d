/* What vthost's installation check needs to know of a module file without loading it: whether
 * it is a PE (Windows) or ELF (Linux) file, for which machine, whether it is a library, what it
 * exports and what it imports from which library.
 *
 * The file is read from memory with every offset, size and count checked against the bytes
 * that are there; a truncated or hostile file yields `error` (and whatever was read before the
 * fault), never a read outside the buffer.  Counts are capped (see binary_facts.cpp) so that a
 * forged count cannot make the reader loop for long. */
#ifndef VTHOST_BINARY_FACTS_H
#define VTHOST_BINARY_FACTS_H

#include <string>
#include <vector>

namespace vthost {

struct ImportedLibrary {
    std::string name;                   /* as the file names it: "VTProeVEXO.dll", "libc.so.6" */
    std::vector<std::string> functions; /* PE: the names imported from it ("#N" by ordinal) */
};

struct BinaryFacts {
    enum Format { UNKNOWN, PE, ELF } format = UNKNOWN;
    std::string error;                  /* empty when the file was read whole */
    int machine = 0;                    /* PE: COFF machine word; ELF: e_machine */
    int bits = 0;                       /* 32 or 64; 0 when unknown */
    bool library = false;               /* PE: the DLL flag; ELF: a shared object */
    std::vector<std::string> exports;   /* names of the exported functions and data */
    std::vector<ImportedLibrary> imports;
    std::vector<std::string> undefined; /* ELF: the symbols it needs from its libraries */
    std::vector<std::string> search_path; /* ELF: DT_RUNPATH, else DT_RPATH, split at ':' */
    bool runpath = false;               /* ELF: search_path came from DT_RUNPATH */

    /* "i386", "x86-64", "arm64", ... or "machine 0xNNNN". */
    std::string machine_name() const;
    /* True for an i386 PE file and for an ELF file of EM_386. */
    bool is_i386() const;
};

/* Reads the facts of a module file from its bytes. */
BinaryFacts read_binary_facts(const std::string& bytes);

/* The machine vthost itself was built for, in BinaryFacts terms (format and machine). */
BinaryFacts::Format own_format();
int own_machine();

}  // namespace vthost

#endif
