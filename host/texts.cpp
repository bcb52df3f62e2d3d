/* Text helpers of vthost and its check. */
#include "host/texts.h"

#include <stdio.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "frame/vt_constants.h"
#include "text/languages.h"
#include "text/utf8.h"

namespace vthost {

std::optional<std::string> read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

std::vector<std::string> text_lines(const std::string& contents) {
    std::vector<std::string> lines;
    std::istringstream in(contents);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    std::string part;
    while (std::getline(in, part, separator))
        if (!part.empty()) parts.push_back(part);
    return parts;
}

MessageFile parse_message_file(const std::string& contents) {
    std::vector<std::string> lines = text_lines(contents);
    MessageFile file;
    size_t i = 0;
    while (i < lines.size()) {
        if (lines[i].empty()) {
            ++i;
            continue;
        }
        if (i + 2 >= lines.size()) break; /* key without its two texts */
        MessageText text{lines[i + 1], lines[i + 2]};
        file.emplace(lines[i], text);
        i += 4;
    }
    return file;
}

const std::string& shown_text(const MessageText& message, int language) {
    if (language != VT_LANG_ENGLISH && !message.translated.empty() && message.translated != "#")
        return message.translated;
    return message.english;
}

int language_code_from_text(const std::string& text) {
    if (!text.empty() && text.size() <= 2 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::stoi(text);
    for (const vt_language& language : vt_languages)
        if (text == language.name) return language.code; /* the first of a name: usascii is 0 */
    return -1;
}

const char* language_name_of(int code) {
    const vt_language* language = vt_language_of(code);
    return language != nullptr ? language->name : "";
}

std::u16string widen(const std::string& text) {
    std::u16string out;
    size_t i = 0;
    while (i < text.size()) {
        char32_t code;
        int length = utf8_decode(text.data() + i, text.size() - i, &code);
        char16_t units[2];
        out.append(units, static_cast<size_t>(utf16_encode(code, units)));
        i += length > 0 ? static_cast<size_t>(length) : 1;
    }
    return out;
}

std::string narrow(const char16_t* text) {
    if (text == nullptr) return std::string();
    size_t length = std::char_traits<char16_t>::length(text);
    /* A unit takes at most three bytes (a pair four for its two), and the terminator one. */
    std::string out(3 * length + 1, '\0');
    out.resize(utf16_to_utf8(&out[0], out.size(), text, length));
    return out;
}

long utf8_error_at(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        char32_t code;
        int length = utf8_decode(text.data() + i, text.size() - i, &code);
        if (length == 0) return static_cast<long>(i);
        i += static_cast<size_t>(length);
    }
    return -1;
}

std::string json_quote(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char escape[8];
                snprintf(escape, sizeof escape, "\\u%04x", c);
                out += escape;
            } else {
                out.push_back(static_cast<char>(c));
            }
        }
    }
    return out + "\"";
}

std::filesystem::path path_of(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string text_of(const std::filesystem::path& path) {
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace vthost
