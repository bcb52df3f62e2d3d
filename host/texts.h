/* Text as vthost and its check meet it: files read whole, lines, lists, message files, language
 * names and numbers, UTF-8 and the host's UTF-16, JSON strings and file-system paths. */
#ifndef VTHOST_TEXTS_H
#define VTHOST_TEXTS_H

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vthost {

/* A whole file as bytes; nothing when it cannot be read. */
std::optional<std::string> read_file(const std::filesystem::path& path);

/* The lines of a text, line ends LF or CRLF, without them. */
std::vector<std::string> text_lines(const std::string& contents);

/* The parts of a text between separators, empty parts dropped. */
std::vector<std::string> split(const std::string& text, char separator);

/* One message of a message file: its English text and its translation ("#" when none). */
struct MessageText {
    std::string english;
    std::string translated;
};
typedef std::map<std::string, MessageText> MessageFile;

/* Reads a message file: four lines per message (key, English text, translated text or "#",
 * "#"), UTF-8, line ends LF or CRLF; blank lines between messages are skipped.  A group cut
 * short at the end of the file is dropped.  The first of two equal keys wins. */
MessageFile parse_message_file(const std::string& contents);

/* The text a person sees for a message: the translation when the language is not English
 * (code 0) and the file has one, else the English text. */
const std::string& shown_text(const MessageText& message, int language);

/* Languages, from the add-in's one list (text/languages.h).  A language given as a number (0 to
 * 99) or the name of a code; -1 when it is neither. */
int language_code_from_text(const std::string& text);
/* The name of a code (its text directory), or "" for a code without one. */
const char* language_name_of(int code);

/* Narrow UTF-8 and the host's UTF-16, with the add-in's codec (text/utf8.h): what cannot be
 * carried over, a byte of broken UTF-8 or a lone surrogate, becomes U+FFFD. */
std::u16string widen(const std::string& text);
std::string narrow(const char16_t* text);
/* The offset of the first byte that does not start a well-formed UTF-8 character; -1 when the
 * whole text is well-formed. */
long utf8_error_at(const std::string& text);

/* Text as a JSON string, quotes included (control characters escaped). */
std::string json_quote(const std::string& text);

/* File-system paths from and to UTF-8 text. */
std::filesystem::path path_of(const std::string& text);
std::string text_of(const std::filesystem::path& path);

}  // namespace vthost

#endif
