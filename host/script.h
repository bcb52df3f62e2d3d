/* The session script: one command a line, `#` starts a comment (at the start of a line or after
 * blank space), blank lines are ignored.  In the arguments of every command but setenv, \xHH
 * (two hex digits) stands for the byte HH, so that a model name can hold what a script line
 * cannot: blanks, control characters, '#' and '\' itself (\x5C); a '\' not followed by x and
 * two hex digits is a bad line.  Session recordings write names this way.  `parse_script_line` checks a line's command and the
 * form of its arguments; what the arguments name (a model in session, a button) is checked when
 * the command runs. */
#ifndef VTHOST_SCRIPT_H
#define VTHOST_SCRIPT_H

#include <string>
#include <vector>

namespace vthost {

struct ScriptCommand {
    enum Kind {
        NOTHING,       /* blank or comment-only line */
        OPEN, ACTIVATE, SAVE, CLOSE, CLOSE_WINDOW, PICK, MENU, QUIT,
        COPY, RENAME, REGENERATE, SETENV,
    } kind = NOTHING;
    std::vector<std::string> args; /* SETENV: name and the rest of the line (possibly empty) */
    std::string comment;           /* text of a whole-line comment, without the '#' */
    bool comment_line = false;
};

/* Parses one line.  False with a message for a person when the line is not a valid command. */
bool parse_script_line(const std::string& line, ScriptCommand& command, std::string& error);

/* Turns the \xHH escapes of a word into their bytes.  False with a message on a bad escape. */
bool unescape_word(const std::string& word, std::string& text, std::string& error);

/* A model given as NAME.TYPE: the name before the last full stop (1 to 79 UTF-16 units), the
 * type after it (1 to 3 letters or digits). */
bool parse_model_key(const std::string& text, std::string& name, std::string& type, std::string& error);

}  // namespace vthost

#endif
