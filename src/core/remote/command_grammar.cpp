#include "core/remote/command_grammar.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace ferrule::remote {

namespace {

enum class Where { Both, CommandLine, Socket };

struct VerbForm {
    const char* name;
    Verb verb;
    const char* forms;  // what follows the name
    Where where;
};

constexpr VerbForm kVerbs[] = {
    {"list", Verb::List, "", Where::Both},
    {"status", Verb::Status, "", Where::Both},
    {"info", Verb::Info, "", Where::Both},
    {"shutter", Verb::Shutter, "open|close", Where::Both},
    {"mode", Verb::Mode, "fast|soft|nd STEPS", Where::Both},
    {"trigger", Verb::Trigger, "off|high|low|rising|falling", Where::Both},
    {"sync", Verb::Sync, "off|high|low", Where::Both},
    {"timer", Verb::Timer, "closed|exposure H:M:S:MS:T", Where::Both},
    {"repeat", Verb::Repeat, "N|continuous", Where::Both},
    {"run", Verb::Run, "power-up|trigger|go [--wait]", Where::Both},
    {"stop", Verb::Stop, "", Where::Both},
    {"power", Verb::Power, "on|off", Where::Both},
    {"online", Verb::Online, "", Where::Both},
    {"reset", Verb::Reset, "", Where::Both},
    {"store-config", Verb::StoreConfig, "[--yes]", Where::Both},
    {"restore-defaults", Verb::RestoreDefaults, "[--yes]", Where::Both},
    {"load", Verb::Load, "FILE.cfg [--apply]", Where::Both},
    {"save", Verb::Save, "FILE.cfg", Where::Both},
    {"watch", Verb::Watch, "[--seconds S] [--record FILE]", Where::CommandLine},
    {"watch", Verb::Watch, "", Where::Socket},
    {"blink", Verb::Blink, "--speed N --seconds S", Where::Both},
    {"*IDN?", Verb::Identify, "", Where::Socket},
    {"open", Verb::Open, "", Where::Socket},
};

bool Offered(const VerbForm& form, Origin origin) {
    return form.where == Where::Both ||
           (form.where == Where::CommandLine) == (origin == Origin::CommandLine);
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

const VerbForm* FindVerb(std::string_view word, Origin origin) {
    for (const VerbForm& form : kVerbs) {
        // Instruments take their identification query in any case.
        const bool match =
            form.verb == Verb::Identify ? SameIgnoringCase(word, form.name) : word == form.name;
        if (match && Offered(form, origin)) {
            return &form;
        }
    }
    return nullptr;
}

// A word as it is shown back in an error: cut short, and without line breaks.
std::string Quoted(std::string_view word) {
    constexpr size_t kShown = 40;
    std::string shown(word.substr(0, kShown));
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20) {
            c = '?';
        }
    }
    return "'" + shown + (word.size() > kShown ? "...'" : "'");
}

// A decimal integer, a minus sign allowed, nothing else around it.
std::optional<int64_t> Integer(std::string_view word) {
    if (word.empty() || word.size() > 12) {
        return std::nullopt;
    }
    int64_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size()) {
        return std::nullopt;
    }
    return value;
}

// Seconds with up to three decimals, as milliseconds.
std::optional<int64_t> Milliseconds(std::string_view word) {
    const size_t point = word.find('.');
    const std::string_view whole = word.substr(0, point);
    std::string_view fraction = point == std::string_view::npos ? "" : word.substr(point + 1);
    if (whole.empty() || fraction.size() > 3 ||
        !std::all_of(whole.begin(), whole.end(), ::isdigit) ||
        !std::all_of(fraction.begin(), fraction.end(), ::isdigit) || whole.size() > 9) {
        return std::nullopt;
    }
    int64_t ms = *Integer(whole) * 1000;
    int64_t scale = 100;
    for (char digit : fraction) {
        ms += (digit - '0') * scale;
        scale /= 10;
    }
    return ms;
}

class Parser {
public:
    Parser(std::span<const std::string> words, Origin origin) : m_words(words), m_origin(origin) {}

    ParseResult Run() {
        if (m_words.empty()) {
            return Fail("no command given; accepted: " + Names());
        }
        m_form = FindVerb(m_words[0], m_origin);
        if (m_form == nullptr) {
            return Fail("unknown command " + Quoted(m_words[0]) + "; accepted: " + Names());
        }
        m_command.verb = m_form->verb;
        m_next = 1;
        if (!Arguments()) {
            return Fail(m_error);
        }
        if (m_next < m_words.size()) {
            return Fail("unexpected " + Quoted(m_words[m_next]) + " after " + m_form->name +
                        Usage());
        }
        return {m_command, {}};
    }

private:
    ParseResult Fail(std::string error) { return {std::nullopt, std::move(error)}; }

