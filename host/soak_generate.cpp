/* The soak's session: a user's working days as vthost script lines.
 *
 * The soak is cut into runs; each run starts the add-in in a language of its own, runs a stretch
 * of the day's work and ends with `quit`.  Within a run every line is drawn from what the world
 * holds at that moment, so that it is always valid: models are opened (new names, or one already
 * in session), made current, saved, closed, their windows closed, copied and renamed to new
 * names, regenerated; every menu button is picked, the client library's answers change
 * (BeforeSave yes and no among them), and now and then the day ends and every model is closed, so
 * that the session comes back to holding nothing, again and again. */
#include "host/soak.h"

#include <algorithm>
#include <stdexcept>

#include "host/host_model.h"

namespace vthost {

namespace {

const char* const model_types[] = {"PRT", "ASM", "DRW", "FRM", "LAY", "MFG", "SEC", "P", "A1", "x9"};

/* Functions whose answers the day changes, with the answers drawn for them. */
struct AnswerChoice {
    const char* function;
    int answers[4];
};
const AnswerChoice answer_choices[] = {
    {"BeforeSave", {0, 1, 2, -1}},
    {"About", {0, 3, -7, 1}},
    {"Help", {0, 1, 2, 0}},
    {"QueryChangeReq", {0, 5, -1, 0}},
    {"NewChangeOrd", {0, 2, 9, 0}},
    {"Hide", {0, 1, 0, 0}},
    {"AfterOpen", {0, 1, -1, 0}},
    {"SwitchDocument", {0, 1, 0, 0}},
    {"CmdExec", {0, 4, 0, 0}},
    {"DocumentData", {0, 6, 0, 0}},
};

enum { MODELS_AT_MOST = 12, RUN_AT_LEAST = 200 };

}  // namespace

SoakGenerator::SoakGenerator(uint64_t seed, long events, std::vector<int> languages)
    : random_(seed), events_(events), languages_(std::move(languages)) {
    if (languages_.empty()) languages_.push_back(0);
}

std::string SoakGenerator::new_model_key() {
    for (;;) {
        int units;
        uint32_t shape = random_.below(100);
        if (shape < 10) units = random_.between(1, 3);
        else if (shape < 20) units = SOAK_NAME_UNITS_MAX;
        else if (shape < 25) units = SOAK_NAME_UNITS_MAX - 1;
        else units = random_.between(1, SOAK_NAME_UNITS_MAX);
        SoakScript script = static_cast<SoakScript>(random_.below(SCRIPT_COUNT));
        bool specials = random_.chance(250);
        std::u16string name = soak_name(random_, script, units, specials);
        std::string type = model_types[random_.below(sizeof model_types / sizeof model_types[0])];
        std::string word = script_word(name) + "." + type;
        /* A name that happens to be in session already is drawn again. */
        std::string key = narrow(name.c_str()) + "." + type;
        if (world_.find(key) == nullptr) return word;
    }
}

/* A model in session, as the script names it. */
std::string SoakGenerator::name_in_session(bool with_window_only) {
    std::vector<const SoakModel*> candidates;
    for (const SoakModel& model : world_.models())
        if (!with_window_only || model.window != 0) candidates.push_back(&model);
    if (candidates.empty()) return "";
    const SoakModel* model = candidates[random_.below(static_cast<uint32_t>(candidates.size()))];
    return script_word(widen(model->name)) + "." + model->type;
}

std::string SoakGenerator::choose_line() {
    size_t count = world_.models().size();
    const SoakModel* current = world_.current();
    if (clearing_) {
        if (current != nullptr) return "close";
        if (count > 0) return "activate " + name_in_session(false);
        clearing_ = false;
    }
    struct Choice {
        const char* what;
        int weight;
    };
    bool room = count < MODELS_AT_MOST;
    const Choice choices[] = {
        {"open", room ? 22 : 0},
        {"reopen", count > 0 ? 3 : 0},
        {"activate", count > 0 ? 10 : 0},
        {"activate none", 2},
        {"save", 12},
        {"close", current != nullptr ? 10 : 1},
        {"close-window", current != nullptr ? 5 : 1},
        {"pick", 18},
        {"copy", count > 0 && room ? 4 : 0},
        {"rename", count > 0 ? 4 : 0},
        {"regenerate", 4},
        {"answers", 3},
        {"menu", 1},
        {"day ends", count > 0 ? 2 : 0},
    };
    int total = 0;
    for (const Choice& choice : choices) total += choice.weight;
    int draw = static_cast<int>(random_.below(static_cast<uint32_t>(total)));
    std::string what;
    for (const Choice& choice : choices) {
        if (draw < choice.weight) {
            what = choice.what;
            break;
        }
        draw -= choice.weight;
    }
    if (what == "open") return "open " + new_model_key();
    if (what == "reopen") return "open " + name_in_session(false);
    if (what == "activate") return "activate " + name_in_session(false);
    if (what == "pick") return std::string("pick ") + soak_buttons[random_.below(soak_button_count)].button;
    if (what == "copy") return "copy " + name_in_session(false) + " " + new_model_key();
    if (what == "rename") return "rename " + name_in_session(false) + " " + new_model_key();
    if (what == "answers") {
        std::string value;
        for (const AnswerChoice& choice : answer_choices) {
            if (!random_.chance(400)) continue;
            value += (value.empty() ? "" : ",") + std::string(choice.function) + "=" +
                     std::to_string(choice.answers[random_.below(4)]);
        }
        return "setenv VTPDM_ANSWERS " + value;
    }
    if (what == "day ends") {
        clearing_ = true;
        return choose_line();
    }
    return what;
}

bool SoakGenerator::next(SoakStep& step) {
    step = SoakStep();
    if (!in_run_) {
        long left = events_ - made_;
        if (left <= 0) return false;
        long shortest = std::max<long>(RUN_AT_LEAST, events_ / 40), longest = std::max<long>(2 * RUN_AT_LEAST, events_ / 10);
        long length = shortest + static_cast<long>(random_.below(static_cast<uint32_t>(longest - shortest + 1)));
        if (left - length < RUN_AT_LEAST) length = left;
        int previous = language_;
        language_ = languages_[random_.below(static_cast<uint32_t>(languages_.size()))];
        if (run_ > 0 && languages_.size() > 1 && language_ == previous)
            language_ = languages_[random_.below(static_cast<uint32_t>(languages_.size()))];
        ++run_;
        run_left_ = length;
        in_run_ = true;
        clearing_ = false;
        world_ = SoakWorld(language_);
        step.kind = SoakStep::RUN_START;
        step.run = run_;
        step.language = language_;
        step.session_empty = true;
        return true;
    }
    step.run = run_;
    step.language = language_;
    step.event = ++made_;
    bool last = --run_left_ <= 0;
    step.kind = last ? SoakStep::RUN_END : SoakStep::LINE;
    step.line = last ? "quit" : choose_line();
    std::string error;
    if (!parse_script_line(step.line, step.command, error))
        throw std::logic_error("the soak made a line the script reader refuses: " + step.line + ": " + error);
    step.prediction = world_.predict(step.command);
    if (!world_.apply(step.command))
        throw std::logic_error("the soak made a line the session would refuse: " + step.line);
    step.session_empty = world_.models().empty();
    if (last) in_run_ = false;
    return true;
}

}  // namespace vthost
