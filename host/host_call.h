/* One host call as the host functions record it: its trace line (JSON), its transcript note
 * when it answers non-zero, and its record with words and a readable line for the tests; the
 * screening every host function does first (an answer set by a test, the application handle,
 * a refusal). */
#ifndef VTHOST_HOST_CALL_H
#define VTHOST_HOST_CALL_H

#include <stdio.h>

#include <string>
#include <type_traits>

#include "host/host_model.h"

namespace vthost {

/* A host function's argument as the word it takes on the call. */
template <typename T>
intptr_t as_word(T value) {
    if constexpr (std::is_pointer_v<T>) return reinterpret_cast<intptr_t>(value);
    else return static_cast<intptr_t>(value);
}

/* The address of a pointer as text, "null" for none. */
std::string pointer_text(const void* pointer);
/* The readable form of a wide text: ASCII as it is, other units as \uXXXX, in L"...". */
std::string readable_wide(const char16_t* text);
/* A table name without its "_v". */
std::string readable_name(const std::string& table_name);
/* Records a call on the host when it keeps calls, and tells the test that listens. */
void keep_call(Host& host, const HostCall& call);

/* One host call: collects the arguments as words, for the trace, the transcript and the
 * readable line; records the call, checks the application handle, the refusal list and the
 * answers put in place of the model's, and reports the answer.  Arguments are given in the
 * order of the function's parameters. */
class Call {
public:
    Call(const char* table_name, int app) : host_(current_host()), name_(table_name), app_(app) {
        host_.calls++;
        json_ = "{\"call\":" + json_quote(name_) + ",\"app_handle\":" + std::to_string(app);
        summary_ = name_;
        summary_ += "(";
        record_.name = name_;
        record_.words.push_back(app);
    }
    Call& text(const char* key, const char* value) {
        std::string shown = value != nullptr ? json_quote(value) : "null";
        json_ += ",\"" + std::string(key) + "\":" + shown;
        append_summary(shown);
        return argument(value, value != nullptr ? "\"" + std::string(value) + "\"" : "NULL");
    }
    Call& wide(const char* key, const char16_t* value) {
        std::string shown = value != nullptr ? json_quote(narrow(value)) : "null";
        json_ += ",\"" + std::string(key) + "\":" + shown;
        append_summary(shown);
        return argument(value, readable_wide(value));
    }
    Call& number(const char* key, long long value) {
        json_ += ",\"" + std::string(key) + "\":" + std::to_string(value);
        append_summary(std::to_string(value));
        return argument(static_cast<intptr_t>(value), std::to_string(value));
    }
    /* A command id, read as [name of the command] where the host knows it. */
    Call& command(const char* key, int id) {
        json_ += ",\"" + std::string(key) + "\":" + std::to_string(id);
        append_summary(std::to_string(id));
        const Command* known = host_.command_by_id(id);
        return argument(static_cast<intptr_t>(id), known != nullptr ? "[" + known->name + "]" : std::to_string(id));
    }
    /* A pointer, read by the name the host knows it by, else as `shown` or its address. */
    Call& pointer(const char* key, const void* value, const std::string& shown = "") {
        std::string address = pointer_text(value);
        json_ += ",\"" + std::string(key) + "\":" + (value != nullptr ? json_quote(address) : address);
        auto known = host_.function_names.find(value);
        std::string readable = known != host_.function_names.end() ? known->second
                               : value == nullptr                  ? "NULL"
                               : shown.empty()                     ? address
                                                                   : shown;
        return argument(value, readable);
    }
    /* A place for the host's answer: a word only. */
    Call& out(const void* place) {
        record_.words.push_back(reinterpret_cast<intptr_t>(place));
        return *this;
    }
    /* The directory the gateway appended. */
    Call& dir(const char* value) {
        std::string shown = value != nullptr ? json_quote(value) : "null";
        json_ += ",\"dir\":" + shown;
        append_summary(shown);
        record_.directory = value;
        return out(value);
    }
    /* Extra facts for the trace only (what the host made of the call). */
    Call& fact(const char* key, const std::string& value) {
        facts_ += ",\"" + std::string(key) + "\":" + json_quote(value);
        return *this;
    }
    /* True when the call must be answered at once, with *status: an answer put in place of the
     * model's, a wrong handle or a refusal. */
    bool screened(int* status) {
        record_.text = readable_name(name_) + "(" + readable_ + ")";
        keep_call(host_, record_);
        auto answer = host_.answers.find(name_);
        if (answer != host_.answers.end()) {
            if (std::optional<int> given = answer->second(record_)) {
                *status = finish(*given, "answer set by the test");
                return true;
            }
        }
        if (app_ != host_.app_handle) {
            char why[96];
            snprintf(why, sizeof why, "wrong application handle %d (expected %d)", app_, host_.app_handle);
            *status = finish(VT_HOST_BAD_INPUTS, why);
            return true;
        }
        if (host_.refused.count(name_) != 0) {
            *status = finish(refusal_status(), "refused (--refuse)");
            return true;
        }
        return false;
    }
    /* screened(), and then a missing place for the answer refused as bad inputs, `missing`
     * saying which. */
    bool screened_with_place(const void* place, const char* missing, int* status) {
        if (screened(status)) return true;
        if (place != nullptr) return false;
        *status = finish(VT_HOST_BAD_INPUTS, missing);
        return true;
    }
    int finish(int status, const std::string& why = "") {
        if (finished_) return status;
        finished_ = true;
        if (host_.trace != nullptr) {
            fprintf(host_.trace, "%s,\"result\":%d%s%s}\n", json_.c_str(), status, facts_.c_str(),
                    why.empty() ? "" : (",\"note\":" + json_quote(why)).c_str());
            fflush(host_.trace);
        }
        bool failed = name_ == "prodev_pass_version_info_v" ? status == 0 : status != VT_HOST_OK;
        if (failed) host_.say("%s) -> %d%s%s", summary_.c_str(), status, why.empty() ? "" : ": ", why.c_str());
        return status;
    }

private:
    /* The version hand-over refuses with 0; every other function with the general error. */
    int refusal_status() const { return name_ == "prodev_pass_version_info_v" ? 0 : VT_HOST_GENERAL_ERROR; }
    void append_summary(const std::string& shown) {
        if (summary_.back() != '(') summary_ += ", ";
        summary_ += shown;
    }
    template <typename T>
    Call& argument(T value, const std::string& readable) {
        record_.words.push_back(as_word(value));
        if (!readable_.empty()) readable_ += ", ";
        readable_ += readable;
        return *this;
    }

    Host& host_;
    std::string name_;
    int app_;
    std::string json_, facts_, summary_, readable_;
    HostCall record_;
    bool finished_ = false;
};

}  // namespace vthost

#endif
