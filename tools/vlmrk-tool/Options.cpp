#include "tools/vlmrk-tool/Options.h"

#include "platform/rtl/Conversions.h"

namespace tool {

TOptions& TOptions::Flag(const std::string& name, bool& target) {
    return Custom(name, false, [&target](const std::string&) { target = true; });
}

TOptions& TOptions::Value(const std::string& name, std::string& target) {
    return Custom(name, true, [&target](const std::string& value) { target = value; });
}

TOptions& TOptions::Values(const std::string& name, std::vector<std::string>& target) {
    return Custom(name, true, [&target](const std::string& value) { target.push_back(value); });
}

TOptions& TOptions::Number(const std::string& name, int& target, int min, int max) {
    return Custom(name, true, [name, &target, min, max](const std::string& value) {
        std::int32_t n = 0;
        if (!rtl::TryStrToInt(value, n) || n < min || n > max)
            throw EUsage(name + " takes a number from " + std::to_string(min) + " to " + std::to_string(max) +
                         ", not \"" + value + "\"");
        target = n;
    });
}

TOptions& TOptions::Custom(const std::string& name, bool takesValue, std::function<void(const std::string&)> onValue) {
    options_.push_back(TOption{name, takesValue, std::move(onValue)});
    return *this;
}

const TOptions::TOption* TOptions::Find(const std::string& name) const {
    for (const auto& option : options_)
        if (option.Name == name) return &option;
    return nullptr;
}

Args TOptions::Parse(const Args& args, std::size_t first) const {
    Args positional;
    bool optionsEnded = false;
    for (std::size_t i = first; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            positional.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const auto eq = word.starts_with("--") ? word.find('=') : std::string::npos;
        const std::string name = word.substr(0, eq);
        const TOption* option = Find(name);
        if (!option) throw EUsage("unknown option \"" + name + "\"");
        if (!option->TakesValue) {
            if (eq != std::string::npos) throw EUsage(name + " takes no value");
            option->OnValue({});
        } else if (eq != std::string::npos) {
            option->OnValue(word.substr(eq + 1));
        } else {
            if (i + 1 >= args.size()) throw EUsage(name + " needs a value");
            option->OnValue(args[++i]);
        }
    }
    return positional;
}

void ExpectPositionals(const Args& positional, std::size_t min, std::size_t max, const std::string& what) {
    if (positional.size() < min || positional.size() > max) throw EUsage(what);
}

}  // namespace tool
