/* `vthost soak`: long seeded random sessions against the add-in, checked while they run.
 *
 * The parts, each in a file of its own:
 *   - SoakRandom (soak_random.cpp): the generator's only source of chance, xoshiro256** seeded
 *     by splitmix64, with its own range mapping, so that a seed gives the same numbers in every
 *     build and with every C++ library;
 *   - soak_name (soak_names.cpp): model names of 1 to 79 UTF-16 units drawn from fixed pools per
 *     script (Latin with accents, Cyrillic, Greek, CJK and Hangul, Hebrew, characters most code
 *     pages lack, supplementary characters as surrogate pairs, blanks and the characters a
 *     script line must escape);
 *   - SoakWorld (soak_world.cpp): what the host holds (models, windows, the current window, the
 *     client library's answers) and, for each script command, the client-library calls the
 *     add-in must make and the status it must hand back;
 *   - SoakGenerator (soak_generate.cpp): a user's working day as script lines, run after run,
 *     each run in a language of its own;
 *   - run_soak (soak.cpp): drives vthost's session with the generated lines and checks the
 *     calls, the add-in's memory, the process size, the message log and the recording. */
#ifndef VTHOST_SOAK_H
#define VTHOST_SOAK_H

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "host/script.h"

namespace vthost {

/* ---- chance --------------------------------------------------------------------------------- */

class SoakRandom {
public:
    explicit SoakRandom(uint64_t seed);
    uint64_t next();
    /* A number from 0 to n - 1 (n > 0), unbiased. */
    uint32_t below(uint32_t n);
    /* A number from low to high, both included. */
    int between(int low, int high) { return low + static_cast<int>(below(static_cast<uint32_t>(high - low + 1))); }
    /* True with the chance per_mille / 1000. */
    bool chance(uint32_t per_mille) { return below(1000) < per_mille; }

private:
    uint64_t state_[4];
};

/* ---- model names ---------------------------------------------------------------------------- */

/* The scripts names are drawn from; MIXED takes each character from any of the others. */
enum SoakScript {
    SCRIPT_LATIN, SCRIPT_CYRILLIC, SCRIPT_GREEK, SCRIPT_CJK, SCRIPT_HEBREW,
    SCRIPT_OUTSIDE,      /* characters that most of the add-in's code pages lack */
    SCRIPT_SUPPLEMENTARY,/* characters beyond U+FFFF: surrogate pairs */
    SCRIPT_MIXED,
    SCRIPT_COUNT
};
const char* soak_script_name(SoakScript script);

/* The longest model name the host's 80-unit name field holds with its terminator. */
enum { SOAK_NAME_UNITS_MAX = 79 };

/* A name of exactly `units` UTF-16 units (1 to SOAK_NAME_UNITS_MAX) in a script, never a lone
 * surrogate.  With `specials`, blanks and the characters a script line escapes may occur. */
std::u16string soak_name(SoakRandom& random, SoakScript script, int units, bool specials);

/* A model as a script line names it: UTF-8, with \xHH for the bytes up to 0x20, 0x7F, '#' and
 * '\', as the session recorder writes names. */
std::string script_word(const std::u16string& text);

/* The script a code point comes from, for the tallies of the tests; SCRIPT_COUNT for a blank or
 * a special character. */
SoakScript soak_script_of(char32_t code);

/* ---- the host's state and the calls it predicts ---------------------------------------------- */

/* One client-library call: "Name" with its argument's bytes (when it takes one) and answer. */
struct ExpectedCall {
    std::string function;
    bool has_argument = false;
    std::string argument;
    int answer = 0;
    /* The stand-in's line, "VTProeVEXO: Name("argument") -> answer" (a note may follow). */
    std::string line() const;
};

/* What one script command must make the add-in do. */
struct Prediction {
    std::vector<ExpectedCall> calls;
    bool has_status = false;       /* a save or a command that ran: the status the host gets */
    int status = 0;                /* the save hook's answer, or the command's status */
    const char* status_of = "";    /* "save hook" or "command" */
};

struct SoakModel {
    std::string name, type;        /* UTF-8, as the script names them */
    int window = 0;                /* 0: no window shows it */
    std::string key() const { return name + "." + type; }
};

/* The host as the soak sees it: models, windows and the client library's answers, advanced by
 * the same script commands as vthost's session. */
class SoakWorld {
public:
    explicit SoakWorld(int language = 0) : language_(language) {}

