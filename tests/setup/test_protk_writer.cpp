// The installation step that writes protk.dat: the folder Windows Installer hands over, the
// folders the host could not use, the file's text as the host reads it, and the program itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/registry.h"
#include "setup/protk_writer.h"
#include "tests/support/child.h"

using vt_setup::folder_refusal;
using vt_setup::folder_without_trailing_separators;
using vt_setup::protk_text;

TEST(ProtkFolder, TrailingSeparatorsAndDotStepsGoButARootKeepsItsSeparator) {
    EXPECT_EQ(folder_without_trailing_separators("C:\\vt_vexo\\"), "C:\\vt_vexo");
    EXPECT_EQ(folder_without_trailing_separators("C:\\vt_vexo\\."), "C:\\vt_vexo");   // "[INSTALLDIR]."
    EXPECT_EQ(folder_without_trailing_separators("C:\\vt_vexo\\.\\\\"), "C:\\vt_vexo");
    EXPECT_EQ(folder_without_trailing_separators("D:/cad/vt_vexo/"), "D:/cad/vt_vexo");
    EXPECT_EQ(folder_without_trailing_separators("C:\\vt_vexo"), "C:\\vt_vexo");
    EXPECT_EQ(folder_without_trailing_separators("C:\\"), "C:\\");
    EXPECT_EQ(folder_without_trailing_separators("C:\\."), "C:\\");
    EXPECT_EQ(folder_without_trailing_separators("\\\\server\\share\\vt_vexo\\"), "\\\\server\\share\\vt_vexo");
    EXPECT_EQ(folder_without_trailing_separators("C:\\a.b"), "C:\\a.b");                // a dot in a name stays
    EXPECT_EQ(folder_without_trailing_separators(""), "");
}

TEST(ProtkFolder, FoldersTheHostCannotUseAreRefusedWithTheReason) {
    EXPECT_EQ(folder_refusal("C:\\vt_vexo"), "");
    EXPECT_EQ(folder_refusal("\\\\server\\share\\vt_vexo"), "");
    EXPECT_EQ(folder_refusal("C:\\"), "");
    EXPECT_NE(folder_refusal("").find("no installation folder"), std::string::npos);
    EXPECT_NE(folder_refusal("vt_vexo").find("not an absolute path"), std::string::npos);
    EXPECT_NE(folder_refusal("C:vt_vexo").find("not an absolute path"), std::string::npos);
    EXPECT_NE(folder_refusal("\\vt_vexo").find("not an absolute path"), std::string::npos);
    EXPECT_NE(folder_refusal("C:\\Program Files (x86)\\vt_vexo").find("holds a blank"), std::string::npos);
    EXPECT_NE(folder_refusal("C:\\a\tb").find("holds a blank"), std::string::npos);
    EXPECT_NE(folder_refusal("C:\\a\nexec_file").find("line end"), std::string::npos);  // a second key line
}