    std::string Names() const {
        std::string names;
        const char* last = "";
        for (const VerbForm& form : kVerbs) {
            if (Offered(form, m_origin) && std::string_view(form.name) != last) {
                names += names.empty() ? "" : ", ";
                names += form.name;
                last = form.name;
            }
        }
        return names;
    }
    std::string Usage() const {
        return std::string("; accepted: ") + m_form->name +
               (*m_form->forms != '\0' ? std::string(" ") + m_form->forms : std::string());
    }
    bool Refuse(std::string error) {
        m_error = std::move(error);
        return false;
    }

    // The next word, one of `choices` (given in the order of their values).
    bool Choice(std::initializer_list<std::pair<const char*, int>> choices, int* value) {
        if (m_next >= m_words.size()) {
            return Refuse(std::string("missing value for ") + m_form->name + Usage());
        }
        const std::string& word = m_words[m_next];
        for (const auto& [name, v] : choices) {
            if (word == name) {
                *value = v;
                ++m_next;
                return true;
            }
        }
        return Refuse("bad value " + Quoted(word) + " for " + m_form->name + Usage());
    }
    bool Number(const char* what, int64_t lowest, int64_t highest, int64_t* value) {
        if (m_next >= m_words.size()) {
            return Refuse(std::string("missing ") + what + " for " + m_form->name + Usage());
        }
        const std::string& word = m_words[m_next];
        const std::optional<int64_t> number = Integer(word);
        if (!number || *number < lowest || *number > highest) {
            return Refuse("bad " + std::string(what) + " " + Quoted(word) + " for " + m_form->name +
                          ": " + std::to_string(lowest) + " to " + std::to_string(highest));
        }
        *value = *number;
        ++m_next;
        return true;
    }
    bool Path(const char* what) {
        if (m_next >= m_words.size() || m_words[m_next].empty() ||
            m_words[m_next].rfind("--", 0) == 0) {
            return Refuse(std::string("missing ") + what + " for " + m_form->name + Usage());
        }
        const std::string& path = m_words[m_next];
        if (path.find('\0') != std::string::npos) {
            return Refuse("bad file name " + Quoted(path) + " for " + m_form->name);
        }
        // Anyone who can reach the socket could otherwise have the server read
        // or overwrite any file its user may: over the socket only
        // configuration files are named.
        if (m_origin == Origin::Socket &&
            (path.size() < 5 || !SameIgnoringCase(path.substr(path.size() - 4), ".cfg"))) {
            return Refuse("bad file name " + Quoted(path) + " for " + m_form->name +
                          ": over the socket only a FILE.cfg is accepted");
        }
        m_command.path = path;
        ++m_next;
        return true;
    }
    // Options after the fixed words, each at most once, in any order.
    bool Options(std::initializer_list<const char*> allowed) {
        std::vector<std::string> seen;
        while (m_next < m_words.size()) {
            const std::string& word = m_words[m_next];
            if (std::find_if(allowed.begin(), allowed.end(),
                             [&](const char* option) { return word == option; }) == allowed.end()) {
                return Refuse("unexpected " + Quoted(word) + " after " + m_form->name + Usage());
            }
            if (std::find(seen.begin(), seen.end(), word) != seen.end()) {
                return Refuse(word + " given twice" + Usage());
            }
            seen.push_back(word);
            ++m_next;
            if (!Option(word)) {
                return false;
            }
        }
        return true;
    }
    bool Option(const std::string& option) {
        if (option == "--wait") {
            m_command.wait = true;
        } else if (option == "--yes") {
            m_command.yes = true;
        } else if (option == "--apply") {
            m_command.apply = true;
        } else if (option == "--speed") {
            int64_t speed = 0;
            if (!Number("speed", 0, kMaxBlinkSpeed, &speed)) {
                return false;
            }
            m_command.number = static_cast<int>(speed);
        } else if (option == "--seconds") {
            const std::optional<int64_t> ms =
                m_next < m_words.size() ? Milliseconds(m_words[m_next]) : std::nullopt;
            if (!ms || *ms <= 0 || *ms > kMaxDurationMs) {
                return Refuse(std::string("bad seconds ") +
                              (m_next < m_words.size() ? Quoted(m_words[m_next]) : "(none)") +
                              " for " + m_form->name + ": more than 0, at most 86400");
            }
            m_command.durationMs = *ms;
            ++m_next;
        } else if (option == "--record") {
            if (m_next >= m_words.size() || m_words[m_next].empty()) {
                return Refuse("missing FILE for --record" + Usage());
            }
            m_command.recordPath = m_words[m_next++];
        }
        return true;
    }

    bool Timer() {
        if (!Choice({{"closed", 0}, {"exposure", 1}}, &m_command.value)) {
            return false;
        }
        const char* form = "; accepted: timer closed|exposure H:M:S:MS:T, e.g. 0:0:1:500:0";
        if (m_next >= m_words.size()) {
            return Refuse(std::string("missing time for timer") + form);
        }
        const std::string& word = m_words[m_next];
        std::vector<std::string_view> parts;
        size_t start = 0;
        for (size_t colon; (colon = word.find(':', start)) != std::string::npos;
             start = colon + 1) {
            parts.push_back(std::string_view(word).substr(start, colon - start));
        }
        parts.push_back(std::string_view(word).substr(start));
        if (parts.size() != 5) {
            return Refuse("bad time " + Quoted(word) + form);
        }
        for (size_t i = 0; i < parts.size(); ++i) {
            const std::optional<int64_t> n = Integer(parts[i]);
            if (!n || *n < -99999 || *n > 99999) {
                return Refuse("bad time " + Quoted(word) + form);
            }
            m_command.time[i] = std::to_string(*n);
        }
        ++m_next;
        return true;
    }

