/* What vthost's installation check needs to know of a module file without loading it: whether
 * it is a PE (Windows) or ELF (Linux) file, for which machine, whether it is a library, what it
 * exports and what it imports from which library; of a PE file also its version resource and
 * whether it carries an Authenticode signature.
 *
 * The file is read from memory with every offset, size and count checked against the bytes
 * that are there; a truncated or hostile file yields `error` (and whatever was read before the
 * fault), never a read outside the buffer.  Counts are capped (see binary_facts.cpp) so that a
 * forged count cannot make the reader loop for long. */
#ifndef VTHOST_BINARY_FACTS_H
#define VTHOST_BINARY_FACTS_H

#include <string>
#include <utility>
#include <vector>

namespace vthost {

struct ImportedLibrary {
    std::string name;                   /* as the file names it: "VTProeVEXO.dll", "libc.so.6" */
    std::vector<std::string> functions; /* PE: the names imported from it ("#N" by ordinal) */
};

/* The version resource of a PE file (resource type RT_VERSION, its first name and language):
 * the fixed file and product versions and the strings of its first string table, converted
 * from UTF-16 to UTF-8.  Control characters in the strings become U+FFFD, so that a string
 * printed in a finding cannot break the line or steer a terminal. */
struct VersionResource {
    enum State { ABSENT, PRESENT, DAMAGED } state = ABSENT;
    std::string error;                  /* DAMAGED: what could not be read */
    bool fixed = false;                 /* the fixed part (VS_FIXEDFILEINFO) was there */
    unsigned file_version[4] = {0, 0, 0, 0};
    unsigned product_version[4] = {0, 0, 0, 0};
    std::vector<std::pair<std::string, std::string>> strings; /* key, value; in file order */

    /* The value of a string ("ProductName", ...); empty when there is none. */
    std::string string(const std::string& key) const;
    /* "1.0.0.0" from the fixed part, else the FileVersion string, else empty. */
    std::string file_version_text() const;
};

/* The certificate table of a PE file (the security directory): whether it holds an
 * Authenticode signature (WIN_CERTIFICATE revision 2.0, PKCS#7 SignedData).  The signature is
 * found, not verified. */
struct Signature {
    enum State { UNSIGNED, SIGNED, DAMAGED } state = UNSIGNED;
    std::string error;                  /* DAMAGED: what is wrong with the table */
    unsigned entries = 0;               /* certificate entries in the table (0: no table) */
    unsigned bytes = 0;                 /* SIGNED: size of the first signature's PKCS#7 data */
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
    /* PE: read apart from the rest, so that a damaged version resource or certificate table
     * shows here and not in `error` (the module still loads), and the other way round. */
    VersionResource version;
    Signature signature;

    /* "i386", "x86-64", "arm64", ... or "machine 0xNNNN". */
    std::string machine_name() const;
    /* True for an i386 PE file and for an ELF file of EM_386. */
    bool is_i386() const;
};

/* A four-part version as "1.2.3.4". */
std::string dotted_version(const unsigned (&parts)[4]);

/* Reads the facts of a module file from its bytes. */
BinaryFacts read_binary_facts(const std::string& bytes);

/* Reads a VS_VERSIONINFO block (a version resource's data) from its bytes. */
VersionResource read_version_info(const std::string& block);

/* The machine vthost itself was built for, in BinaryFacts terms (format and machine). */
BinaryFacts::Format own_format();
int own_machine();

}  // namespace vthost

#endif
