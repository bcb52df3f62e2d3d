/* The registry file an installation needs: protk.dat naming the installed module and text folder
 * by absolute path.  Windows Installer knows the installation folder only at install time and
 * cannot fill a file's content, so the package runs vt_protk (main.cpp) from the installed files,
 * which writes the file with these functions. */
#ifndef VT_SETUP_PROTK_WRITER_H
#define VT_SETUP_PROTK_WRITER_H

#include <string>

namespace vt_setup {

/* The installation folder as Windows Installer hands it over ("C:\vt_vexo\", or "C:\vt_vexo\."
 * where the command line quotes it), without its trailing separators and "." steps; a drive's
 * root keeps its separator ("C:\").  Forward slashes count as separators too. */
std::string folder_without_trailing_separators(const std::string& folder);

/* `name` inside `folder` (not empty): folder\vt_vexo.dll, folder\protk.dat; a folder that ends in
 * a separator (a drive's root) keeps that one separator, a forward slash included. */
std::string inside(const std::string& folder, const char* name);

/* Why the host could not use a registry file naming `folder` (already normalised), with what to
 * do after " -- ", or "" when it could: the folder must be absolute (the host takes a relative path from the folder it starts
 * in, which differs from user to user), hold no blank (the host reads a value up to the first
 * blank) and no line end, and be short enough that the add-in's resource folder path for
 * the longest language name fits the 260-character buffer it is built in. */
std::string folder_refusal(const std::string& folder);

/* The text of protk.dat for the module and text folder in `folder`, from the template the other
 * installations use too, with Windows line ends. */
std::string protk_text(const std::string& folder);

}  // namespace vt_setup

#endif