    bool Arguments() {
        int64_t n = 0;
        switch (m_command.verb) {
            case Verb::Shutter:
                return Choice({{"open", 0}, {"close", 1}}, &m_command.value);
            case Verb::Mode:
                if (!Choice({{"fast", 0}, {"soft", 1}, {"nd", 2}}, &m_command.value)) {
                    return false;
                }
                if (m_command.value == 2) {
                    if (!Number("STEPS", 0, kMaxNdSteps, &n)) {
                        return false;
                    }
                    m_command.number = static_cast<int>(n);
                }
                return true;
            case Verb::Trigger:
                return Choice({{"off", -1}, {"high", 0}, {"low", 1}, {"rising", 2}, {"falling", 3}},
                              &m_command.value);
            case Verb::Sync:
                return Choice({{"off", -1}, {"high", 0}, {"low", 1}}, &m_command.value);
            case Verb::Timer:
                return Timer();
            case Verb::Repeat:
                if (m_next < m_words.size() && m_words[m_next] == "continuous") {
                    m_command.number = kContinuousRepeat;
                    ++m_next;
                    return true;
                }
                if (m_next < m_words.size() && !Integer(m_words[m_next])) {
                    return Refuse("bad value " + Quoted(m_words[m_next]) + " for repeat" + Usage());
                }
                if (!Number("repeat number", 1, kMaxRepeat, &n)) {
                    return false;
                }
                m_command.number = static_cast<int>(n);
                return true;
            case Verb::Run:
                if (!Choice({{"power-up", 0}, {"trigger", 1}, {"go", 2}}, &m_command.value) ||
                    !Options({"--wait"})) {
                    return false;
                }
                if (m_command.wait && m_command.value == 0) {
                    return Refuse(
                        "run power-up --wait: nothing runs until the controller is next powered "
                        "up; --wait is for run go and run trigger");
                }
                return true;
            case Verb::Power:
                return Choice({{"off", 0}, {"on", 1}}, &m_command.value);
            case Verb::StoreConfig:
            case Verb::RestoreDefaults:
                return Options({"--yes"});
            case Verb::Load:
                return Path("FILE.cfg") && Options({"--apply"});
            case Verb::Save:
                return Path("FILE.cfg");
            case Verb::Watch:
                return m_origin == Origin::Socket || Options({"--seconds", "--record"});
            case Verb::Blink:
                m_command.number = -1;
                if (!Options({"--speed", "--seconds"})) {
                    return false;
                }
                if (m_command.number < 0 || m_command.durationMs == 0) {
                    return Refuse(std::string("blink needs both --speed and --seconds") + Usage());
                }
                return true;
            default:
                return true;
        }
    }

    std::span<const std::string> m_words;
    Origin m_origin;
    const VerbForm* m_form = nullptr;
    Command m_command;
    size_t m_next = 0;
    std::string m_error;
};

}  // namespace

ParseResult ParseCommand(std::span<const std::string> words, Origin origin) {
    return Parser(words, origin).Run();
}

std::optional<std::vector<std::string>> SplitWords(std::string_view line, std::string* error) {
    std::vector<std::string> words;
    size_t i = 0;
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (i < line.size()) {
        if (blank(line[i])) {
            ++i;
            continue;
        }
        std::string word;
        if (line[i] == '"') {
            const size_t close = line.find('"', i + 1);
            if (close == std::string_view::npos) {
                *error = "unclosed quote";
                return std::nullopt;
            }
            word = line.substr(i + 1, close - i - 1);
            i = close + 1;
        } else {
            while (i < line.size() && !blank(line[i])) {
                word += line[i++];
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

ParseResult ParseLine(std::string_view line) {
    std::string error;
    const std::optional<std::vector<std::string>> words = SplitWords(line, &error);
    if (!words) {
        return {std::nullopt, error};
    }
    if (words->empty()) {
        return {std::nullopt, "empty line: send one command a line, e.g. status"};
    }
    return ParseCommand(*words, Origin::Socket);
}

const char* VerbName(Verb verb) {
    for (const VerbForm& form : kVerbs) {
        if (form.verb == verb) {
            return form.name;
        }
    }
    return "?";
}

std::string CommandForms(Origin origin) {
    std::string text;
    for (const VerbForm& form : kVerbs) {
        if (Offered(form, origin)) {
            text += std::string("  ") + form.name + (*form.forms ? " " : "") + form.forms + "\n";
        }
    }
    return text;
}

}  // namespace ferrule::remote
