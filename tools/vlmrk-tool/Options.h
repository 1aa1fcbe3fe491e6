#pragma once
// The command line of one vlmrk-tool command, read the way GNU tools read theirs: options may
// come before, between and after the positional arguments, "--" ends the options (everything
// after it is positional), and a lone "-" is a positional (standard input or output). A valued
// option takes its value as the next word or after "=" ("--format 3", "--format=3"). An unknown
// option, a missing value or a value given to a flag is a usage error (exit status 2). "--help"
// is answered by main before a command runs.
//
// A command declares its options, one line each, and parses:
//
//     bool force = false;
//     std::string codePage;
//     TOptions options;
//     options.Flag("--force", force).Value("--codepage", codePage);
//     const Args files = options.Parse(args, 1);   // args[0] is the command word

#include <functional>
#include <string>
#include <vector>

#include "tools/vlmrk-tool/ToolCommands.h"

namespace tool {

class TOptions {
public:
    // A switch without a value; `target` becomes true when it is given.
    TOptions& Flag(const std::string& name, bool& target);
    // An option with a value; a repeated option keeps the last value.
    TOptions& Value(const std::string& name, std::string& target);
    // An option with a value that may be given more than once; every value is kept in order.
    TOptions& Values(const std::string& name, std::vector<std::string>& target);
    // An integer option in [min, max]; anything else is a usage error naming the range.
    TOptions& Number(const std::string& name, int& target, int min, int max);
    // The general form: `onValue` gets the value (empty for a flag) and may raise EUsage.
    TOptions& Custom(const std::string& name, bool takesValue, std::function<void(const std::string&)> onValue);

    // The positional arguments of args[first...], options applied in the order given.
    Args Parse(const Args& args, std::size_t first = 0) const;

private:
    struct TOption {
        std::string Name;
        bool TakesValue = false;
        std::function<void(const std::string&)> OnValue;
    };
    const TOption* Find(const std::string& name) const;
    std::vector<TOption> options_;
};

// Raises EUsage unless min <= positional.size() <= max.
void ExpectPositionals(const Args& positional, std::size_t min, std::size_t max, const std::string& what);

}  // namespace tool
