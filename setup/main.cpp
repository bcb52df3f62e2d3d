/* vt_protk FOLDER: writes FOLDER\protk.dat, the host's registry entry for the add-in installed in
 * FOLDER, naming its module and text folder by absolute path.  The Windows Installer package runs
 * it from the installed files once they are in place; an administrator who moves an installation
 * by hand can run it too.  A folder with a blank is named by its short form where the volume keeps
 * one.  Exit status 0 when written, 1 when the folder cannot be used or the file not written
 * (the package's installation then rolls back), 2 for a bad command line. */
#include <stdio.h>

#include <string>

#include "setup/protk_writer.h"
#include "setup/short_path.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: vt_protk FOLDER   (writes FOLDER\\protk.dat for the add-in installed there)\n");
        return 2;
    }
    std::string folder = vt_setup::folder_without_trailing_separators(argv[1]);
    std::string refusal = vt_setup::folder_refusal(folder);
    if (!refusal.empty() && folder.find(' ') != std::string::npos) {
        std::string short_form = vt_setup::folder_without_trailing_separators(vt_setup::short_path(folder));
        if (!short_form.empty() && vt_setup::folder_refusal(short_form).empty()) {
            folder = short_form;
            refusal.clear();
        }
    }
    if (!refusal.empty()) {
        fprintf(stderr, "vt_protk: protk.dat is not written: %s\n", refusal.c_str());
        return 1;
    }
    std::string path = vt_setup::inside(folder, "protk.dat");
    std::string text = vt_setup::protk_text(folder);
    FILE* file = fopen(path.c_str(), "wb");
    bool written = file != nullptr && fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file != nullptr && fclose(file) != 0) written = false;
    if (!written) {
        fprintf(stderr, "vt_protk: cannot write %s\n", path.c_str());
        remove(path.c_str());
        return 1;
    }
    printf("vt_protk: wrote %s\n", path.c_str());
    return 0;
}