// The add-in builds APP\text\LANGUAGE\resource in a 260-character buffer; the longest language
// directory name it can build is 10 characters ("portuguese", "chinese_tw"), so a folder of 234
// characters is the longest that fits: 234 + "\text" + "\" + 10 + "\resource" = 259.
TEST(ProtkFolder, TheLongestFolderIsTheOneWhoseResourcePathStillFitsTheAddinsBuffer) {
    std::string fits = "C:\\" + std::string(231, 'a');
    ASSERT_EQ(fits.size(), 234u);
    EXPECT_EQ(folder_refusal(fits), "");
    std::string refusal = folder_refusal(fits + "a");
    EXPECT_NE(refusal.find("would be 260 characters"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("hold 259 -- install into a folder with a shorter path"), std::string::npos) << refusal;
}

TEST(ProtkText, NamesTheModuleAndTextFolderAsTheHostReadsThem) {
    std::string text = protk_text("D:\\cad\\vt_vexo");
    EXPECT_EQ(text, "name vt_vexo\r\nstartup dll\r\nexec_file D:\\cad\\vt_vexo\\vt_vexo.dll\r\n"
                    "text_dir D:\\cad\\vt_vexo\\text\r\nrevision Wildfire\r\nend\r\n");
    // Read back as the host reads a registry file.
    std::vector<vthost::RegistryEntry> entries = vthost::parse_registry(text);
    std::string error;
    const vthost::RegistryEntry* entry = vthost::addin_entry(entries, error);
    ASSERT_NE(entry, nullptr) << error;
    EXPECT_TRUE(entry->ended);
    EXPECT_EQ(entry->value("exec_file"), "D:\\cad\\vt_vexo\\vt_vexo.dll");
    EXPECT_EQ(entry->value("text_dir"), "D:\\cad\\vt_vexo\\text");
    EXPECT_EQ(entry->value("startup"), "dll");
    EXPECT_EQ(vthost::application_dir_of_text_dir(entry->value("text_dir")), "D:\\cad\\vt_vexo");
}

TEST(ProtkText, ARootFolderGetsNoDoubledSeparator) {
    std::string text = protk_text("E:\\");
    EXPECT_NE(text.find("exec_file E:\\vt_vexo.dll\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("text_dir E:\\text\r\n"), std::string::npos) << text;
}

TEST(ProtkText, NamesInsideAFolderTakeOneSeparator) {
    EXPECT_EQ(vt_setup::inside("C:\\vt_vexo", "protk.dat"), "C:\\vt_vexo\\protk.dat");
    EXPECT_EQ(vt_setup::inside("C:\\", "protk.dat"), "C:\\protk.dat");
    EXPECT_EQ(vt_setup::inside("C:/", "protk.dat"), "C:/protk.dat");
    EXPECT_EQ(vt_setup::inside("D:/cad/vt_vexo", "text"), "D:/cad/vt_vexo\\text");
    EXPECT_EQ(vt_setup::inside("\\\\server\\share\\vt_vexo", "vt_vexo.dll"), "\\\\server\\share\\vt_vexo\\vt_vexo.dll");
}

#ifdef VT_PROTK_PATH

TEST(ProtkProgram, ABadCommandLineOrAnUnusableFolderWritesNothing) {
    vt_test::ChildResult usage = vt_test::run_program({VT_PROTK_PATH});
    ASSERT_TRUE(usage.exited);
    EXPECT_EQ(usage.exit_code, 2);
    EXPECT_NE(usage.err.find("usage: vt_protk FOLDER"), std::string::npos) << usage.err;

    vt_test::ChildResult relative = vt_test::run_program({VT_PROTK_PATH, "vt_vexo"});
    ASSERT_TRUE(relative.exited);
    EXPECT_EQ(relative.exit_code, 1);
    EXPECT_NE(relative.err.find("protk.dat is not written: the installation folder vt_vexo is not an absolute path"),
              std::string::npos) << relative.err;
    EXPECT_FALSE(std::filesystem::exists("vt_vexo/protk.dat"));
}

#ifdef _WIN32
namespace {
std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
}  // namespace

// The program as the package runs it: the folder quoted with a trailing "\." after Windows
// Installer's trailing separator.
TEST(ProtkProgram, WritesTheRegistryFileIntoTheFolderItIsGiven) {
    namespace fs = std::filesystem;
    fs::path folder = fs::temp_directory_path() / ("vt_protk_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(folder);
    std::string windows = folder.string();
    vt_test::ChildResult r = vt_test::run_program({VT_PROTK_PATH, windows + "\\."});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(read_file(folder / "protk.dat"), protk_text(windows));
    EXPECT_NE(r.out.find("vt_protk: wrote " + windows + "\\protk.dat"), std::string::npos) << r.out;

    // A folder that does not exist: nothing is written, and the failure is reported.
    vt_test::ChildResult missing = vt_test::run_program({VT_PROTK_PATH, windows + "\\no_such_folder"});
    ASSERT_TRUE(missing.exited);
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_NE(missing.err.find("cannot write"), std::string::npos) << missing.err;
    vt_test::remove_tree(folder.string());
}
#endif
#endif
