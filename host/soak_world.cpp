/* The soak's picture of the host and what it predicts.
 *
 * The world follows vthost's session command by command (models, their windows, the current
 * window, the answers VTPDM_ANSWERS gives) and says for each command which client-library calls
 * the add-in must make, with which document key and answer, and which status goes back to the
 * host.  The document key is built here on its own, from the host's side: the model's name and
 * type as the host holds them, converted as the language asks with the platform's code-page
 * service standing for Windows. */
#include "host/soak.h"

#include <stdlib.h>
#include <string.h>

#include "frame/vt_constants.h"
#include "host/host_model.h"
#include "host/texts.h"
#include "platform/platform.h"
#include "text/languages.h"

namespace vthost {

/* ---- what a pick does ------------------------------------------------------------------------ */

const SoakButton soak_buttons[] = {
    {"G14", "DocumentData", nullptr, false, true},
    {"G15", "PartData", nullptr, false, true},
    {"G16", "SaveIntoProject", nullptr, false, true},
    {"G16a", "ImportIntoProject", nullptr, false, true},
    {"GLABEL0", "", nullptr, false, false},
    {"G7a", "CmdExec", "VMM_USER_LOGIN", false, false},
    {"G7b", "CmdExec", "VMM_EE_NEW", false, false},
    {"G7c", "CmdExec", "VT_PB::PWSMANAGER", false, false},
    {"G7", "ProjectBrowser", nullptr, false, false},
    {"G8", "FindArchive", nullptr, false, false},
    {"GLABEL1", "", nullptr, false, false},
    {"G9", "QueryOnDocuments", nullptr, false, false},
    {"G10", "QueryOnParts", nullptr, false, false},
    {"G11", "QueryOnBom", nullptr, false, false},
    {"GLABEL1A", "", nullptr, false, false},
    {"G12", "QueryViews", nullptr, false, false},
    {"G13", "BomViews", nullptr, false, false},
    {"C1", "QueryChangeReq", nullptr, true, false},
    {"C2", "NewChangeReq", nullptr, true, false},
    {"GLABEL1C", "", nullptr, false, false},
    {"C3", "QueryChangeOrd", nullptr, true, false},
    {"C4", "NewChangeOrd", nullptr, true, false},
    {"GLABEL2C", "", nullptr, false, false},
    {"C5", "QueryAssignedTask", nullptr, true, false},
    {"GLABEL2", "", nullptr, false, false},
    {"G4", "Hide", nullptr, true, false},
    {"G5", "Show", nullptr, true, false},
    {"GLABEL3", "", nullptr, false, false},
    {"G6o", "Options", nullptr, true, false},
    {"G6", "Help", nullptr, true, false},
    {"G3", "About", nullptr, true, false},
};
const int soak_button_count = sizeof soak_buttons / sizeof soak_buttons[0];

const SoakButton* soak_button(const std::string& name) {
    for (const SoakButton& each : soak_buttons)
        if (name == each.button) return &each;
    return nullptr;
}

/* ---- the narrow text of a language ------------------------------------------------------------ */

namespace {

enum { WHOLE_STRING_FLAGS = PLAT_WC_COMPOSITECHECK | PLAT_WC_DEFAULTCHAR, JAPANESE_CODE_PAGE = 932 };

/* The Windows code page of a language from the add-in's list; 0 is the system's default ANSI
 * code page, also for a code outside the list. */
int code_page_of(int language) {
    const vt_language* row = vt_language_of(language);
    return row != nullptr ? row->code_page : 0;
}

/* Whether a language converts the whole string at once with the WHOLE_STRING_FLAGS: every
 * language with a code page of its own or multibyte text.  Japanese, Hebrew and English never
 * ask: soak_narrow converts them on paths of their own first. */
bool whole_string_language(int language) {
    const vt_language* row = vt_language_of(language);
    return row != nullptr && (row->code_page != 0 || row->multibyte);
}

/* Shift_JIS lead and trail byte to the JIS X 0208 row and cell. */
void shift_jis_to_jis(unsigned char& first, unsigned char& second) {
    int row_offset = first < 0xA0 ? 0x70 : 0xB0;
    int adjust = second < 0x9F ? 1 : 0;
    int cell_offset = second >= 0x9F ? 0x7E : second >= 0x80 ? 0x20 : 0x1F;
    first = static_cast<unsigned char>(((first - row_offset) << 1) - adjust);
    second = static_cast<unsigned char>(second - cell_offset);
}

std::string euc_jp(const std::u16string& text) {
    std::string out;
    for (char16_t unit : text) {
        unsigned char bytes[4] = {};
        int count = platform.wc_to_mb(JAPANESE_CODE_PAGE, 0, &unit, 1, reinterpret_cast<char*>(bytes), 4);
        if (count <= 0) continue; /* the character is dropped */
        if (count == 1) {
            if (bytes[0] >= 0xA1 && bytes[0] <= 0xDF) out += '\x8E';
            out += static_cast<char>(bytes[0]);
        } else if (count == 2) {
            shift_jis_to_jis(bytes[0], bytes[1]);
            out += static_cast<char>(bytes[0] | 0x80);
            out += static_cast<char>(bytes[1] | 0x80);
        } else {
            out.append(reinterpret_cast<char*>(bytes), static_cast<size_t>(count));
        }
    }
    return out;
}

std::string whole_string(int language, const std::u16string& text) {
    std::string out(4 * text.size() + 1, '\0');
    int written = platform.wc_to_mb(code_page_of(language), WHOLE_STRING_FLAGS, text.c_str(), -1, &out[0],
                                    static_cast<int>(out.size()));
    if (written <= 0) return "";
    return out;
}

std::string per_character(int language, const std::u16string& text) {
    std::string out;
    for (char16_t unit : text) {
        char bytes[4];
        int count = platform.wc_to_mb(code_page_of(language), 0, &unit, 1, bytes, 4);
        if (count <= 0) break; /* the conversion stops at a failed character */
        out.append(bytes, static_cast<size_t>(count));
    }
    return out;
}

std::string low_bytes(const std::u16string& text, bool hebrew) {
    std::string out;
    for (char16_t unit : text) {
        if (!hebrew && unit == 0x20AC) out += '\x80';
        else if (hebrew && unit >= 0x5D0 && unit <= 0x5EA) out += static_cast<char>(unit - 0x4F0);
        else out += static_cast<char>(unit & 0xFF);
    }
    return out;
}

}  // namespace

std::string soak_narrow(int language, const std::u16string& text) {
    std::string out;
    if (language == VT_LANG_JAPANESE) out = euc_jp(text);
    else if (language == VT_LANG_HEBREW) out = low_bytes(text, true);
    else if (whole_string_language(language)) out = whole_string(language, text);
    else if (language == VT_LANG_ENGLISH) out = low_bytes(text, false);
    else out = per_character(language, text);
    return out.substr(0, strnlen(out.c_str(), out.size()));
}

/* ---- the world ------------------------------------------------------------------------------ */

std::string ExpectedCall::line() const {
    std::string text = "VTProeVEXO: " + function + "(";
    if (has_argument) text += "\"" + argument + "\"";
    return text + ") -> " + std::to_string(answer);
}

const SoakModel* SoakWorld::current() const {
    if (current_window_ == 0) return nullptr;
    for (const SoakModel& model : models_)
        if (model.window == current_window_) return &model;
    return nullptr;
}

const SoakModel* SoakWorld::find(const std::string& key) const {
    for (const SoakModel& model : models_)
        if (model.key() == key) return &model;
    return nullptr;
}

SoakModel* SoakWorld::find_mutable(const std::string& key) {
    for (SoakModel& model : models_)
        if (model.key() == key) return &model;
    return nullptr;
}

int SoakWorld::answer(const std::string& function) const {
    auto found = answers_.find(function);
    if (found != answers_.end()) return found->second;
    return function == "BeforeSave" ? 1 : 0;
}

bool SoakWorld::document_key(const SoakModel& model, std::string& key) const {
    /* The host's record holds at most 79 units of the name and 3 of the type. */
    std::u16string name = widen(model.name).substr(0, SOAK_NAME_UNITS_MAX);
    std::u16string type = widen(model.type).substr(0, 3);
    key = soak_narrow(language_, name) + "." + soak_narrow(language_, type);
    return key.size() <= 255;
}

namespace {

ExpectedCall call(const std::string& function, const char* argument, int answer) {
    ExpectedCall made;
    made.function = function;
    made.has_argument = argument != nullptr;
    if (argument != nullptr) made.argument = argument;
    made.answer = answer;
    return made;
}

}  // namespace

Prediction SoakWorld::predict(const ScriptCommand& command) const {
    Prediction out;
    std::string key;
    /* A call naming a model: none when its key cannot be built. */
    auto naming = [&](const char* function, const SoakModel& model) {
        if (document_key(model, key)) out.calls.push_back(call(function, key.c_str(), answer(function)));
    };
    /* The window-changed hook: the current model's key, or the empty key. */
    auto switched = [&](const SoakModel* model) {
        if (model != nullptr) naming("SwitchDocument", *model);
        else out.calls.push_back(call("SwitchDocument", "", answer("SwitchDocument")));
    };
    const std::vector<std::string>& a = command.args;
    switch (command.kind) {
    case ScriptCommand::OPEN: {
        const SoakModel* known = find(a[0]);
        if (known == nullptr) {
            SoakModel opened;
            std::string error;
            parse_model_key(a[0], opened.name, opened.type, error);
            naming("AfterOpen", opened);
            switched(&opened);
        } else {
            switched(known);
        }
        break;
    }
    case ScriptCommand::ACTIVATE:
        switched(a[0] == "none" ? nullptr : find(a[0]));
        break;
    case ScriptCommand::SAVE: {
        const SoakModel* model = current();
        if (model != nullptr) naming("BeforeSave", *model);
        else out.calls.push_back(call("BeforeSave", "", answer("BeforeSave")));
        out.has_status = true;
        out.status_of = "save hook";
        out.status = out.calls.empty() ? 1 : out.calls.back().answer == 0 ? 1 : 0;
        break;
    }
    case ScriptCommand::CLOSE:
        if (const SoakModel* model = current()) {
            out.calls.push_back(call("BeforeClose", "", answer("BeforeClose")));
            naming("AfterClose", *model);
        }
        break;
    case ScriptCommand::CLOSE_WINDOW:
        if (current() != nullptr) {
            out.calls.push_back(call("SwitchDocument", "CloseWindow", answer("SwitchDocument")));
            switched(nullptr);
            out.calls.push_back(call("SwitchDocument", "CloseWindow", answer("SwitchDocument")));
        }
        break;
    case ScriptCommand::PICK: {
        const SoakButton* button = soak_button(a[0]);
        if (button == nullptr || (button->needs_model && current() == nullptr)) break;
        out.has_status = true;
        out.status_of = "command";
        if (button->function[0] == 0) break;
        out.calls.push_back(call(button->function, button->argument, answer(button->function)));
        out.status = button->forwards_status ? out.calls.back().answer : 0;
        break;
    }
    case ScriptCommand::QUIT:
        out.calls.push_back(call("Stop", nullptr, answer("Stop")));
        break;
    default: /* menu, copy, rename, regenerate and setenv call nothing */
        break;
    }
    return out;
}

bool SoakWorld::apply(const ScriptCommand& command) {
    const std::vector<std::string>& a = command.args;
    switch (command.kind) {
    case ScriptCommand::OPEN: {
        if (SoakModel* known = find_mutable(a[0])) {
            if (known->window == 0) known->window = next_window_++;
            current_window_ = known->window;
            return true;
        }
        SoakModel opened;
        std::string error;
        if (!parse_model_key(a[0], opened.name, opened.type, error)) return false;
        opened.window = next_window_++;
        current_window_ = opened.window;
        models_.push_back(opened);
        return true;
    }
    case ScriptCommand::ACTIVATE: {
        if (a[0] == "none") {
            current_window_ = 0;
            return true;
        }
        SoakModel* model = find_mutable(a[0]);
        if (model == nullptr) return false;
        if (model->window == 0) model->window = next_window_++;
        current_window_ = model->window;
        return true;
    }
    case ScriptCommand::CLOSE: {
        const SoakModel* model = current();
        if (model != nullptr) models_.erase(models_.begin() + (model - models_.data()));
        current_window_ = 0;
        return true;
    }
    case ScriptCommand::CLOSE_WINDOW:
        if (const SoakModel* model = current()) {
            find_mutable(model->key())->window = 0;
            current_window_ = 0;
        }
        return true;
    case ScriptCommand::COPY:
    case ScriptCommand::RENAME: {
        SoakModel* source = find_mutable(a[0]);
        if (source == nullptr || find(a[1]) != nullptr) return false;
        SoakModel target;
        std::string error;
        if (!parse_model_key(a[1], target.name, target.type, error)) return false;
        if (command.kind == ScriptCommand::RENAME) {
            source->name = target.name;
            source->type = target.type;
        } else {
            models_.push_back(target);
        }
        return true;
    }
    case ScriptCommand::SETENV: {
        if (a[0] != "VTPDM_ANSWERS") return true;
        answers_.clear();
        /* "Name=answer" entries separated by commas; an entry without '=' is ignored. */
        for (const std::string& entry : split(a[1], ',')) {
            size_t equals = entry.find('=');
            if (equals == std::string::npos) continue;
            answers_[entry.substr(0, equals)] = atoi(entry.c_str() + equals + 1);
        }
        return true;
    }
    default:
        return true;
    }
}

}  // namespace vthost