    /* The calls and status a command must give; the world is not changed. */
    Prediction predict(const ScriptCommand& command) const;
    /* Advances the world by a command as vthost's session does.  False for a command the session
     * would refuse (a model not in session, a name in use): the generator never makes one. */
    bool apply(const ScriptCommand& command);

    /* The document key the add-in must build for a model in this world's language: the
     * converted name and type joined by '.', or false when it would not fit in 255 bytes. */
    bool document_key(const SoakModel& model, std::string& key) const;

    const std::vector<SoakModel>& models() const { return models_; }
    const SoakModel* current() const;
    const SoakModel* find(const std::string& key) const;
    int answer(const std::string& function) const;

private:
    SoakModel* find_mutable(const std::string& key);

    int language_;
    std::vector<SoakModel> models_;
    int current_window_ = 0;
    int next_window_ = 1;
    std::map<std::string, int> answers_;   /* VTPDM_ANSWERS as the last setenv left it */
};

/* The narrow text of a wide text in a language, converted the way the add-in's language selects
 * (EUC-JP for Japanese, the Hebrew letter mapping, the language's code page for the whole
 * string, Latin-1 with the euro sign for English, the default code page a character at a time
 * for the rest), with the platform's code-page service giving Windows' answers.  The result
 * ends where the conversion put its first zero byte. */
std::string soak_narrow(int language, const std::u16string& text);

/* The menu buttons and what picking each does: the client-library function it calls (empty for
 * the separators), the command code it passes (CmdExec only), whether the command hands the
 * library's answer back as its status, and whether it needs a current model. */
struct SoakButton {
    const char* button;
    const char* function;
    const char* argument;
    bool forwards_status;
    bool needs_model;
};
extern const SoakButton soak_buttons[];
extern const int soak_button_count;
const SoakButton* soak_button(const std::string& name);

/* ---- the generator ------------------------------------------------------------------------ */

/* One step of a soak: the start of a run (in `language`), a script line of that run, or its end
 * (the line "quit"). */
struct SoakStep {
    enum Kind { RUN_START, LINE, RUN_END } kind = LINE;
    int run = 0;                   /* from 1 */
    int language = 0;
    long event = 0;                /* the line's number among all the soak's events, from 1 */
    std::string line;              /* LINE and RUN_END */
    ScriptCommand command;         /* the parsed line */
    Prediction prediction;         /* what the line must make the add-in do */
    bool session_empty = false;    /* after the line no model is in session */
};

class SoakGenerator {
public:
    /* `events` script lines in all, spread over runs in the given languages (codes 0 to 20). */
    SoakGenerator(uint64_t seed, long events, std::vector<int> languages);
    /* The next step; false after the last run's end. */
    bool next(SoakStep& step);
    const SoakWorld& world() const { return world_; }

private:
    std::string choose_line();
    std::string new_model_key();
    std::string name_in_session(bool with_window_only);

    SoakRandom random_;
    long events_;
    std::vector<int> languages_;
    long made_ = 0;                /* lines made so far */
    int run_ = 0;
    long run_left_ = 0;            /* lines left in this run; -1 once its quit is made */
    bool in_run_ = false;
    bool clearing_ = false;        /* closing every model, the day's end */
    int language_ = 0;
    SoakWorld world_;
};

/* ---- the command -------------------------------------------------------------------------- */

/* `vthost soak ARGS`; `program` is argv[0].  Exit status 0 when every check held, 1 at the first
 * difference (told on standard error with the seed, the event and how to run it again), 2 for a
 * bad option, 3 when the soak cannot run (no module, no work folder). */
int run_soak(const std::vector<std::string>& args, const std::string& program);

}  // namespace vthost

#endif
